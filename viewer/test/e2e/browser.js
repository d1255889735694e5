// Debian's Chromium, headless, with nothing that phones home, in a fresh
// profile directory that the caller owns.
import { chromium } from 'playwright-core';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

export const CHROMIUM = process.env.CHROMIUM || '/usr/bin/chromium';

export async function launch(profileDir, viewport = { width: 1280, height: 900 }) {
  const context = await chromium.launchPersistentContext(profileDir, {
    executablePath: CHROMIUM,
    headless: true,
    viewport,
    acceptDownloads: true,
    args: [
      '--headless',
      '--no-sandbox',
      '--disable-gpu',
      '--disable-quic',
      '--no-first-run',
      '--disable-background-networking',
      '--disable-component-update',
      '--disable-sync',
    ],
  });
  // The persistent context opens with one blank tab; tests make their own.
  for (const page of context.pages()) await page.close();
  return { newPage: () => context.newPage(), close: () => context.close() };
}

/** The page the tests drive: the test build, unless CABLOG_VIEWER_HTML names another. */
export const VIEWER_HTML = resolve(
  process.env.CABLOG_VIEWER_HTML ||
    join(dirname(fileURLToPath(import.meta.url)), '..', '..', '..', 'build', 'viewer', 'cablog-viewer-test.html'),
);

/** A tab of the viewer at `size`, ready for a log; its errors go to `problems`. */
export async function viewerPage(browser, problems, size) {
  const page = await browser.newPage();
  if (size) await page.setViewportSize(size);
  page.on('pageerror', (e) => problems.push(e.message));
  page.on('console', (m) => m.type() === 'error' && problems.push(m.text()));
  await page.goto(pathToFileURL(VIEWER_HTML).href);
  await page.waitForFunction(() => document.body.dataset.state === 'idle');
  return page;
}

/**
 * Drops `file` from disk on the page's follow zone through the DevTools
 * protocol, which gives the page a real file handle to watch.
 */
export async function followByDrop(page, file) {
  const cdp = await page.context().newCDPSession(page);
  const data = { items: [], files: [file], dragOperationsMask: 1 };
  await cdp.send('Input.dispatchDragEvent', { type: 'dragEnter', x: 10, y: 10, data });
  const zone = await page.locator('[data-zone="follow"]').boundingBox();
  const at = { x: zone.x + zone.width / 2, y: zone.y + zone.height / 2 };
  await cdp.send('Input.dispatchDragEvent', { type: 'dragOver', ...at, data });
  await cdp.send('Input.dispatchDragEvent', { type: 'drop', ...at, data });
}
