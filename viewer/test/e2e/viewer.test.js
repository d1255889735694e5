// The built page in a real browser: opened from disk, fed a log through the
// file picker and by drag and drop, driven with the mouse.
//
// CABLOG_LOG_FILE picks the log (default: the hand-written fixture);
// CABLOG_VIEWER_HTML the page's test build (default: build/viewer/cablog-viewer-test.html).
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { mkdtempSync, readFileSync, rmSync, writeFileSync, mkdirSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { basename, dirname, join, resolve } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { launch } from './browser.js';

const here = dirname(fileURLToPath(import.meta.url));
const repo = resolve(here, '..', '..', '..');
const fixture = resolve(here, '..', 'fixtures', 'drive.csv');
const logFile = resolve(process.env.CABLOG_LOG_FILE || fixture);
const pageFile = resolve(process.env.CABLOG_VIEWER_HTML || join(repo, 'build', 'viewer', 'cablog-viewer-test.html'));
const outDir = dirname(pageFile);
const pageUrl = pathToFileURL(pageFile).href;
const shippedUrl = pathToFileURL(pageFile.replace(/-test\.html$/, '.html')).href;

let browser;
let scratch;
const requests = [];
const problems = [];

before(async () => {
  scratch = mkdtempSync(join(tmpdir(), 'cablog-e2e-'));
  browser = await launch(join(scratch, 'profile'));
});

after(async () => {
  await browser?.close();
  if (scratch) rmSync(scratch, { recursive: true, force: true });
});

async function openPage(hash = '', url = pageUrl) {
  const page = await browser.newPage();
  page.on('request', (r) => requests.push(r.url()));
  page.on('console', (m) => {
    // The readback warning comes from this test's own pixel probe.
    if (m.type() === 'error' || (m.type() === 'warning' && !/willReadFrequently/.test(m.text()))) {
      problems.push(`console ${m.type()}: ${m.text()}`);
    }
  });
  page.on('pageerror', (e) => problems.push(`page error: ${e.message}`));
  await page.goto(url + hash);
  await page.waitForFunction(() => document.body.dataset.state === 'idle');
  return page;
}

async function load(page, file) {
  await page.setInputFiles('#file', file);
  await page.waitForFunction(() => ['ready', 'error', 'empty'].includes(document.body.dataset.state), null, {
    timeout: 60000,
  });
  return page.evaluate(() => document.body.dataset.state);
}

// Runs in the page: how many sampled points of a series have the series'
// colour drawn within a few pixels, and a checksum of the panel's canvas.
function inspectPanel({ panel, series }) {
  const u = window.cablogViewer.plots[panel];
  const { width, height } = u.ctx.canvas;
  const img = u.ctx.getImageData(0, 0, width, height).data;
  let hash = 2166136261;
  for (let i = 0; i < img.length; i += 4) hash = Math.imul(hash ^ (img[i] + 3 * img[i + 1] + 7 * img[i + 2]), 16777619);
  const result = { hash, hits: 0, tried: 0 };
  if (series == null) return result;
  const s = u.series[series];
  const color = typeof s.stroke === 'function' ? s.stroke(u, series) : s.stroke;
  const want = [1, 3, 5].map((i) => parseInt(color.slice(i, i + 2), 16));
  // Each series draws its own rows (runs compared have x values of their own).
  const { xs, column } = window.cablogViewer.scene.panels[panel].series[series - 1];
  const ys = column.values;
  const { min, max } = u.scales.x;
  const inRange = [];
  for (let i = 0; i < xs.length && inRange.length < 1e6; i++) if (xs[i] >= min && xs[i] <= max) inRange.push(i);
  const step = Math.max(1, Math.floor(inRange.length / 60));
  for (let k = 0; k < inRange.length; k += step) {
    const i = inRange[k];
    if (!Number.isFinite(ys[i])) continue;
    const px = Math.round(u.valToPos(xs[i], 'x', true));
    const py = Math.round(u.valToPos(ys[i], 'y', true));
    result.tried++;
    search: for (let dy = -3; dy <= 3; dy++) {
      for (let dx = -3; dx <= 3; dx++) {
        const x = px + dx;
        const y = py + dy;
        if (x < 0 || y < 0 || x >= width || y >= height) continue;
        const o = (y * width + x) * 4;
        if (Math.abs(img[o] - want[0]) + Math.abs(img[o + 1] - want[1]) + Math.abs(img[o + 2] - want[2]) < 90) {
          result.hits++;
          break search;
        }
      }
    }
  }
  return result;
}

const inspect = (page, panel, series = null) => page.evaluate(inspectPanel, { panel, series });

async function plotBox(page, panel) {
  return page.locator('.panel').nth(panel).locator('.u-over').boundingBox();
}

// The logged text of every cell, read the simple way.
function logCells(file) {
  const lines = readFileSync(file, 'latin1').split('\r\n');
  return lines.slice(1).map((l) => l.split(',').slice(0, -1));
}

test('the log opens and every panel draws its series', async () => {
  const page = await openPage();
  assert.equal(await load(page, logFile), 'ready');
  const panels = await page.evaluate(() => window.cablogViewer.view.panels.map((p) => p.length));
  assert.ok(panels.length > 0, 'at least one panel');
  assert.equal(await page.locator('.panel canvas').count(), panels.length);
  for (let p = 0; p < panels.length; p++) {
    for (let s = 1; s <= panels[p]; s++) {
      const { hits, tried } = await inspect(page, p, s);
      assert.ok(tried > 0 && hits / tried >= 0.9, `panel ${p + 1} series ${s}: line at ${hits} of ${tried} points`);
    }
  }
  mkdirSync(outDir, { recursive: true });
  await page.screenshot({ path: join(outDir, 'e2e-overview.png'), fullPage: true });
  await page.close();
});

test('the page users get, built beside the test build, draws the log and holds no test hook', async () => {
  const page = await openPage('', shippedUrl);
  assert.equal(await load(page, logFile), 'ready');
  assert.ok((await page.locator('.panel canvas').count()) > 0);
  assert.equal(await page.evaluate(() => typeof window.cablogViewer), 'undefined');
  await page.close();
});

test('the legend hides and shows a series, and the fragment remembers', async () => {
  const page = await openPage();
  await load(page, logFile);
  const before = await inspect(page, 0, 1);
  const entry = page.locator('.panel').nth(0).locator('.u-legend .u-series').nth(1);
  await entry.click();
  const hidden = await inspect(page, 0, 1);
  assert.notEqual(hidden.hash, before.hash, 'the drawing changed');
  const shows = await page.evaluate(() => window.cablogViewer.plots.map((u) => u.series.slice(1).map((s) => s.show)));
  assert.equal(shows[0][0], false);
  assert.ok(shows.slice(1).flat().every(Boolean), 'other panels keep their lines');
  assert.match(await page.evaluate(() => location.hash), /&off=\d+/);
  await entry.click();
  const shown = await inspect(page, 0, 1);
  assert.equal(shown.hash, before.hash, 'the same drawing as before');
  assert.doesNotMatch(await page.evaluate(() => location.hash), /off=/);
  await page.close();
});

test('dragging zooms every panel, double-click zooms out', async () => {
  const page = await openPage();
  await load(page, logFile);
  const count = await page.evaluate(() => window.cablogViewer.plots.length);
  const full = await page.evaluate(() => window.cablogViewer.plots.map((u) => [u.scales.x.min, u.scales.x.max]));
  const last = await inspect(page, count - 1);
  const box = await plotBox(page, 0);
  const y = box.y + box.height / 2;
  await page.mouse.move(box.x + box.width * 0.3, y);
  await page.mouse.down();
  await page.mouse.move(box.x + box.width * 0.6, y, { steps: 5 });
  await page.mouse.up();
  const zoomed = await page.evaluate(() => window.cablogViewer.plots.map((u) => [u.scales.x.min, u.scales.x.max]));
  for (const [min, max] of zoomed) {
    assert.deepEqual([min, max], zoomed[0], 'every panel shows the same x range');
    assert.ok(
      min > full[0][0] && max < full[0][1] && max - min < (full[0][1] - full[0][0]) * 0.4,
      `zoomed to ${min}..${max}`,
    );
  }
  assert.notEqual((await inspect(page, count - 1)).hash, last.hash, 'the last panel was redrawn zoomed');
  await page.mouse.dblclick(box.x + box.width / 2, y);
  const reset = await page.evaluate(() => window.cablogViewer.plots.map((u) => [u.scales.x.min, u.scales.x.max]));
  assert.deepEqual(reset, full);
  await page.close();
});

test('the readout shows the logged values of the row under the cursor', async (t) => {
  const page = await openPage();
  await load(page, logFile);
  const cells = logCells(logFile);
  // A row whose x differs from both neighbours, so the cursor can single it out.
  const row = await page.evaluate(() => {
    const xs = window.cablogViewer.xData;
    for (let r = Math.floor(xs.length * 0.4); r < xs.length - 1; r++)
      if (xs[r - 1] < xs[r] && xs[r] < xs[r + 1]) return r;
    return -1;
  });
  if (row < 0) {
    // Fewer than three rows, or x never changes from row to row.
    t.skip('no row of this log can be singled out by x');
    await page.close();
    return;
  }
  const xAt = (r) => page.evaluate((r) => window.cablogViewer.xData[r], r);
  const [x0, x, x1] = [await xAt(row - 1), await xAt(row), await xAt(row + 1)];

  // Zoom in by dragging around the row until its neighbours are far apart.
  const box = await plotBox(page, 0);
  const y = box.y + box.height / 2;
  const pos = (v) => page.evaluate((v) => window.cablogViewer.plots[0].valToPos(v, 'x'), v);
  for (let i = 0; i < 8 && (await pos(x1)) - (await pos(x0)) < 40; i++) {
    const px = box.x + (await pos(x));
    await page.mouse.move(px - 20, y);
    await page.mouse.down();
    await page.mouse.move(px + 20, y, { steps: 4 });
    await page.mouse.up();
  }
  await page.mouse.move(box.x + (await pos(x)), y);

  const shown = await page.evaluate(() =>
    window.cablogViewer.plots.map((u, p) => ({
      columns: window.cablogViewer.view.panels[p],
      values: [...u.root.querySelectorAll('.u-legend .u-series .u-value')].map((e) => e.textContent),
    })),
  );
  for (const { columns, values } of shown) {
    columns.forEach((c, i) => {
      const logged = cells[row][c];
      const text = values[i + 1];
      const what = `row ${row + 1}, column ${c + 1}: readout ${text}, logged ${JSON.stringify(logged)}`;
      if (logged === '') assert.equal(text, '–', what);
      else if (/^-?[\d.]+(e[+-]\d+)?$/.test(logged)) assert.ok(Object.is(Number(text), Number(logged)), what);
      else assert.equal(text, logged, what);
    });
  }
  mkdirSync(outDir, { recursive: true });
  await page.screenshot({ path: join(outDir, 'e2e-readout.png'), fullPage: true });
  await page.close();
});

test('the view is kept in the URL fragment', async () => {
  const page = await openPage();
  await load(page, logFile);
  const fragment = await page.evaluate(() => location.hash);
  assert.match(fragment, /^#x=(row|\d+)(&p=[\d,]+)+$/);
  const plottable = await page.evaluate(() => window.cablogViewer.view.panels.flat());

  // Move the first plotted column into a new panel from the column table.
  const c = plottable[0];
  await page.selectOption(`select[data-column="${c}"]`, { label: 'New panel' });
  const moved = await page.evaluate(() => window.cablogViewer.view.panels);
  assert.deepEqual(moved.at(-1), [c]);
  assert.ok((await page.evaluate(() => location.hash)).endsWith(`&p=${c + 1}`));

  // Row numbers on x, chosen from the page.
  await page.selectOption('#xaxis', 'row');
  assert.match(await page.evaluate(() => location.hash), /^#x=row&/);
  const xs = await page.evaluate(() => {
    const x = window.cablogViewer.plots[0].data[0];
    return [x[0], x[1], x[x.length - 1], window.cablogViewer.log.rowCount];
  });
  assert.deepEqual(xs.slice(0, 3), [1, 2, xs[3]]);

  // A shared link: row number on x, the first two columns in one panel.
  const pair = plottable.slice(0, 2);
  const shared = await openPage(`#x=row&p=${pair.map((c) => c + 1).join(',')}`);
  await load(shared, logFile);
  assert.equal(await shared.locator('#xaxis').inputValue(), 'row');
  assert.deepEqual(await shared.evaluate(() => window.cablogViewer.view.panels), [pair]);
  assert.equal(await shared.locator('.panel').count(), 1);
  assert.equal(await shared.locator('.panel .u-legend .u-series').count(), 1 + pair.length);
  await page.close();
  await shared.close();
});

test('a log dropped on the page opens', async () => {
  const page = await openPage();
  const bytes = [...readFileSync(fixture)];
  const transfer = await page.evaluateHandle(
    ({ bytes, name }) => {
      const dt = new DataTransfer();
      dt.items.add(new File([new Uint8Array(bytes)], name, { type: 'text/csv' }));
      return dt;
    },
    { bytes, name: basename(fixture) },
  );
  await page.dispatchEvent('body', 'dragenter', { dataTransfer: transfer });
  assert.equal(await page.locator('#drop').isVisible(), true);
  await page.dispatchEvent('body', 'drop', { dataTransfer: transfer });
  await page.waitForFunction(() => document.body.dataset.state === 'ready');
  assert.equal(await page.locator('#drop').isVisible(), false);
  assert.match(await page.locator('#fileinfo').textContent(), /drive\.csv: \d+ rows/);
  await page.close();
});

test('the chart is saved as a PNG', async () => {
  const page = await openPage();
  await load(page, logFile);
  const [download] = await Promise.all([page.waitForEvent('download'), page.click('#save')]);
  assert.equal(download.suggestedFilename(), basename(logFile).replace(/\.[^.]*$/, '') + '.png');
  const path = join(outDir, 'e2e-chart.png');
  await download.saveAs(path);
  const png = readFileSync(path);
  assert.deepEqual([...png.subarray(0, 8)], [0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]);
  const [w, h] = [png.readUInt32BE(16), png.readUInt32BE(20)];
  const canvases = await page.evaluate(() =>
    window.cablogViewer.plots.map((u) => [u.ctx.canvas.width, u.ctx.canvas.height]),
  );
  assert.equal(w, Math.max(...canvases.map((c) => c[0])));
  assert.ok(h > canvases.reduce((s, c) => s + c[1], 0), `PNG ${w}x${h} holds every panel`);
  await page.close();
});

test('files that are not logs get a message on the page', async (t) => {
  const cases = [
    ['empty.csv', '', /empty\.csv: The file is empty/],
    [
      'export.csv',
      'time;speed\r\n1;2\r\n',
      /export\.csv: This file is not a cablog log: its first line does not end in a comma/,
    ],
    ['words.csv', 'A,\r\n1,\r\nhello,\r\n', /line 3, column "A": "hello" is not a number/],
    ['picture.png', '\x89PNG\r\n\x1a\n\0\0\0\rIHDR', /not a cablog log: it contains binary data/],
  ];
  const page = await openPage();
  // After a good log, to see the old chart go away.
  await load(page, fixture);
  for (const [name, content, message] of cases) {
    await t.test(name, async () => {
      const file = join(scratch, name);
      writeFileSync(file, content, 'latin1');
      assert.equal(await load(page, file), 'error');
      const box = page.locator('#message');
      assert.equal(await box.isVisible(), true);
      assert.match(await box.textContent(), message);
      assert.equal(await page.locator('.panel').count(), 0);
      assert.equal(await page.locator('#columns').isVisible(), false);
    });
  }
  await t.test('headings only: said so with the likely cause, no empty chart', async () => {
    const file = join(scratch, 'header-only.csv');
    writeFileSync(file, 'Clock,Speed,\r\n');
    assert.equal(await load(page, file), 'empty');
    assert.match(await page.locator('#message').textContent(), /headings but no rows.*Flush=0.*crashed.*Flush=1/);
    assert.equal(await page.locator('.panel').count(), 0);
  });
  await page.close();
});

test('nothing was fetched and nothing went wrong in the console', () => {
  const foreign = requests.filter(
    (u) =>
      ![pageUrl, shippedUrl].some((p) => u === p || u.startsWith(p + '#')) &&
      !u.startsWith('blob:') &&
      !u.startsWith('data:'),
  );
  assert.deepEqual(foreign, []);
  assert.deepEqual(problems, []);
});
