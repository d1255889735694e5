// What a driver debriefing runs meets: following a log whose beacon and key
// columns start empty, a comparison saved as a picture, runs of the same
// second, a laptop's 1366×768 screen, and event marks at the panels' edges.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { appendFileSync, mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { launch, viewerPage, followByDrop } from './browser.js';

const here = dirname(fileURLToPath(import.meta.url));
const fixture = resolve(here, '..', 'fixtures', 'Log_261209-204603.csv');
const outDir = resolve(here, '..', '..', '..', 'build', 'viewer');
const problems = [];
let browser;
let scratch;
before(async () => {
  scratch = mkdtempSync(join(tmpdir(), 'cablog-e2e-'));
  browser = await launch(join(scratch, 'profile'));
});
after(async () => {
  await browser?.close();
  rmSync(scratch, { recursive: true, force: true });
});
const open = (size = { width: 1366, height: 768 }) => viewerPage(browser, problems, size);
async function load(page, files) {
  await page.setInputFiles('#file', files);
  await page.waitForFunction(() => document.body.dataset.state === 'ready', null, { timeout: 30000 });
}

const clock = (s) => `06:${String(33 + Math.floor(s / 60)).padStart(2, '0')}:${String(s % 60).padStart(2, '0')}.000`;
const HEAD = 'Clock,Location [m],Speed [km/h],Beacon type,Key 3 (ATS confirm),Events,\r\n';
// Stops at 300 m and 900 m; the beacon and the key have no value before row `quiet`.
function driveRows(from, to, quiet = 0, slower = 1) {
  let text = '';
  for (let i = from; i < to; i++) {
    const loc = Math.min(900, i < 60 ? i * 5 : i < 80 ? 300 : 300 + (i - 80) * 5);
    const speed = i === 0 || loc === 300 || loc === 900 ? 0 : 18 / slower;
    const [beacon, key] = i >= quiet ? [Math.floor(i / 25) % 5, i % 40 < 20] : ['', ''];
    text += `${clock(Math.round(i * slower))},${loc},${speed},${beacon},${key},${i % 50 ? '' : 'SIGNAL'},\r\n`;
  }
  return text;
}

test('a followed log whose beacon and key columns start empty: they can be charted once they hold values', async () => {
  const file = join(scratch, 'Log_261210-063329.csv');
  writeFileSync(file, HEAD + driveRows(0, 20, 100));
  const page = await open();
  await followByDrop(page, file);
  await page.waitForFunction(() => window.cablogViewer.log?.rowCount === 20);
  assert.equal(await page.locator('select[data-column="3"]').count(), 0, 'no beacon value yet');
  appendFileSync(file, driveRows(20, 245, 100));
  await page.waitForFunction(() => window.cablogViewer.log.rowCount === 245, null, { timeout: 5000 });
  for (const c of [3, 4]) await page.selectOption(`select[data-column="${c}"]`, { label: 'New panel' });
  const last = await page.evaluate(() => window.cablogViewer.scene.panels.slice(-2).map((p) => p.series[0].label));
  assert.deepEqual(last, ['Beacon type', 'Key 3 (ATS confirm)']);
  assert.ok(await page.evaluate(() => window.cablogViewer.following), 'still following the newest rows');
  await page.screenshot({ path: join(outDir, 'e2e-follow-beacon.png') });
  await page.close();
});

test('a comparison saved as PNG names and styles both runs, and holds legends, the x axis and the stops', async () => {
  const files = ['Log_261210-063329.csv', 'Log_261210-064512.csv'].map((name) => join(scratch, name));
  files.forEach((f, k) => writeFileSync(f, HEAD + driveRows(0, 245, 0, 1 + k / 5)));
  const page = await open({ width: 1920, height: 1080 });
  await load(page, files);
  await page.screenshot({ path: join(outDir, 'e2e-compare-1080.png') });
  const [saved] = await Promise.all([page.waitForEvent('download'), page.click('#save')]);
  assert.equal(saved.suggestedFilename(), 'Log_261210-063329 vs Log_261210-064512.png');
  const path = join(outDir, 'e2e-compare-saved.png');
  await saved.saveAs(path);
  // Along the header's swatches: one stretch of ink for the solid line and a name, several for the dashed one.
  const png = await page.evaluate(
    async (url) => {
      const img = new Image();
      img.src = url;
      await img.decode();
      const ctx = Object.assign(document.createElement('canvas'), { width: img.width, height: 1 }).getContext('2d');
      ctx.drawImage(img, 0, -Math.round(11 * devicePixelRatio));
      const row = ctx.getImageData(0, 0, img.width, 1).data;
      let stretches = 0;
      for (let x = 0, was = false; x < img.width; x++) {
        const ink = row[4 * x] + row[4 * x + 1] + row[4 * x + 2] < 600;
        if (ink && !was) stretches++;
        was = ink;
      }
      const plots = window.cablogViewer.plots.reduce((h, u) => h + u.ctx.canvas.height, 0);
      return { stretches, height: img.height, plots };
    },
    'data:image/png;base64,' + readFileSync(path).toString('base64'),
  );
  assert.ok(png.stretches >= 4, `a solid and a dashed swatch: ${png.stretches} stretches`);
  // Beyond the panels: the header, a legend each, the axis line and the stop table (a head, two stops).
  assert.ok(png.height > png.plots + 10 * 22, `${png.height} against ${png.plots}`);
  await page.close();
});

test('runs of the same second get names of their own; event locations have their unit', async () => {
  const files = [1, 2, 3].map((k) => {
    mkdirSync(join(scratch, `pc${k}`));
    const file = join(scratch, `pc${k}`, 'Log_261210-063329.csv');
    writeFileSync(file, HEAD + driveRows(0, 245, 0, 1 + k / 10));
    return file;
  });
  const page = await open();
  await load(page, files);
  const names = await page.$$eval('#runs .run-name', (inputs) => inputs.map((i) => i.value));
  assert.deepEqual(names, ['12-10 06:33:29 #1', '12-10 06:33:29 #2', '12-10 06:33:29 #3']);
  const legend = await page.locator('.panel').nth(1).locator('.u-legend .u-label').allTextContents();
  assert.equal(new Set(legend.slice(1)).size, 3, legend.join(' | '));
  assert.match(await page.locator('#event-list li').first().textContent(), /^0 m ?12-10 06:33:29 #\d SIGNAL$/);
  await page.click('#stops');
  const heads = await page.$$eval('#report-table th', (th) => th.map((t) => t.textContent));
  assert.ok(heads.includes('12-10 06:33:29 #3: dwell [s]'), heads.join(' | '));
  assert.equal(await page.locator('#report-table th svg').count(), heads.length - 1, 'a run line in each header');
  await page.screenshot({ path: join(outDir, 'e2e-same-second.png') });
  await page.close();
});

test('at 1366×768: one header row, Stops folded to a line, three panels in view, whole names on hover', async () => {
  const page = await open();
  await load(page, fixture);
  for (const part of ['header', '#report']) {
    const { height } = await page.locator(part).boundingBox();
    assert.ok(height < 45, `${part}: ${height} px high`);
  }
  const bottoms = await page.$$eval('.panel .u-over', (o) => o.map((e) => e.getBoundingClientRect().bottom));
  assert.ok(bottoms.filter((b) => b <= 768).length >= 3, `panels end at ${bottoms}`);
  assert.match(await page.locator('#columns-body td.label').nth(4).getAttribute('title'), /^Beacon distance \[m\]\n/);
  await page.screenshot({ path: join(outDir, 'e2e-laptop.png') });
  await page.click('#stops');
  assert.equal(await page.locator('#report-table').isVisible(), true);
  await page.click('#report-fold');
  assert.equal(await page.locator('#report-table').isVisible(), false);
  await page.close();
});

test('event marks at the panels edges are whole, and sit below the traces', async () => {
  const page = await open();
  await load(page, fixture);
  // The first row's events at the left edge: the strip below each plotting area, from 6 px left of it.
  const marks = await page.evaluate(() =>
    window.cablogViewer.plots.map((u) => {
      const r = devicePixelRatio;
      const strip = u.ctx.getImageData(u.bbox.left - 6 * r, u.bbox.top + u.bbox.height + 2 * r, 18 * r, 10 * r);
      const inked = [0, 0];
      for (let i = 0; i < strip.data.length; i += 4) {
        const ink = strip.data[i + 3] > 128 && strip.data[i] + strip.data[i + 1] + strip.data[i + 2] < 600;
        if (ink) inked[(i / 4) % strip.width >= 6 * r ? 0 : 1]++;
      }
      return inked;
    }),
  );
  for (const [p, [inside, outside]] of marks.entries()) {
    assert.ok(inside > 20 && outside === 0, `panel ${p + 1}: ${inside} px of mark inside, ${outside} outside`);
  }
  await page.close();
});

test('nothing went wrong on the pages', () => assert.deepEqual(problems, []));
