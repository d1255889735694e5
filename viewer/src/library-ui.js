// The library of runs on the page: many logs chosen at once (files or a
// folder), summarised in workers with a progress bar, as a table that
// sorts, filters, saves as CSV and opens a run on a click, and the trend
// across the runs.
import { $, el, download } from './dom.js';
import { RUN_COLUMNS, runCells, runsCsv } from './run-summary.js';
import { summariseFiles, sortRuns, filterRuns, trend } from './library.js';
import { trendSvg } from './svg-charts.js';

// Two cores are the least a machine has now; more than four workers buys
// little, since reading the files is shared.
const WORKERS = () => Math.max(1, Math.min(4, navigator.hardwareConcurrency || 2));

function startWorker() {
  // eslint-disable-next-line no-undef
  if (typeof LIBRARY_WORKER_SOURCE !== 'string') return null;
  try {
    // eslint-disable-next-line no-undef
    return new Worker(URL.createObjectURL(new Blob([LIBRARY_WORKER_SOURCE], { type: 'text/javascript' })));
  } catch {
    return null; // a browser that refuses workers here: the page does the work
  }
}

/**
 * Summaries of `files`, in workers where the browser allows them, else on
 * the page between frames; each(index, summary) as each is made. Returns
 * the number of workers used.
 */
export async function summariseInWorkers(files, options, each) {
  const workers = [];
  for (let w = 0; w < Math.min(WORKERS(), files.length); w++) {
    const worker = startWorker();
    if (worker) workers.push(worker);
  }
  if (!workers.length) {
    await summariseFiles(files, options, each, () => new Promise((r) => setTimeout(r, 0)));
    return 0;
  }
  // Files are dealt out in turn; each worker reads its own share.
  await Promise.all(
    workers.map((worker, w) => {
      const mine = files.map((f, i) => [f, i]).filter(([, i]) => i % workers.length === w);
      return new Promise((resolve) => {
        worker.onmessage = ({ data }) => {
          if (data.done) {
            worker.terminate();
            resolve();
          } else each(mine[data.index][1], data.summary);
        };
        worker.onerror = (e) => {
          for (const [, i] of mine) each(i, { name: files[i].name, error: e.message || 'the worker failed' });
          worker.terminate();
          resolve();
        };
        worker.postMessage({ files: mine.map(([f]) => f), route: options.route, rules: options.rules });
      });
    }),
  );
  return workers.length;
}

export function mount(app) {
  const { state } = app;
  const lib = (state.library = { runs: [], errors: [], files: new Map(), sort: null, descending: false, filter: '' });
  const shown = () => !$('library').hidden;
  const chosen = (input) => {
    const files = [...input.files];
    input.value = '';
    return files;
  };
  $('library-files').addEventListener('change', (e) => openMany(app, chosen(e.target)));
  $('library-folder').addEventListener('change', (e) => openMany(app, chosen(e.target)));
  $('library-filter').addEventListener('input', (e) => {
    lib.filter = e.target.value;
    renderLibrary(app);
  });
  $('library-csv').addEventListener('click', () =>
    download(new Blob([runsCsv(listed(lib))], { type: 'text/csv' }), 'runs.csv'),
  );
  $('library-toggle').addEventListener('click', () => {
    $('library').hidden = shown();
    $('library-toggle').classList.toggle('on', shown());
  });
  app.openMany = (files) => openMany(app, files);
  return {};
}

// The runs the table lists, filtered and sorted as the user chose.
const listed = (lib) => sortRuns(filterRuns(lib.runs, lib.filter), lib.sort || 'Date and time', lib.descending);

async function openMany(app, files) {
  const { state } = app;
  const lib = state.library;
  const logs = files.filter((f) => /\.csv$/i.test(f.name));
  if (!logs.length) {
    app.message('No .csv file was chosen.', 'warning');
    return;
  }
  Object.assign(lib, { runs: [], errors: [], files: new Map(logs.map((f) => [f.name, f])) });
  $('library').hidden = false;
  $('library-toggle').disabled = false;
  $('library-toggle').classList.add('on');
  const bar = $('library-progress');
  bar.max = logs.length;
  bar.value = 0;
  bar.hidden = false;
  document.body.dataset.library = 'loading';
  const t0 = performance.now();
  let done = 0;
  let painted = 0;
  const options = {
    route: state.route ? state.route.route : null,
    rules: state.rules ? state.rules.rules : undefined,
  };
  lib.workers = await summariseInWorkers(logs, options, (i, summary) => {
    if (summary.error) lib.errors.push(`${summary.name}: ${summary.error}`);
    else lib.runs.push(summary);
    bar.value = ++done;
    $('library-count').textContent = `${done} of ${logs.length} read`;
    // Redrawn now and then, not for every file.
    if (performance.now() - painted > 1000) {
      painted = performance.now();
      renderLibrary(app);
    }
  });
  lib.seconds = (performance.now() - t0) / 1000;
  bar.hidden = true;
  renderLibrary(app);
  document.body.dataset.libraryWorkers = String(lib.workers);
  document.body.dataset.library = 'ready';
}

function renderLibrary(app) {
  const lib = app.state.library;
  const head = el(
    'tr',
    {},
    ...RUN_COLUMNS.map((name) => {
      const th = el('th', {
        textContent: name + (lib.sort === name ? (lib.descending ? ' ▼' : ' ▲') : ''),
        tabIndex: 0,
      });
      th.title = 'Sort by this column';
      th.addEventListener('click', () => {
        lib.descending = lib.sort === name && !lib.descending;
        lib.sort = name;
        renderLibrary(app);
      });
      return th;
    }),
  );
  const rows = listed(lib).map((run) => runRow(app, run));
  $('library-table').replaceChildren(el('thead', {}, head), el('tbody', {}, ...rows));
  $('library-trend').innerHTML = trendSvg(trend(lib.runs));
  $('library-errors').textContent = lib.errors.length ? `Not read: ${lib.errors.join('; ')}` : '';
  $('library-csv').disabled = !lib.runs.length;
}

function runRow(app, run) {
  const tr = el(
    'tr',
    { tabIndex: 0, title: `Open ${run.name}` },
    ...runCells(run).map((text) => el('td', { textContent: text })),
  );
  tr.dataset.serious = String(run.counts[2]);
  // The run takes the page; Runs brings the table back.
  const go = () => {
    $('library').hidden = true;
    $('library-toggle').classList.remove('on');
    app.open([app.state.library.files.get(run.name)]);
  };
  tr.addEventListener('click', go);
  tr.addEventListener('keydown', (e) => e.key === 'Enter' && go());
  return tr;
}
