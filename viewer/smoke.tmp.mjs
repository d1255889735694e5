import { chromium } from 'playwright-core';
import { mkdtempSync } from 'node:fs';
const ud = mkdtempSync('/tmp/cv-');
const ctx = await chromium.launchPersistentContext(ud, { executablePath: '/usr/bin/chromium', headless: true,
 args: ['--headless','--no-sandbox','--disable-gpu','--disable-quic','--no-first-run','--disable-background-networking','--disable-component-update','--disable-sync'], viewport:{width:1300,height:900}});
const page = ctx.pages()[0] || await ctx.newPage();
page.on('console', m => console.log('console', m.type(), m.text()));
page.on('pageerror', e => console.log('pageerror', e.message));
page.on('request', r => console.log('request', r.url().slice(0,80)));
await page.goto('file:///work/main/build/viewer/cablog-viewer.html');
await page.setInputFiles('#file', process.argv[2]);
await page.waitForFunction(() => ['ready','error','empty'].includes(document.body.dataset.state));
console.log(await page.evaluate(() => [document.body.dataset.state, location.hash, JSON.stringify(window.cablogViewer.loadTimes), document.getElementById('message').textContent]));
await page.screenshot({ path: '/tmp/smoke.png' });
await ctx.close();
