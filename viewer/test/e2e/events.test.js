// Events on the timeline, the side-by-side stop report and the defects
// drivers met, on two fixture logs of one route in the events format.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { launch } from './browser.js';

const here = dirname(fileURLToPath(import.meta.url));
const fixtures = resolve(here, '..', 'fixtures');
const runA = join(fixtures, 'Log_261209-204603.csv');
const runB = join(fixtures, 'Log_261209-204603-2.csv');
const pageFile = resolve(
  process.env.CABLOG_VIEWER_HTML || join(here, '..', '..', '..', 'build', 'viewer', 'cablog-viewer-test.html'),
);
const outDir = dirname(pageFile);

let browser;
let scratch;
const problems = [];
before(async () => {
  scratch = mkdtempSync(join(tmpdir(), 'cablog-e2e-'));
  browser = await launch(join(scratch, 'profile'), { width: 1280, height: 900 });
});
after(async () => {
  await browser?.close();
  if (scratch) rmSync(scratch, { recursive: true, force: true });
});

async function open(files) {
  const page = await browser.newPage();
  page.on('pageerror', (e) => problems.push(e.message));
  page.on('console', (m) => m.type() === 'error' && problems.push(m.text()));
  await page.goto(pathToFileURL(pageFile).href);
  await page.setInputFiles('#file', files);
  await page.waitForFunction(() => document.body.dataset.state === 'ready');
  return page;
}

// Pixels of `color` in a small box around (x, y) of panel p's canvas (CSS pixels).
const colorNear = (page, p, x, y, color) =>
  page.evaluate(
    ({ p, x, y, color }) => {
      const u = window.cablogViewer.plots[p];
      const r = devicePixelRatio;
      const img = u.ctx.getImageData(Math.round(x * r) - 4, Math.round(y * r) - 4, 9, 9).data;
      const want = [1, 3, 5].map((i) => parseInt(color.slice(i, i + 2), 16));
      let n = 0;
      for (let i = 0; i < img.length; i += 4)
        if (Math.abs(img[i] - want[0]) + Math.abs(img[i + 1] - want[1]) + Math.abs(img[i + 2] - want[2]) < 40) n++;
      return n;
    },
    { p, x, y, color },
  );

test('events: marks on every panel, legend, hover, hiding, the list and zooming to an event', async () => {
  const page = await open(runA);
  const kinds = await page.$$eval('#event-kinds .kind', (b) => b.map((e) => e.dataset.kind));
  assert.deepEqual(kinds.slice(0, 4), ['SIGNAL', 'BEACON', 'DOOR_OPEN', 'DOOR_CLOSE']);
  // The first DOOR_OPEN (10:00:41) is marked below every panel, in its colour.
  const at = 36041;
  // Where the mark is: on the canvas, and over the plotting area (where the mouse goes).
  const markAt = (p) =>
    page.evaluate(
      ({ p, at }) => {
        const u = window.cablogViewer.plots[p];
        const r = devicePixelRatio;
        const y = (u.bbox.height + 7 * r) / r; // in the strip below the plotting area
        return { x: u.valToPos(at, 'x', true) / r, y: u.bbox.top / r + y, ox: u.valToPos(at, 'x'), oy: y };
      },
      { p, at },
    );
  const panels = await page.evaluate(() => window.cablogViewer.plots.length);
  for (let p = 0; p < panels; p++) {
    const { x, y } = await markAt(p);
    assert.ok((await colorNear(page, p, x, y, '#2ca02c')) > 5, `DOOR_OPEN mark in panel ${p + 1}`);
  }
  const { x, y, ox, oy } = await markAt(0);
  const over = await page.locator('.panel').nth(0).locator('.u-over').boundingBox();
  await page.mouse.move(over.x + ox + 2, over.y + oy - 20);
  assert.equal(await page.locator('.event-tip').first().textContent(), '10:00:41.000: DOOR_OPEN');
  // Hidden kinds leave no mark.
  await page.click('#event-kinds .kind[data-kind="DOOR_OPEN"]');
  assert.equal(await colorNear(page, 0, x, y, '#2ca02c'), 0);
  // The list, filtered by kind; "+N" said in words; a click zooms every panel to the event.
  assert.match(await page.locator('#event-list').textContent(), /SIGNAL BEACON.*\(\+2 more\)/);
  await page.selectOption('#event-filter', 'DOOR_OPEN');
  const items = page.locator('#event-list li');
  assert.deepEqual(await items.allTextContents(), ['10:00:41.000 DOOR_OPEN', '10:01:32.000 DOOR_OPEN']);
  assert.equal(await items.count(), 2);
  await items.nth(1).click();
  const ranges = await page.evaluate(() => window.cablogViewer.plots.map((u) => [u.scales.x.min, u.scales.x.max]));
  for (const [min, max] of ranges) assert.ok(min < 36092 && max > 36092 && max - min < 10, `${min}..${max}`);
  await page.click('#event-kinds .kind[data-kind="DOOR_OPEN"]');
  await page.click('#reset');
  await page.selectOption('#event-filter', '');
  const tip = await markAt(0);
  await page.mouse.move(over.x + tip.ox + 2, over.y + tip.oy - 20);
  await page.screenshot({ path: join(outDir, 'e2e-events.png'), fullPage: true });
  await page.close();
});

test('defaults: the location alone, a flat zero column gets a small range, hidden columns are said', async () => {
  const page = await open(runA);
  const view = await page.evaluate(() => window.cablogViewer.view.panels);
  // Location [m] and Beacon distance [m] share a unit but not a panel.
  assert.ok(
    view.some((p) => p.length === 1 && p[0] === 1),
    JSON.stringify(view),
  );
  const spare = view.findIndex((p) => p.includes(5));
  const [min, max] = await page.evaluate(
    (p) => [window.cablogViewer.plots[p].scales.y.min, window.cablogViewer.plots[p].scales.y.max],
    spare,
  );
  assert.ok(min <= 0 && max >= 0 && max - min <= 2, `all zeros: ${min}..${max}`);
  assert.equal(await page.locator('#unshown').count(), 0);
  await page.selectOption('select[data-column="5"]', '-1');
  assert.match(await page.locator('#unshown').textContent(), /^1 more column is not shown/);
  await page.click('#show-all');
  assert.ok((await page.evaluate(() => window.cablogViewer.view.panels)).some((p) => p.includes(5)));
  // Door events make the dwell, and the report says so; it fits the window.
  await page.click('#stops');
  assert.match(await page.locator('#report-measure').textContent(), /from DOOR_OPEN to DOOR_CLOSE/);
  const rows = await page.$$eval('#report-table tbody tr', (trs) =>
    trs.map((tr) => [...tr.cells].map((c) => c.textContent).join('|')),
  );
  assert.equal(rows[0], 'Start|||||10:00:02.000|10:00:04.000|||||||');
  assert.match(rows[2], /^Stop 1\|10:00:40\.000\|300\.0\|12\.0\|10:00:41\.000\|10:00:53\.000\|10:00:55\.000/);
  const fit = await page.evaluate(() => [
    document.querySelector('#report-table').getBoundingClientRect().right,
    innerWidth,
  ]);
  assert.ok(fit[0] <= fit[1], `table ends at ${fit[0]} of ${fit[1]} px`);
  await page.close();
});

test('two runs: names from the file names, stops side by side with targets, time difference in ms', async () => {
  const page = await open([runA, runB]);
  const names = await page.$$eval('.run-name', (i) => i.map((e) => e.value));
  assert.deepEqual(names, ['12-09 20:46:03', '12-09 20:46:03 #2']);
  await page.fill('.run-name >> nth=1', 'slow');
  await page.locator('.run-name').nth(1).dispatchEvent('change');
  assert.ok(
    (await page.evaluate(() => window.cablogViewer.scene.panels.flatMap((p) => p.series.map((s) => s.label)))).includes(
      'slow behind 12-09 20:46:03 [s]',
    ),
  );
  // The time difference reads in milliseconds with its unit.
  const over = await page.locator('.panel').nth(0).locator('.u-over').boundingBox();
  const px = await page.evaluate(() => window.cablogViewer.plots[0].valToPos(450, 'x'));
  await page.mouse.move(over.x + px, over.y + 20);
  assert.match(
    (await page.locator('.panel').nth(0).locator('.u-legend .u-value').allTextContents())[1],
    /^[+-]?\d+\.\d{3} s$/,
  );

  await page.click('#stops');
  await page.fill('#route', 'test line');
  await page.locator('#route').dispatchEvent('change');
  await page.fill('#targets', '300, 601');
  await page.locator('#targets').dispatchEvent('change');
  const table = await page.$$eval('#report-table tr', (trs) =>
    trs.map((tr) => [...tr.cells].map((c) => c.textContent)),
  );
  assert.deepEqual(table[0].slice(0, 5), [
    'Stop',
    '12-09 20:46:03: arrival [s]',
    '12-09 20:46:03: at [m]',
    '12-09 20:46:03: dwell [s]',
    '12-09 20:46:03: vs target',
  ]);
  assert.deepEqual(table[2], [
    'Stop 2',
    '87.0',
    '600.0',
    '12.0',
    '1.0 m short',
    '94.0',
    '602.5',
    '13.0',
    '+7.0',
    '+2.5',
    '+1.0',
    '1.5 m long',
  ]);
  await page.screenshot({ path: join(outDir, 'e2e-stops-compare.png'), fullPage: true });
  // The targets are kept for the route.
  await page.reload();
  await page.setInputFiles('#file', runA);
  await page.waitForFunction(() => document.body.dataset.state === 'ready');
  await page.click('#stops');
  assert.equal(await page.inputValue('#targets'), '300, 601');
  assert.match(await page.locator('#report-table tbody tr').nth(2).textContent(), /on target$/);
  await page.close();
});

test('nothing went wrong in the page', () => assert.deepEqual(problems, []));
