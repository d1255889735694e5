// The debrief on the page: a route file beside a log gives the findings
// the engine gives, listed with their severity and drawn as bands on every
// panel; a click zooms to one; the printed debrief is one page; a folder
// of runs becomes a table with a trend. Screenshots at 1366x768 and
// 1920x1080 land in build/viewer/ (e2e-debrief-*.png).
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { copyFileSync, mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { launch } from './browser.js';
import { parseLog } from '../../src/parse.js';
import { parseRoute } from '../../src/route-file.js';
import { findingsOf } from '../../src/findings.js';

const here = dirname(fileURLToPath(import.meta.url));
const runA = resolve(here, '..', 'fixtures', 'Log_261209-204603.csv');
const runB = resolve(here, '..', 'fixtures', 'Log_261209-204603-2.csv');
const pageFile = resolve(
  process.env.CABLOG_VIEWER_HTML || join(here, '..', '..', '..', 'build', 'viewer', 'cablog-viewer.html'),
);
const outDir = dirname(pageFile);
const ROUTE = 'at 0 limit 50\nat 250 limit 40\nat 300 station A\nat 450 signal\nat 600 station B\n';

let browser;
let scratch;
const problems = [];
before(async () => {
  scratch = mkdtempSync(join(tmpdir(), 'cablog-e2e-'));
  browser = await launch(join(scratch, 'profile'), { width: 1366, height: 768 });
  writeFileSync(join(scratch, 'route.txt'), ROUTE);
});
after(async () => {
  await browser?.close();
  if (scratch) rmSync(scratch, { recursive: true, force: true });
  assert.deepEqual(problems, []);
});

async function page() {
  const tab = await browser.newPage();
  tab.on('pageerror', (e) => problems.push(e.message));
  tab.on('console', (m) => m.type() === 'error' && problems.push(m.text()));
  await tab.goto(pathToFileURL(pageFile).href);
  return tab;
}

// Per panel, how many pixels along the top of its plot show a severity's colour.
const bandPixels = (tab) =>
  tab.$$eval('#panels .panel', (panels) =>
    panels.map((panel) => {
      const canvas = panel.querySelector('canvas');
      const over = panel.querySelector('.u-over').getBoundingClientRect();
      const box = canvas.getBoundingClientRect();
      const r = canvas.width / box.width;
      const y = Math.round((over.top - box.top + 1) * r);
      const row = canvas.getContext('2d').getImageData(0, y, canvas.width, 1).data;
      let n = 0;
      for (let i = 0; i < row.length; i += 4) if (row[i] > 180 && row[i + 1] < 80 && row[i + 2] < 80) n++;
      return { n, width: Math.round((over.width - 2) * r) };
    }),
  );

test('a route file beside a log: findings listed as the engine gives them, bands, zoom and the printed page', async () => {
  const tab = await page();
  await tab.setInputFiles('#file', runA);
  await tab.waitForFunction(() => document.body.dataset.state === 'ready');
  await tab.setInputFiles('#route-file', join(scratch, 'route.txt'));
  await tab.waitForFunction(() => document.querySelector('.findings-head')?.textContent.includes('route.txt'));
  const engine = findingsOf(parseLog(readFileSync(runA)), { route: parseRoute(ROUTE) }).findings;
  const listed = await tab.$$eval('#finding-list li', (li) => li.map((e) => e.textContent.slice(1).trim()));
  assert.deepEqual(
    listed,
    engine.map((f) => f.text),
  );
  const marks = await tab.$$eval('#finding-list .sev', (s) => s.map((e) => [e.textContent, e.title]));
  assert.deepEqual(
    marks,
    engine.map((f) => [['●', '▲', '■'][f.severity - 1], ['note', 'warning', 'serious'][f.severity - 1]]),
  );
  assert.match(await tab.textContent('#finding-counts'), /overspeed■ 2/);
  const bands = await bandPixels(tab);
  assert.ok(bands.length > 1 && bands.every((b) => b.n > 0), JSON.stringify(bands));
  await tab.screenshot({ path: join(outDir, 'e2e-debrief-1366.png') });
  await tab.setViewportSize({ width: 1920, height: 1080 });
  await tab.waitForTimeout(300);
  await tab.screenshot({ path: join(outDir, 'e2e-debrief-1920.png') });

  // The serious overspeed fills most of the width once clicked.
  await tab.click('#finding-list li[data-severity="3"]');
  await tab.waitForTimeout(100);
  const zoomed = await bandPixels(tab);
  assert.ok(zoomed[0].n > zoomed[0].width * 0.8, JSON.stringify(zoomed));

  await tab.evaluate(() => (window.print = () => {}));
  await tab.click('#print');
  await tab.emulateMedia({ media: 'print' });
  assert.ok(await tab.isVisible('#print-sheet .speed-chart .limit'));
  assert.equal(await tab.locator('#print-sheet .sheet-findings li').count(), engine.length);
  const pdf = (await tab.pdf({ format: 'A4', printBackground: true })).toString('latin1');
  assert.equal(pdf.match(/\/Type\s*\/Page\b/g).length, 1, 'the debrief fits one page');
  await tab.setViewportSize({ width: 794, height: 1123 });
  await tab.screenshot({ path: join(outDir, 'e2e-debrief-print.png') });
  await tab.close();
});

test('a folder of runs: the table, sorting, filtering, CSV, the trend, and a run opened from it', async () => {
  const folder = join(scratch, 'runs');
  mkdirSync(folder);
  const names = ['Log_261201-080000.csv', 'Log_261202-080000.csv', 'Log_261203-080000.csv', 'Log_261204-080000.csv'];
  names.forEach((name, i) => copyFileSync(i % 2 ? runB : runA, join(folder, name)));
  writeFileSync(join(folder, 'notes.csv'), 'not,a,log\n');
  const tab = await page();
  await tab.setInputFiles('#route-file', join(scratch, 'route.txt'));
  await tab.setInputFiles('#library-folder', folder);
  await tab.waitForFunction(() => document.body.dataset.library === 'ready');
  const rows = () => tab.$$eval('#library-table tbody tr', (tr) => tr.map((r) => r.cells[0].textContent));
  assert.deepEqual(await rows(), names);
  assert.match(await tab.textContent('#library-errors'), /notes\.csv/);
  assert.equal(await tab.locator('#library-trend circle').count(), names.length);
  assert.ok((await tab.locator('#library-trend rect').count()) >= names.length);
  await tab.click('#library-table th:has-text("Serious")');
  await tab.click('#library-table th:has-text("Serious")');
  assert.deepEqual((await rows()).slice(0, 2), [names[0], names[2]]);
  await tab.fill('#library-filter', '12-04');
  assert.deepEqual(await rows(), [names[3]]);
  const [download] = await Promise.all([tab.waitForEvent('download'), tab.click('#library-csv')]);
  const csv = readFileSync(await download.path(), 'utf8');
  assert.match(csv, /^Log,Date and time,.*\r\nLog_261204-080000\.csv,2026-12-04 08:00:00,/);
  await tab.screenshot({ path: join(outDir, 'e2e-library-1366.png') });
  await tab.click('#library-table tbody tr');
  await tab.waitForFunction(() => document.body.dataset.state === 'ready');
  assert.match(await tab.textContent('#fileinfo'), /Log_261204-080000\.csv/);
  await tab.close();
});

test("comparing runs: each run's findings side by side, the route's stations as the stop targets", async () => {
  const tab = await page();
  await tab.setInputFiles('#file', [runA, runB]);
  await tab.waitForFunction(() => document.body.dataset.state === 'ready');
  await tab.setInputFiles('#route-file', join(scratch, 'route.txt'));
  await tab.waitForFunction(() => document.querySelector('.findings-head')?.textContent.includes('route.txt'));
  const heads = await tab.$$eval('#finding-counts thead th', (th) => th.map((e) => e.textContent));
  assert.deepEqual(heads, ['', '12-09 20:46:03', '12-09 20:46:03 #2']);
  await tab.click('#stops');
  assert.match(await tab.textContent('#route-targets'), /route\.txt: 300, 600$/);
  const report = await tab.textContent('#report-table');
  assert.ok(report.includes('on target') && report.includes('2.5 m long'), report);
  await tab.screenshot({ path: join(outDir, 'e2e-debrief-compare.png') });
  await tab.close();
});
