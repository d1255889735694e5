// The page: opening logs (one, several to compare, or one to follow), the
// column table and the wiring between the controls and the panels.
import 'uplot/dist/uPlot.min.css';
import './style.css';
import { decodeLabels, LogFormatError } from './parse.js';
import { readLog, readAhead, readRuns } from './open.js';
import {
  ROW_X,
  xCandidates,
  defaultView,
  viewToFragment,
  fragmentToView,
  assignColumn,
  setX,
  plottable,
  showAll,
} from './view.js';
import { guessRoles, matchRoles, NONE } from './roles.js';
import { ALIGN_LOCATION, ALIGN_TIME, MAX_RUNS, alignmentNote } from './compare.js';
import { buildScene, rowNumbers } from './scene.js';
import { drawScene, updateData, panelSize } from './chart.js';
import { renderReport } from './report-ui.js';
import { Follower, pickFileToFollow, NO_FOLLOW } from './follow.js';
import { savePng } from './png.js';
import { renderControls, renderUnshown } from './controls.js';
import { renderRuns, shortName } from './runs.js';
import { renderEvents, placeEvents } from './events-ui.js';
import { sceneEvents } from './events.js';
import { DASHES } from './compare.js';
import { $, el, wireWindow } from './dom.js';
import { wireDrop } from './drop.js';

// While following, the x range shows this much of the newest rows (in x
// units: seconds on a clock axis, rows on the row number).
const FOLLOW_SPAN = 300;

const state = {
  runs: [], // { name, label, log, roles }; the first is the one the view and the report are about
  fileName: '',
  log: null,
  candidates: [],
  view: null,
  align: ALIGN_LOCATION,
  encoding: '', // '' = as guessed
  scene: null,
  plots: [],
  xData: null,
  zoomed: false,
  follower: null,
  following: false, // the x range tracks the newest rows
  hiddenKinds: new Set(), // kinds of events whose marks are off
  eventFilter: '', // the kind the event list shows, '' for all
  loadTimes: null,
  appendTimes: [],
};
// Tests and the benchmark read the page's state through this.
window.cablogViewer = state;

function setStatus(name) {
  document.body.dataset.state = name;
}

function showMessage(text, kind = 'error') {
  const box = $('message');
  box.textContent = text;
  box.className = kind;
  box.hidden = !text;
}

function clearPlots() {
  for (const u of state.plots) u.destroy();
  state.plots = [];
  $('panels').replaceChildren();
}

const progress = (text) => showMessage(text, 'info');

const nextTask = () =>
  new Promise((r) => {
    const ch = new MessageChannel();
    ch.port1.onmessage = r;
    ch.port2.postMessage(0);
  });

// ---------------------------------------------------------------- opening

function stopFollowing() {
  if (state.follower) state.follower.stop();
  state.follower = null;
  state.following = false;
  document.body.classList.remove('following');
}

function reset() {
  clearPlots();
  state.runs = [];
  state.log = null;
  state.view = null;
  state.scene = null;
  render();
}

/** Opens `files[0]` as the log to look at, and the rest beside it. */
async function openFiles(files) {
  if (!files.length) return;
  const t0 = performance.now();
  stopFollowing();
  setStatus('loading');
  showMessage(`Reading ${files[0].name}…`, 'info');
  reset();
  // Let the message paint before the parser holds the thread.
  await new Promise((r) => setTimeout(r, 0));
  const reads = readAhead(files);
  let log;
  try {
    log = await readLog(files[0], reads[0], state.encoding, progress);
  } catch (err) {
    fail(files[0].name, err);
    return;
  }
  state.loadTimes = { read: performance.now() - t0 };
  setLog(files[0].name, log);
  const notes = [...log.warnings];
  if (files.length > 1) notes.push(...(await addRuns(files.slice(1), false, reads.slice(1))));
  await show(notes);
  state.loadTimes.total = performance.now() - t0;
}

function setLog(name, log) {
  state.fileName = name;
  state.log = log;
  state.runs = [{ name, label: shortName(name), log, roles: guessRoles(log) }];
  state.candidates = xCandidates(log);
  const fromLink = fragmentToView(location.hash, log, state.candidates);
  state.view = fromLink || defaultView(log, state.candidates);
}

/** Adds logs to compare with the open one; returns notes for the message line. */
async function addRuns(files, redraw = true, reads = readAhead(files)) {
  if (state.follower) {
    const note = 'A log that is being followed cannot be compared; open it with "Open log…" to compare it.';
    if (redraw) showMessage(note, 'warning');
    return [note];
  }
  const t0 = performance.now();
  const notes = await readRuns(files, reads, state.runs, state.encoding, progress);
  if (redraw) {
    await show(notes);
    state.loadTimes = { ...state.loadTimes, compare: performance.now() - t0 };
  }
  return notes;
}

async function show(notes = []) {
  const log = state.log;
  const names = state.runs.map((r) => r.name).join(', ');
  $('fileinfo').textContent =
    state.runs.length > 1
      ? `${state.runs.length} runs: ${names}`
      : `${state.fileName}: ${log.rowCount.toLocaleString('en')} rows, ${log.columns.length} columns`;
  document.title = `${names} – cablog viewer`;
  if (log.columns.length === 0) {
    notes.unshift('This log has no columns: the column definition file was missing or empty when it was written.');
  } else if (log.rowCount === 0) {
    notes.unshift(
      state.follower
        ? 'Waiting for the first row…'
        : 'This log has a header row but no data rows: the run ended before the first sample.',
    );
  } else if (!log.columns.some(plottable)) {
    notes.unshift('No column of this log holds a value to plot: every cell is empty.');
  }
  const drawn = log.rowCount > 0 && log.columns.some(plottable);
  if (alignmentNote(state.runs, state.align)) notes.push(alignmentNote(state.runs, state.align));
  showMessage(notes.join(' '), drawn ? 'warning' : state.follower ? 'info' : 'error');
  render();
  await new Promise((r) => requestAnimationFrame(() => setTimeout(r, 0)));
  setStatus(drawn ? 'ready' : 'empty');
}

function fail(name, err) {
  stopFollowing();
  reset();
  $('fileinfo').textContent = name;
  const text =
    err instanceof LogFormatError
      ? `${name}: ${err.message}`
      : `${name} could not be read: ${err && err.message ? err.message : err}`;
  showMessage(text, 'error');
  setStatus('error');
}

// ---------------------------------------------------------------- following

async function follow(handle) {
  stopFollowing();
  reset();
  setStatus('loading');
  showMessage(`Following ${handle.name}: waiting for the header row…`, 'info');
  const follower = new Follower(handle, {
    rows: (log, added, first) => (first ? followStarted(handle.name, log) : rowsArrived(added)),
    error: (err) => fail(handle.name, err),
  });
  state.follower = follower;
  document.body.classList.add('following');
  await follower.start();
}

function followStarted(name, log) {
  setLog(name, log);
  state.following = true;
  show([]).then(() => followNewest());
}

function rowsArrived(added) {
  const t0 = state.follower.bytesAt;
  const log = state.log;
  if (!state.plots.length) {
    // The first rows of a log that had none: draw from scratch.
    show([]).then(() => followNewest());
    return;
  }
  if (state.view.x === ROW_X) state.scene.x.values = rowNumbers(log.rowCount, state.scene.x.values);
  else state.scene.x.values = log.columns[state.view.x].values;
  for (const p of state.scene.panels) for (const s of p.series) s.xs = state.scene.x.values;
  state.scene.events = sceneEvents(state.runs, [state.scene.x.values], DASHES);
  state.xData = state.scene.x.values;
  const xs = state.xData;
  updateData(state.plots, xs);
  if (state.following) setXRange(followRange(xs), false);
  else for (const u of state.plots) u.redraw();
  $('fileinfo').textContent =
    `${state.fileName}: ${log.rowCount.toLocaleString('en')} rows, ${log.columns.length} columns (following)`;
  if (!$('report').hidden) renderReportSection();
  renderEventsSection();
  // uPlot draws in microtasks; the next task sees every panel drawn.
  nextTask().then(() => state.appendTimes.push({ rows: added, ms: performance.now() - t0 }));
}

function followRange(xs) {
  const last = xs[xs.length - 1];
  return [Math.max(xs[0], last - FOLLOW_SPAN), last > xs[0] ? last : xs[0] + 1];
}

function followNewest() {
  if (!state.xData || !state.xData.length) return;
  state.following = true;
  setXRange(followRange(state.xData), false);
}

async function pickAndFollow() {
  const handle = await pickFileToFollow(() => {
    showMessage(NO_FOLLOW, 'warning');
    $('file').click();
  });
  if (handle) await follow(handle);
}

// ---------------------------------------------------------------- view

function updateFragment() {
  if (!state.view) return;
  const hash = '#' + viewToFragment(state.view);
  if (location.hash !== hash) history.replaceState(null, '', hash);
}

function render() {
  const has = !!state.log;
  const compare = state.runs.length > 1;
  for (const id of ['save', 'reset', 'stops', 'encoding']) $(id).disabled = !has;
  $('add').disabled = !has || state.runs.length >= MAX_RUNS || !!state.follower;
  $('add-label').classList.toggle('disabled', $('add').disabled);
  $('xaxis-label').hidden = compare;
  $('align-label').hidden = !compare;
  if (!has) {
    $('columns').hidden = true;
    $('events').hidden = true;
    $('report').hidden = true;
    $('runs').hidden = true;
    $('xaxis').replaceChildren();
    $('xaxis').disabled = true;
    $('stops').classList.remove('on');
    return;
  }
  updateFragment();
  renderControls(state, {
    assign: (c, panel) => {
      state.view = assignColumn(state.view, c, panel);
      render();
    },
  });
  renderRuns(state, {
    drop: (r) => {
      state.runs.splice(r, 1);
      show([]);
    },
    rename: (r, label) => {
      state.runs[r].label = label;
      render();
    },
  });
  if (!$('report').hidden) renderReportSection();
  placeEvents(state);
  renderPlots();
  renderEventsSection();
}

function renderEventsSection() {
  renderEvents(state, {
    pick: (c) => setRoles({ ...state.runs[0].roles, events: c }),
    toggle: (kind) => {
      if (!state.hiddenKinds.delete(kind)) state.hiddenKinds.add(kind);
      for (const u of state.plots) u.redraw(false);
      renderEventsSection();
    },
    filter: (kind) => {
      state.eventFilter = kind;
      renderEventsSection();
    },
    zoom: zoomToX,
  });
}

function setRoles(roles) {
  state.runs[0].roles = roles;
  for (const run of state.runs.slice(1)) run.roles = matchRoles(state.runs[0], run.log);
  render();
}

function renderReportSection() {
  renderReport(state.runs, {
    redo: renderReportSection,
    roles: setRoles,
    zoom: (from, to) => zoomToRows(from, to),
  });
}

function zoomToRows(from, to) {
  const xs = state.scene.x.values;
  let a = xs[from];
  let b = xs[to];
  if (!(b > a)) b = a + 1;
  const pad = (b - a) * 0.05;
  state.following = false;
  setXRange([a - pad, b + pad], true);
}

// An event's neighbourhood: a fiftieth of the whole x range around it.
function zoomToX(x) {
  const [lo, hi] = state.scene.range || [x - 1, x + 1];
  const half = Math.max((hi - lo) / 100, 1e-3);
  state.following = false;
  setXRange([x - half, x + half], true);
}

// uPlot reports scale changes later, in a microtask, so a range the page
// set itself is recognised by its ends: any other range came from the user.
let ownRange = null;

function setXRange([min, max], byUser) {
  if (!state.plots.length) return;
  ownRange = byUser ? null : [min, max];
  state.plots[0].setScale('x', { min, max });
}

function renderPlots() {
  const keep = state.plots.length && state.zoomed ? { ...state.plots[0].scales.x } : null;
  clearPlots();
  const { log, view } = state;
  if (!log || log.rowCount === 0) return;
  if (!view.panels.length) {
    $('panels').append(
      el('p', {
        className: 'hint',
        textContent: 'No column is plotted. Choose a panel for a column in the table on the left.',
      }),
    );
    return;
  }
  if (state.runs.length < 2)
    renderUnshown(state, () => {
      state.view = showAll(log, state.view);
      render();
    });
  const scene = buildScene(state.runs, view, state.align);
  state.scene = scene;
  state.xData = scene.x.values;
  state.plots = drawScene(
    $('panels'),
    scene,
    {
      zoom: (min, max) => {
        const [lo, hi] = scene.range || [min, max];
        state.zoomed = !(min <= lo && max >= hi);
        if (!ownRange || min !== ownRange[0] || max !== ownRange[1]) state.following = false;
      },
      reset: resetZoom,
      toggle: (series, show) => {
        if (state.runs.length > 1) return;
        const hidden = new Set(state.view.hidden);
        if (show) hidden.delete(series.id);
        else hidden.add(series.id);
        state.view = { ...state.view, hidden: [...hidden] };
        updateFragment();
      },
    },
    state.hiddenKinds,
  );
  if (keep) setXRange([keep.min, keep.max], false);
  else if (state.follower && state.following) followNewest();
  else if (scene.range) setXRange(scene.range, false);
  state.zoomed = !!keep;
}

function resetZoom() {
  if (!state.plots.length || !state.scene) return;
  if (state.follower) {
    followNewest();
    return;
  }
  if (state.scene.range) setXRange(state.scene.range, false);
  state.zoomed = false;
}

// ---------------------------------------------------------------- wiring

function fileList(input) {
  const files = [...input.files];
  input.value = '';
  return files;
}

function init() {
  setStatus('idle');
  showMessage(
    'Open a cablog log (Log_YYMMDD-HHMMSS.csv, or Log_YYMMDD-HHMMSS-2.csv and so on for a second run started ' +
      'within the same second) with the button above, or drop it on this page.',
    'info',
  );
  render();

  $('file').addEventListener('change', (e) => openFiles(fileList(e.target)));
  $('add').addEventListener('change', (e) => addRuns(fileList(e.target)));
  $('follow').addEventListener('click', pickAndFollow);
  $('xaxis').addEventListener('change', (e) => {
    const v = e.target.value;
    state.view = setX(state.view, v === ROW_X ? ROW_X : Number(v));
    state.zoomed = false;
    render();
  });
  $('align').addEventListener('change', (e) => {
    state.align = e.target.value === ALIGN_TIME ? ALIGN_TIME : ALIGN_LOCATION;
    state.zoomed = false;
    render();
    showMessage(alignmentNote(state.runs, state.align), 'warning');
  });
  $('encoding').addEventListener('change', (e) => {
    state.encoding = e.target.value;
    for (const run of state.runs) decodeLabels(run.log, state.encoding || run.log.detectedEncoding);
    render();
  });
  $('stops').addEventListener('click', () => {
    $('report').hidden = !$('report').hidden;
    $('stops').classList.toggle('on', !$('report').hidden);
    render();
  });
  $('reset').addEventListener('click', resetZoom);
  $('save').addEventListener('click', () =>
    savePng(state.plots, state.runs.map((r) => r.label).join(' · '), state.fileName),
  );

  wireDrop({
    hasLog: () => !!state.log,
    open: openFiles,
    add: addRuns,
    follow,
    warn: (text) => showMessage(text, 'warning'),
  });

  // A fragment edited by hand or reached through history is a new view.
  window.addEventListener('hashchange', () => {
    if (!state.log) return;
    state.view = fragmentToView(location.hash, state.log, state.candidates) || defaultView(state.log, state.candidates);
    render();
  });

  wireWindow(
    () => {
      const size = panelSize($('panels'), state.plots.length);
      for (const u of state.plots) u.setSize(size);
    },
    (text) => showMessage(text, 'error'),
  );
}

init();
