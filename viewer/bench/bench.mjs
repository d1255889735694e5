// How long a big log takes to open and draw in headless Chromium, and how
// long a zoom step takes to redraw. A measurement to read, not a test: it
// prints figures and fails only if the page does not come up.
//
//   node bench/bench.mjs [LOG.csv]     (default: a generated 1M x 20 log)
import { existsSync, mkdtempSync, rmSync, statSync } from 'node:fs';
import { execFileSync } from 'node:child_process';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { launch } from '../test/e2e/browser.js';

const here = dirname(fileURLToPath(import.meta.url));
const buildDir = resolve(here, '..', '..', 'build', 'viewer');
const page = pathToFileURL(join(buildDir, 'cablog-viewer.html')).href;
let log = process.argv[2];
if (!log) {
  log = join(buildDir, 'bench-1M.csv');
  if (!existsSync(log)) execFileSync('node', [join(here, 'make-log.mjs'), log, '1000000'], { stdio: 'inherit' });
}
log = resolve(log);

const profile = mkdtempSync(join(tmpdir(), 'cablog-bench-'));
const browser = await launch(profile, { width: 1600, height: 1000 });

async function open(hash) {
  const tab = await browser.newPage();
  await tab.goto(page + hash);
  await tab.waitForFunction(() => document.body.dataset.state === 'idle');
  const t0 = Date.now();
  await tab.setInputFiles('#file', log);
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
      `opened and drawn in ${(t.total / 1000).toFixed(2)} s ` +
      `(file read ${t.read.toFixed(0)} ms, parse ${t.parse.toFixed(0)} ms, charts ${(t.total - t.read - t.parse).toFixed(0)} ms; ` +
      `${(r.wall / 1000).toFixed(2)} s from file chosen to ready, seen from outside)`,
  );
  const z = await r.tab.evaluate(zoomRun);
  console.log(`  zoom step, all panels redrawn: ${stat(z.draws)} (${z.draws.length} steps)`);
  console.log(`  frame interval while zooming: ${stat(z.frames)}`);
  if (process.env.BENCH_STEPS) console.log(z.draws.map((d) => d.toFixed(0)).join(' '));
  await r.tab.close();
}
await browser.close();
rmSync(profile, { recursive: true, force: true });
