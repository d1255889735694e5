// What a driver debriefing runs meets: following a log whose beacon and key
// columns start empty, a comparison saved as a picture, runs of the same
// second, a laptop's 1366×768 screen, and event marks at the panels' edges.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { appendFileSync, mkdirSync, mkdtempSync, rmSync, writeFileSync, readFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { launch } from './browser.js';

const here = dirname(fileURLToPath(import.meta.url));
const fixtures = resolve(here, '..', 'fixtures');
const pageFile = resolve(
  process.env.CABLOG_VIEWER_HTML || join(here, '..', '..', '..', 'build', 'viewer', 'cablog-viewer-test.html'),
);
const outDir = dirname(pageFile);
const problems = [];
let browser;
let scratch;

before(async () => {
  scratch = mkdtempSync(join(tmpdir(), 'cablog-e2e-'));
  browser = await launch(join(scratch, 'profile'), { width: 1366, height: 768 });
});
after(async () => {
  await browser?.close();
  if (scratch) rmSync(scratch, { recursive: true, force: true });
});

async function openPage(size = { width: 1366, height: 768 }) {
  const page = await browser.newPage();
  await page.setViewportSize(size);
  page.on('pageerror', (e) => problems.push(e.message));
  page.on('console', (m) => m.type() === 'error' && problems.push(m.text()));
  await page.goto(pathToFileURL(pageFile).href);
  await page.waitForFunction(() => document.body.dataset.state === 'idle');
  return page;
}

async function load(page, files) {
  await page.setInputFiles('#file', files);
  await page.waitForFunction(() => document.body.dataset.state === 'ready', null, { timeout: 30000 });
}

const clock = (s) => `06:${String(33 + Math.floor(s / 60)).padStart(2, '0')}:${String(s % 60).padStart(2, '0')}.000`;
// A drive with a stop at 300 m and at 900 m; the beacon and the key have no value until row `quiet`.
function driveRows(from, to, quiet = 0, slower = 1) {
  const rows = [];
  for (let i = from; i < to; i++) {
    const t = Math.round(i * slower);
    const loc = Math.min(900, i < 60 ? i * 5 : i < 80 ? 300 : 300 + (i - 80) * 5);
    const speed = i === 0 || loc === 300 || loc === 900 ? 0 : 18 / slower;
    const beacon = i >= quiet ? Math.floor(i / 25) % 5 : '';
    const key = i >= quiet ? String(i % 40 < 20) : '';
    rows.push(`${clock(t)},${loc},${speed},${beacon},${key},${i % 50 === 0 ? 'SIGNAL' : ''},`);
  }
  return rows.map((r) => r + '\r\n').join('');
}
const HEAD = 'Clock,Location [m],Speed [km/h],Beacon type,Key 3 (ATS confirm),Events,\r\n';

test('a followed log whose beacon and key columns start empty: they can be charted once they hold values', async () => {
  const file = join(scratch, 'Log_261210-063329.csv');
  writeFileSync(file, HEAD + driveRows(0, 20, 100));
  const page = await openPage();
  const cdp = await page.context().newCDPSession(page);
  const data = { items: [], files: [file], dragOperationsMask: 1 };
  await cdp.send('Input.dispatchDragEvent', { type: 'dragEnter', x: 10, y: 10, data });
  const zone = await page.locator('[data-zone="follow"]').boundingBox();
  const at = { x: zone.x + zone.width / 2, y: zone.y + zone.height / 2 };
  await cdp.send('Input.dispatchDragEvent', { type: 'dragOver', ...at, data });
  await cdp.send('Input.dispatchDragEvent', { type: 'drop', ...at, data });
  await page.waitForFunction(() => window.cablogViewer?.log?.rowCount === 20);
  assert.equal(await page.locator('select[data-column="3"]').count(), 0, 'no beacon value yet');
  appendFileSync(file, driveRows(20, 245, 100));
  await page.waitForFunction(() => window.cablogViewer.log.rowCount === 245, null, { timeout: 5000 });
  await page.waitForSelector('select[data-column="3"]');
  await page.selectOption('select[data-column="3"]', { label: 'New panel' });
  await page.selectOption('select[data-column="4"]', { label: 'New panel' });
  const last = await page.evaluate(() => window.cablogViewer.scene.panels.slice(-2).map((p) => p.series[0].label));
  assert.deepEqual(last, ['Beacon type', 'Key 3 (ATS confirm)']);
  assert.ok(await page.evaluate(() => window.cablogViewer.following), 'still following the newest rows');
  await page.screenshot({ path: join(outDir, 'e2e-follow-beacon.png') });
  await page.close();
});

async function saveComparison(page) {
  const [download] = await Promise.all([page.waitForEvent('download'), page.click('#save')]);
  const path = join(outDir, 'e2e-compare-saved.png');
  await download.saveAs(path);
  return { name: download.suggestedFilename(), path };
}

test('a comparison saved as PNG names and styles both runs, wraps legends and holds the stop table', async () => {
  const a = join(scratch, 'Log_261210-063329.csv');
  const b = join(scratch, 'Log_261210-064512.csv');
  writeFileSync(a, HEAD + driveRows(0, 245));
  writeFileSync(b, HEAD + driveRows(0, 245, 0, 1.2));
  const page = await openPage({ width: 1920, height: 1080 });
  await load(page, [a, b]);
  await page.screenshot({ path: join(outDir, 'e2e-compare-1080.png') });
  const { name, path } = await saveComparison(page);
  assert.equal(name, 'Log_261210-063329 vs Log_261210-064512.png');
  // The header's swatches: the first run's line is solid, the second's dashed and in another shade.
  const found = await page.evaluate(
    async (url) => {
      const img = new Image();
      img.src = url;
      await img.decode();
      const c = Object.assign(document.createElement('canvas'), { width: img.width, height: img.height });
      const ctx = c.getContext('2d');
      ctx.drawImage(img, 0, 0);
      const y = Math.round(11 * devicePixelRatio);
      const row = ctx.getImageData(0, y, c.width, 1).data;
      const inked = [];
      for (let x = 0; x < c.width; x++) inked.push(row[4 * x] + row[4 * x + 1] + row[4 * x + 2] < 600);
      // Stretches of ink along the swatches' line, left to right.
      const runs = [];
      inked.forEach((on, x) => on && (x === 0 || !inked[x - 1]) && runs.push(x));
      const plots = window.cablogViewer.plots.reduce((h, u) => h + u.ctx.canvas.height, 0);
      return { height: img.height, plots, runs: runs.length };
    },
    'data:image/png;base64,' + readFileSync(path).toString('base64'),
  );
  assert.ok(found.runs >= 4, `a solid and a dashed swatch (and their names): ${found.runs} stretches`);
  // Room for legends, the axis line and two stops of the table beyond the panels themselves.
  assert.ok(found.height > found.plots + 8 * 22, `${found.height} against ${found.plots}`);
  await page.close();
});

test('runs of the same second get names of their own; event locations have their unit', async () => {
  const files = [1, 2, 3].map((k) => {
    mkdirSync(join(scratch, `pc${k}`), { recursive: true });
    const file = join(scratch, `pc${k}`, 'Log_261210-063329.csv');
    writeFileSync(file, HEAD + driveRows(0, 245, 0, 1 + k / 10));
    return file;
  });
  const page = await openPage();
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
  const page = await openPage();
  await load(page, join(fixtures, 'Log_261209-204603.csv'));
  const header = await page.locator('header').boundingBox();
  assert.ok(header.height < 45, `header ${header.height} px high`);
  const stops = await page.locator('#report').boundingBox();
  assert.ok(stops.height < 45, `Stops folded: ${stops.height} px`);
  const bottoms = await page.$$eval('.panel .u-over', (o) => o.map((e) => e.getBoundingClientRect().bottom));
  assert.ok(bottoms.filter((b) => b <= 768).length >= 3, `panels end at ${bottoms}`);
  const title = await page.locator('#columns-body td.label').nth(4).getAttribute('title');
  assert.match(title, /^Beacon distance \[m\]\n/);
  await page.screenshot({ path: join(outDir, 'e2e-laptop.png') });
  await page.click('#stops');
  assert.ok((await page.locator('#report-table').count()) === 1);
  await page.click('#report-fold');
  assert.equal(await page.locator('#report-table').isVisible(), false);
  await page.close();
});

test('event marks at the panels edges are whole, and sit below the traces', async () => {
  const page = await openPage();
  await load(page, join(fixtures, 'Log_261209-204603.csv'));
  // The first row's events (INITIALIZE, VEHICLE) at the left edge, in every panel.
  const marks = await page.evaluate(() =>
    window.cablogViewer.plots.map((u) => {
      const r = devicePixelRatio;
      const { left, top, height } = u.bbox;
      // The strip below the plotting area, from its left edge, 12 CSS pixels wide.
      const strip = u.ctx.getImageData(left - 6 * r, top + height + 2 * r, 18 * r, 10 * r);
      let inked = 0;
      let outside = 0;
      for (let i = 0; i < strip.data.length; i += 4) {
        const x = (i / 4) % strip.width;
        const ink = strip.data[i + 3] > 128 && strip.data[i] + strip.data[i + 1] + strip.data[i + 2] < 600;
        if (ink && x >= 6 * r) inked++;
        if (ink && x < 6 * r - 1) outside++;
      }
      return { inked, outside };
    }),
  );
  for (const [p, m] of marks.entries()) {
    assert.ok(m.inked > 20, `panel ${p + 1}: a mark at the left edge (${m.inked} px)`);
    assert.equal(m.outside, 0, `panel ${p + 1}: nothing left of the plotting area`);
  }
  await page.close();
});

test('nothing went wrong on the pages', () => {
  assert.deepEqual(problems, []);
});
