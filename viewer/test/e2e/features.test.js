// Comparing runs, the stop report, following a growing log and labels in
// other code pages, in the built page opened from disk.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { mkdtempSync, readFileSync, rmSync, writeFileSync, appendFileSync, mkdirSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { launch, followByDrop } from './browser.js';

const here = dirname(fileURLToPath(import.meta.url));
const fixtures = resolve(here, '..', 'fixtures');
const pageFile = resolve(
  process.env.CABLOG_VIEWER_HTML || join(here, '..', '..', '..', 'build', 'viewer', 'cablog-viewer-test.html'),
);
const outDir = dirname(pageFile);
const pageUrl = pathToFileURL(pageFile).href;

let browser;
let scratch;
const problems = [];

before(async () => {
  scratch = mkdtempSync(join(tmpdir(), 'cablog-e2e-'));
  browser = await launch(join(scratch, 'profile'));
  mkdirSync(outDir, { recursive: true });
});

after(async () => {
  await browser?.close();
  if (scratch) rmSync(scratch, { recursive: true, force: true });
});

async function openPage() {
  const page = await browser.newPage();
  page.on('console', (m) => {
    if (m.type() === 'error' || m.type() === 'warning') problems.push(`console ${m.type()}: ${m.text()}`);
  });
  page.on('pageerror', (e) => problems.push(`page error: ${e.message}`));
  await page.goto(pageUrl);
  await page.waitForFunction(() => document.body.dataset.state === 'idle');
  return page;
}

async function load(page, files) {
  await page.setInputFiles('#file', files);
  await page.waitForFunction(() => ['ready', 'error', 'empty'].includes(document.body.dataset.state), null, {
    timeout: 60000,
  });
  return page.evaluate(() => document.body.dataset.state);
}

const pad = (n) => String(n).padStart(2, '0');
const clock = (s) =>
  `10:${pad(Math.floor(s / 60))}:${pad(Math.floor(s % 60))}.${String(Math.round((s % 1) * 1000)).padStart(3, '0')}`;

// A run from rest to rest over 600 m: 10 s of acceleration to 10 m/s,
// cruising, braking at 1 m/s² to a stop, a row a second. `stretch` makes
// the same run that much slower everywhere.
function runLog(stretch) {
  const lines = ['Clock,Location [m],Speed [km/h],Brake notch,BC [kPa],'];
  const at = (t) => {
    if (t <= 10) return [t * t * 0.5, t];
    if (t <= 60) return [50 + (t - 10) * 10, 10];
    const b = Math.min(t - 60, 10);
    return [550 + 10 * b - 0.5 * b * b, 10 - b];
  };
  for (let i = 0; i <= 75 * stretch; i++) {
    const t = i / stretch;
    const [loc, v] = at(t);
    const braking = t > 60;
    lines.push(
      `${clock(i)},${+loc.toFixed(3)},${+((v * 3.6) / stretch).toFixed(3)},${braking ? 3 : 0},${braking ? 300 : 0},`,
    );
  }
  return lines.join('\r\n') + '\r\n';
}

test('two runs compared: aligned by location with the time difference, or by time', async () => {
  const fast = join(scratch, 'run-fast.csv');
  const slow = join(scratch, 'run-slow.csv');
  writeFileSync(fast, runLog(1));
  writeFileSync(slow, runLog(1.25));
  const page = await openPage();
  assert.equal(await load(page, [fast, slow]), 'ready');
  assert.match(await page.locator('#runs').textContent(), /run-fast\.csv \(first run\).*run-slow\.csv/);
  const scene = () =>
    page.evaluate(() =>
      window.cablogViewer.scene.panels.map((p) => ({
        title: p.title,
        series: p.series.map((s) => ({ label: s.label, dash: s.dash, run: s.run })),
      })),
    );
  const panels = await scene();
  assert.equal(panels[0].title, 'Time difference [s]');
  // Same column, a shade and a dash per run.
  const speed = panels.find((p) => p.series.some((s) => /^Speed/.test(s.label))).series;
  assert.deepEqual(
    speed.map((s) => [s.run, s.dash.length > 0]),
    [
      [0, false],
      [1, true],
    ],
  );
  const colors = await page.evaluate(() =>
    window.cablogViewer.plots[1].series.slice(1).map((s) => s._stroke || s.stroke),
  );
  assert.equal(new Set(colors).size, 2);
  // The slow run takes a quarter longer to every location.
  const diff = await page.evaluate(() => {
    const s = window.cablogViewer.scene.panels[0].series[0];
    return [20, 40, 60].map((t) => [s.xs[t], s.column.values[t]]);
  });
  diff.forEach(([loc, d], k) => assert.ok(Math.abs(d - 5 * (k + 1)) < 0.3, `at ${loc} m: ${d} s`));
  // The readout at a location shows each run's own row there.
  const speedPanel = panels.indexOf(panels.find((p) => p.series.some((s) => /^Speed/.test(s.label))));
  const over = await page.locator('.panel').nth(speedPanel).locator('.u-over').boundingBox();
  const px = await page.evaluate((p) => window.cablogViewer.plots[p].valToPos(300, 'x'), speedPanel);
  await page.mouse.move(over.x + px, over.y + over.height / 2);
  const readout = await page.locator('.panel').nth(speedPanel).locator('.u-legend .u-value').allTextContents();
  assert.deepEqual(readout.slice(1), ['36', '28.8']);
  await page.screenshot({ path: join(outDir, 'e2e-compare.png'), fullPage: true });

  await page.selectOption('#align', 'time');
  const byTime = await scene();
  assert.ok(!byTime.some((p) => p.title), 'no time difference when aligned by time');
  const range = await page.evaluate(() => [
    window.cablogViewer.plots[0].scales.x.min,
    window.cablogViewer.plots[0].scales.x.max,
  ]);
  assert.deepEqual(range, [0, 93], 'the x range spans the longer run');
  await page.close();
});

test('the stop report: hand-worked numbers, zoom to a row, saved as CSV, corrected columns', async () => {
  const page = await openPage();
  assert.equal(await load(page, join(fixtures, 'stops.csv')), 'ready');
  await page.click('#stops');
  const rows = () =>
    page.$$eval('#report-table tbody tr', (trs) => trs.map((tr) => [...tr.cells].map((c) => c.textContent)));
  const table = await rows();
  assert.deepEqual(
    table.map((r) => r.join('|')),
    [
      'Leg 1|||||27.5|9.0|18.0|11.0|||',
      'Stop 1|10:00:10.000|127.5|3.0|10:00:13.000|||||127.0|0.5|3.60',
      'Leg 2|||||9.5|5.0|9.0|6.8|||',
      'Stop 2|10:00:18.000|137.0|1.0|(log ends)|||||134.0|3.0|4.50',
    ],
  );
  await page.screenshot({ path: join(outDir, 'e2e-report.png'), fullPage: true });

  // Clicking the first stop shows its braking and dwell (10:00:09 to 10:00:13) in every panel.
  await page.locator('#report-table tbody tr').nth(1).click();
  const ranges = await page.evaluate(() => window.cablogViewer.plots.map((u) => [u.scales.x.min, u.scales.x.max]));
  for (const [min, max] of ranges)
    assert.ok(min < 36009 && min > 36008 && max > 36013 && max < 36014, `${min}..${max}`);

  const [saved] = await Promise.all([page.waitForEvent('download'), page.click('#report-csv')]);
  assert.equal(saved.suggestedFilename(), 'stops-stops.csv');
  const csv = readFileSync(await saved.path(), 'utf8').split('\r\n');
  assert.equal(csv[2], 'Stop 1,10:00:10.000,127.5,3.0,10:00:13.000,,,,,127.0,0.5,3.60');

  // Without the brake column, braking begins where the slowing down does.
  await page.selectOption('#role-brake', '-1');
  assert.equal((await rows())[1][9], '120.0');
  await page.close();
});

test('a followed log: new rows appear, half-written ones wait, the view follows until zoomed', async () => {
  const file = join(scratch, 'Log_growing.csv');
  // At a standstill for the first rows, as a log begins.
  const row = (i) =>
    `${clock(i)},${i < 5 ? 100 : 100 + i * 5},${i < 5 ? 0 : +(18 + 10 * Math.sin(i / 20)).toFixed(2)},${i % 60 > 45 ? 3 : 0},`;
  writeFileSync(
    file,
    'Clock,Location [m],Speed [km/h],Brake notch,\r\n' + [0, 1, 2, 3, 4].map(row).join('\r\n') + '\r\n',
  );
  const page = await openPage();
  // A real drop of the file from disk gives the page a real file handle.
  await followByDrop(page, file);
  await page.waitForFunction(() => document.body.dataset.state === 'ready' && window.cablogViewer.log.rowCount === 5);
  assert.match(await page.locator('#fileinfo').textContent(), /Log_growing\.csv/);

  const rowCount = () => page.evaluate(() => window.cablogViewer.log.rowCount);
  const xRange = () =>
    page.evaluate(() => [window.cablogViewer.plots[0].scales.x.min, window.cablogViewer.plots[0].scales.x.max]);
  const waitRows = (n) => page.waitForFunction((n) => window.cablogViewer.log.rowCount === n, n, { timeout: 5000 });

  // Three rows and the first half of a fourth.
  appendFileSync(file, [5, 6, 7].map(row).join('\r\n') + '\r\n' + row(8).slice(0, 9));
  await waitRows(8);
  await page.waitForTimeout(1500);
  assert.equal(await rowCount(), 8, 'the half-written row is held back');
  appendFileSync(file, row(8).slice(9) + '\r\n' + row(9) + '\r\n');
  await waitRows(10);
  const loc = await page.evaluate(() => window.cablogViewer.log.columns[1].values[8]);
  assert.equal(loc, 140, 'the row written in two parts reads whole');
  assert.equal((await xRange())[1], 36009, 'the x range ends at the newest row');
  await page.screenshot({ path: join(outDir, 'e2e-follow-standstill.png'), fullPage: true });

  // Many rows: the range shows the newest five minutes.
  appendFileSync(file, Array.from({ length: 600 }, (_, k) => row(10 + k)).join('\r\n') + '\r\n');
  await waitRows(610);
  assert.deepEqual(await xRange(), [36000 + 609 - 300, 36000 + 609]);
  // The y ranges fit the rows now in view (the brake notch: 0 and 3), not the first rows.
  const brakeY = await page.evaluate(() => [
    window.cablogViewer.plots[2].scales.y.min,
    window.cablogViewer.plots[2].scales.y.max,
  ]);
  assert.ok(brakeY[0] <= 0 && brakeY[1] >= 3 && brakeY[1] < 4, `brake notch panel y range ${brakeY}`);
  await page.screenshot({ path: join(outDir, 'e2e-follow.png'), fullPage: true });

  // Zoomed by the user: new rows do not move the view; Reset zoom follows again.
  const box = await page.locator('.panel').nth(0).locator('.u-over').boundingBox();
  await page.mouse.move(box.x + box.width * 0.2, box.y + 20);
  await page.mouse.down();
  await page.mouse.move(box.x + box.width * 0.4, box.y + 20, { steps: 4 });
  await page.mouse.up();
  const zoomed = await xRange();
  appendFileSync(file, [610, 611].map(row).join('\r\n') + '\r\n');
  await waitRows(612);
  assert.deepEqual(await xRange(), zoomed);
  await page.click('#reset');
  assert.deepEqual(await xRange(), [36000 + 611 - 300, 36000 + 611]);
  // The speed is drawn as slopes, though the log began with only zeros: zoomed to a few
  // rows, the line passes halfway between two rows at their mean.
  await page.evaluate(() => window.cablogViewer.plots[0].setScale('x', { min: 36100, max: 36104 }));
  await page.waitForTimeout(100);
  const slope = await page.evaluate(() => {
    const u = window.cablogViewer.plots[0];
    const ys = window.cablogViewer.log.columns[2].values;
    const x = Math.round(u.valToPos(36100.5, 'x', true));
    const y = Math.round(u.valToPos((ys[100] + ys[101]) / 2, 'y', true));
    const img = u.ctx.getImageData(x - 2, y - 2, 5, 5).data;
    let n = 0;
    const c = u.series[1]._stroke || u.series[1].stroke;
    const want = [1, 3, 5].map((i) => parseInt(c.slice(i, i + 2), 16));
    for (let i = 0; i < img.length; i += 4)
      if (Math.abs(img[i] - want[0]) + Math.abs(img[i + 1] - want[1]) + Math.abs(img[i + 2] - want[2]) < 90) n++;
    return n;
  });
  assert.ok(slope > 0, 'slopes, not steps');
  await page.click('#reset');
  const times = await page.evaluate(() => window.cablogViewer.appendTimes.length);
  assert.ok(times >= 4, 'rows were appended, not the log reopened');
  await page.close();
});

test('without the File System Access API, Follow says so and offers the normal open', async () => {
  const page = await browser.newPage();
  await page.addInitScript(() => delete window.showOpenFilePicker);
  await page.goto(pageUrl);
  const [chooser] = await Promise.all([page.waitForEvent('filechooser'), page.click('#follow')]);
  assert.match(await page.locator('#message').textContent(), /cannot watch a file as it grows/);
  await chooser.setFiles(join(fixtures, 'stops.csv'));
  await page.waitForFunction(() => document.body.dataset.state === 'ready');
  await page.close();
});

test('labels in code page 932 and labels holding control bytes', async () => {
  const page = await openPage();
  assert.equal(await load(page, join(fixtures, 'labels-cp932.csv')), 'ready');
  const labels = () => page.$$eval('#columns-body td.label', (tds) => tds.map((td) => td.textContent));
  assert.deepEqual(await labels(), ['時刻', '位置 [m]', '速度 [km/h]', 'ブレーキ', 'BC [kPa]']);
  assert.match(await page.locator('#encoding option:checked').textContent(), /Auto: Shift_JIS/);
  // The speed comes first and the brake notch is drawn as steps.
  assert.equal(await page.evaluate(() => window.cablogViewer.view.panels[0][0]), 2);
  await page.selectOption('#encoding', 'windows-1252');
  assert.equal((await labels())[0], 'Žž\u008d\u008f');

  const nul = join(scratch, 'nul-label.csv');
  writeFileSync(nul, Buffer.from('Spe\0ed,A\rB,\r\n1,2,\r\n2,3,\r\n', 'latin1'));
  assert.equal(await load(page, nul), 'ready');
  assert.deepEqual(await labels(), ['Spe␀ed', 'A␍B']);
  await page.close();
});

test('nothing went wrong in the console', () => {
  assert.deepEqual(problems, []);
});
