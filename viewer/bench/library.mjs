// How long a library of runs takes to summarise in headless Chromium: 500
// logs of one hour at one row a second (3,600 rows, 20 columns each),
// chosen at once, read and summarised in the page's workers. Also reports
// the longest gap between animation frames meanwhile, to show the page
// kept responding. A measurement to read, not a test.
//
//   node bench/library.mjs [COUNT [ROWS]]     (default 500 logs of 3,600 rows)
//
// Target: 500 one-hour logs summarised in 20 s or less.
import { execFileSync } from 'node:child_process';
import { existsSync, linkSync, mkdirSync, mkdtempSync, readdirSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { launch } from '../test/e2e/browser.js';

const here = dirname(fileURLToPath(import.meta.url));
const buildDir = resolve(here, '..', '..', 'build', 'viewer');
const page = pathToFileURL(process.env.CABLOG_VIEWER_HTML || join(buildDir, 'cablog-viewer.html')).href;
const count = Number(process.argv[2] || 500);
const rows = Number(process.argv[3] || 3600);

// One generated hour, linked under as many log names: the page reads every
// file whole, and the disk holds one copy.
const folder = join(buildDir, `bench-library-${count}x${rows}`);
if (!existsSync(folder) || readdirSync(folder).length < count) {
  mkdirSync(folder, { recursive: true });
  const one = join(buildDir, `bench-hour-${rows}.csv`);
  if (!existsSync(one)) execFileSync('node', [join(here, 'make-log.mjs'), one, String(rows)], { stdio: 'inherit' });
  for (let i = 0; i < count; i++) {
    const day = String(1 + Math.floor(i / 24)).padStart(2, '0');
    const name = join(
      folder,
      `Log_26${String(1 + Math.floor(i / 720)).padStart(2, '0')}${day}-${String(i % 24).padStart(2, '0')}0000.csv`,
    );
    if (!existsSync(name)) linkSync(one, name);
  }
}
const files = readdirSync(folder).map((f) => join(folder, f));

const profile = mkdtempSync(join(tmpdir(), 'cablog-bench-'));
const browser = await launch(profile, { width: 1600, height: 1000 });
try {
  const tab = await browser.newPage();
  await tab.goto(page);
  await tab.waitForFunction(() => document.body.dataset.state === 'idle');
  // The longest wait between two frames while the runs are read.
  await tab.evaluate(() => {
    window.frameGap = 0;
    let last = performance.now();
    const tick = (now) => {
      window.frameGap = Math.max(window.frameGap, now - last);
      last = now;
      if (document.body.dataset.library !== 'ready') requestAnimationFrame(tick);
    };
    requestAnimationFrame(tick);
  });
  const t0 = Date.now();
  await tab.setInputFiles('#library-files', files);
  await tab.waitForFunction(() => document.body.dataset.library === 'ready', null, { timeout: 600000, polling: 50 });
  const wall = (Date.now() - t0) / 1000;
  const { shown, gap, workers } = await tab.evaluate(() => ({
    shown: document.querySelectorAll('#library-table tbody tr').length,
    gap: window.frameGap,
    workers: document.body.dataset.libraryWorkers,
  }));
  console.log(
    `${files.length} logs of ${rows} rows summarised and shown (${shown} rows in the table) in ${wall.toFixed(2)} s ` +
      `(target 20 s) by ${workers} worker(s); longest gap between frames ${gap.toFixed(0)} ms`,
  );
} finally {
  await browser.close();
  rmSync(profile, { recursive: true, force: true });
}
