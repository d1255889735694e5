// What every part of the page shares: the state of the open runs, the
// message line, and the one way to draw everything again.
//
// A part is a module whose mount(app) wires its own controls and returns
// the hooks it needs, each optional, called in the order the parts were
// mounted:
//   layout()     before the panels are drawn: whatever takes room from them
//   render()     draw from app.state (also when no log is open: hide then)
//   grow(added)  `added` rows were appended to the followed log
//   notes()      a note for the message line when a log is shown, or ''
//   close()      the open log is being put away
// Parts reach each other only through the actions they add to the context:
//   open.js    app.open(files), app.add(files)
//   follow.js  app.follow(handle)
//   panels.js  app.zoomToRows(from, to), app.zoomToX(x), app.zoomToXs(a, b), app.followNewest()
//   library-ui.js  app.openMany(files)
import { LogFormatError } from './log-model.js';
import { xCandidates, defaultView, viewToFragment, fragmentToView, plottable } from './view.js';
import { guessRoles, matchRoles } from './roles.js';
import { ALIGN_LOCATION } from './compare.js';
import { nameRuns } from './run-identity.js';
import { $ } from './dom.js';

export function createApp() {
  const state = initialState();
  const parts = [];
  const each = (hook, ...args) => parts.map((part) => part[hook]?.(...args));

  const app = {
    state,
    mount(module) {
      parts.push(module.mount(app) || {});
    },
    status: setStatus,
    message: showMessage,
    render() {
      if (state.log) app.saveView();
      each('layout');
      each('render');
    },
    grow(added) {
      each('grow', added);
    },
    close() {
      each('close');
      state.runs = [];
      state.log = null;
      state.view = null;
      state.scene = null;
      app.render();
    },
    setLog: (name, log) => setLog(state, name, log),
    /** The first run's columns for each role, as the user corrected them; the others follow by label. */
    setRoles(roles) {
      state.runs[0].roles = roles;
      for (const run of state.runs.slice(1)) run.roles = matchRoles(state.runs[0], run.log);
      app.render();
    },
    saveView: () => saveView(state.view),
    /** Draws the runs, with `notes` and what is wrong with the log on the message line. */
    async show(notes = []) {
      showFileInfo(state);
      const problem = logProblem(state);
      if (problem) notes.unshift(problem);
      const drawn = state.log.rowCount > 0 && state.log.columns.some(plottable);
      for (const note of each('notes')) if (note) notes.push(note);
      app.message(notes.join(' '), drawn ? 'warning' : state.follower ? 'info' : 'error');
      app.render();
      await new Promise((r) => requestAnimationFrame(() => setTimeout(r, 0)));
      app.status(drawn ? 'ready' : 'empty');
    },
    fail(name, err) {
      app.close();
      $('fileinfo').textContent = name;
      app.message(failText(name, err), 'error');
      app.status('error');
    },
  };
  followHash(app);
  return app;
}

function initialState() {
  return {
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
}

/** The page's state for tests and styles: idle, loading, ready, empty, error. */
function setStatus(name) {
  document.body.dataset.state = name;
}

function showMessage(text, kind = 'error') {
  const box = $('message');
  box.textContent = text;
  box.className = kind;
  box.hidden = !text;
}

/** Makes `log` the one run, in the view the page address asks for. */
function setLog(state, name, log) {
  state.fileName = name;
  state.log = log;
  state.runs = [{ name, log, roles: guessRoles(log) }];
  nameRuns(state.runs);
  state.candidates = xCandidates(log);
  const fromLink = fragmentToView(location.hash, log, state.candidates);
  state.view = fromLink || defaultView(log, state.candidates);
}

/** Keeps the view in the page address, so that the link shows it again. */
function saveView(view) {
  if (!view) return;
  const hash = '#' + viewToFragment(view);
  if (location.hash !== hash) history.replaceState(null, '', hash);
}

function showFileInfo(state) {
  const names = state.runs.map((r) => r.name).join(', ');
  $('fileinfo').textContent =
    state.runs.length > 1
      ? `${state.runs.length} runs: ${names}`
      : `${state.fileName}: ${state.log.rowCount.toLocaleString('en')} rows, ${state.log.columns.length} columns`;
  $('fileinfo').title = $('fileinfo').textContent;
  document.title = `${names} – cablog viewer`;
}

// Why the log draws nothing, or '' when it draws.
function logProblem({ log, follower }) {
  if (log.columns.length === 0)
    return 'This log has no columns: the column definition file was missing or empty when it was written.';
  if (log.rowCount === 0)
    return follower
      ? 'Waiting for the first row…'
      : 'This log has its headings but no rows. The likely cause: Flush=0 (or no cablog.ini), so the rows ' +
          'were kept in memory to be written at the end of the run, and the simulator crashed or was killed ' +
          'first. Set Flush=1 in cablog.ini to have the log written as you drive.';
  if (!log.columns.some(plottable)) return 'No column of this log holds a value to plot: every cell is empty.';
  return '';
}

function failText(name, err) {
  return err instanceof LogFormatError
    ? `${name}: ${err.message}`
    : `${name} could not be read: ${err && err.message ? err.message : err}`;
}

// A fragment edited by hand or reached through history is a new view.
function followHash(app) {
  const { state } = app;
  window.addEventListener('hashchange', () => {
    if (!state.log) return;
    state.view = fragmentToView(location.hash, state.log, state.candidates) || defaultView(state.log, state.candidates);
    app.render();
  });
}
