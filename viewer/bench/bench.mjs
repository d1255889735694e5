// How long a big log takes to open and draw in headless Chromium, how long
// a zoom step takes to redraw, how long two big logs take to compare, and
// how long a followed big log takes to show 60 new rows. A measurement to
// read, not a test: it prints figures against the targets and fails only
// if the page does not come up.
//
//   node bench/bench.mjs [LOG.csv [OTHER.csv]]   (default: generated 1M x 20 logs)
//
// Targets: open and draw 1M x 20 in under 2 s; two 1M-row logs compared
// by location in under 5 s; 60 rows appended to a followed 1M-row log
// drawn in under 16 ms.
import {
  appendFileSync,
  copyFileSync,
  existsSync,
  mkdtempSync,
  readFileSync,
  rmSync,
  statSync,
  openSync,
  readSync,
  fstatSync,
  closeSync,
} from 'node:fs';
import { execFileSync } from 'node:child_process';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { launch, followByDrop } from '../test/e2e/browser.js';

const here = dirname(fileURLToPath(import.meta.url));
const buildDir = resolve(here, '..', '..', 'build', 'viewer');
const page = pathToFileURL(process.env.CABLOG_VIEWER_HTML || join(buildDir, 'cablog-viewer-test.html')).href;
function generated(name, factor) {
  const file = join(buildDir, name);
  if (!existsSync(file))
    execFileSync('node', [join(here, 'make-log.mjs'), file, '1000000', factor], { stdio: 'inherit' });
  return file;
}
const log = resolve(process.argv[2] || generated('bench-1M.csv', '1'));
const other = resolve(process.argv[3] || generated('bench-1M-b.csv', '0.95'));

const profile = mkdtempSync(join(tmpdir(), 'cablog-bench-'));
const browser = await launch(profile, { width: 1600, height: 1000 });

async function open(hash, files = log) {
  const tab = await browser.newPage();
  await tab.goto(page + hash);
  await tab.waitForFunction(() => document.body.dataset.state === 'idle');
  const t0 = Date.now();
  await tab.setInputFiles('#file', files);
  await tab.waitForFunction(() => ['ready', 'error', 'empty'].includes(document.body.dataset.state), null, {
    timeout: 120000,
    polling: 20,
  });
  const wall = Date.now() - t0;
  const info = await tab.evaluate(() => ({
    state: document.body.dataset.state,
    message: document.getElementById('message').textContent,
    rows: window.cablogViewer.log?.rowCount,
    columns: window.cablogViewer.log?.columns.length,
    series: window.cablogViewer.view?.panels.flat().length,
    panels: window.cablogViewer.view?.panels.length,
    times: window.cablogViewer.loadTimes,
  }));
  if (info.state !== 'ready') throw new Error(`the log did not open: ${info.message}`);
  return { tab, wall, ...info };
}

// Zooms in step by step towards the middle and back out. Each step is
// timed from the scale change to all panels drawn (uPlot draws in a
// microtask, so a zero-delay task after it sees the work done), and the
// frame interval shows what a person would see while zooming.
function zoomRun() {
  const plots = window.cablogViewer.plots;
  const xs = window.cablogViewer.xData;
  const lo = xs[0];
  const hi = xs[xs.length - 1];
  const mid = (lo + hi) / 2;
  const halves = [];
  for (let i = 0; i <= 30; i++) halves.push((hi - lo) / 2 / Math.pow(1.35, i));
  for (let i = 29; i >= 0; i--) halves.push((hi - lo) / 2 / Math.pow(1.35, i));
  const channel = new MessageChannel();
  const task = () =>
    new Promise((r) => {
      channel.port1.onmessage = r;
      channel.port2.postMessage(0);
    });
  const frame = () => new Promise((r) => requestAnimationFrame(r));
  return (async () => {
    const draws = [];
    const frames = [];
    await frame();
    let last = performance.now();
    for (const half of halves) {
      const t = performance.now();
      plots[0].setScale('x', { min: mid - half, max: mid + half });
      await task();
      draws.push(performance.now() - t);
      await frame();
      const now = performance.now();
      frames.push(now - last);
      last = now;
    }
    return { draws, frames };
  })();
}

const stat = (a) => {
  const s = [...a].sort((x, y) => x - y);
  return `median ${s[Math.floor(s.length / 2)].toFixed(1)} ms, p90 ${s[Math.floor(s.length * 0.9)].toFixed(1)} ms, max ${s[s.length - 1].toFixed(1)} ms`;
};

const mb = (statSync(log).size / 1e6).toFixed(0);
console.log(`log: ${log} (${mb} MB)`);
const views = [
  ['default view', ''],
  ['every column', '#x=1&p=2,3,4&p=5,6,7,8,9&p=10,11&p=12,13,14,15,16&p=17,18,19,20'],
];
for (const [name, hash] of views) {
  const r = await open(hash);
  const t = r.times;
  console.log(
    `${name}: ${r.rows} rows x ${r.columns} columns, ${r.series} series in ${r.panels} panels: ` +
      `opened and drawn in ${(t.total / 1000).toFixed(2)} s (target 2 s; ` +
      `file read and parsed ${t.read.toFixed(0)} ms, charts ${(t.total - t.read).toFixed(0)} ms; ` +
      `${(r.wall / 1000).toFixed(2)} s from file chosen to ready, seen from outside)`,
  );
  const z = await r.tab.evaluate(zoomRun);
  console.log(`  zoom step, all panels redrawn: ${stat(z.draws)} (${z.draws.length} steps)`);
  console.log(`  frame interval while zooming: ${stat(z.frames)}`);
  if (process.env.BENCH_STEPS) console.log(z.draws.map((d) => d.toFixed(0)).join(' '));
  await r.tab.close();
}

{
  const r = await open('', [log, other]);
  const runs = await r.tab.evaluate(() => [window.cablogViewer.runs.length, window.cablogViewer.scene.panels[0].title]);
  console.log(
    `compare two logs by location: ${runs[0]} runs, first panel "${runs[1]}": ` +
      `opened, aligned and drawn in ${(r.times.total / 1000).toFixed(2)} s (target 5 s; ` +
      `${(r.wall / 1000).toFixed(2)} s from files chosen to ready, seen from outside)`,
  );
  const z = await r.tab.evaluate(zoomRun);
  console.log(`  zoom step, all panels redrawn: ${stat(z.draws)}`);
  await r.tab.close();
}

// The last line of a log, for making more rows like it.
function lastLine(file) {
  const fd = openSync(file, 'r');
  const size = fstatSync(fd).size;
  const buf = Buffer.alloc(Math.min(size, 4096));
  readSync(fd, buf, 0, buf.length, size - buf.length);
  closeSync(fd);
  return buf.toString('latin1').trimEnd().split('\r\n').at(-1);
}

{
  // Follow a copy of the log, dropped on the page as a real file, and append 60 rows a second.
  const file = join(profile, 'Log_followed.csv');
  copyFileSync(log, file);
  const cells = lastLine(file).split(',');
  const [h, m, sec] = cells[0].split(':').map(Number);
  let clock = (h * 3600 + m * 60 + sec) * 1000;
  let ms = Number(cells[3]);
  let loc = Number(cells[1]);
  const pad = (n, w = 2) => String(n).padStart(w, '0');
  const rows = (n) => {
    const out = [];
    for (let i = 0; i < n; i++) {
      clock += 1000;
      ms += 1000;
      loc += 20;
      const c = [...cells];
      c[0] = `${pad(Math.floor(clock / 3600000))}:${pad(Math.floor(clock / 60000) % 60)}:${pad(Math.floor(clock / 1000) % 60)}.${pad(clock % 1000, 3)}`;
      c[1] = String(loc);
      c[3] = String(ms);
      out.push(c.join(','));
    }
    return out.join('\r\n') + '\r\n';
  };
  const tab = await browser.newPage();
  await tab.goto(page);
  await tab.waitForFunction(() => document.body.dataset.state === 'idle');
  await followByDrop(tab, file);
  await tab.waitForFunction(() => document.body.dataset.state === 'ready', null, { timeout: 120000 });
  const start = await tab.evaluate(() => window.cablogViewer.log.rowCount);
  const appends = 15;
  for (let k = 1; k <= appends; k++) {
    appendFileSync(file, rows(60));
    await tab.waitForFunction((n) => window.cablogViewer.appendTimes.length >= n, k, { timeout: 10000 });
  }
  const times = await tab.evaluate(() => window.cablogViewer.appendTimes);
  const end = await tab.evaluate(() => window.cablogViewer.log.rowCount);
  console.log(
    `follow a ${start}-row log, 60 rows appended ${appends} times (${end} rows at the end): ` +
      `new rows read, added and drawn in ${stat(times.map((t) => t.ms))} (target 16 ms)`,
  );
  await tab.close();
}
await browser.close();
rmSync(profile, { recursive: true, force: true });
