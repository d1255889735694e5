// The panels: the scene of the open runs drawn as charts, the x range they
// share (zooming, going back, keeping to the newest rows while following),
// their size as the window changes and saving them as PNG.
import { ROW_X, showAll } from './view.js';
import { buildScene, rowNumbers, xAxisName } from './scene.js';
import { drawScene, updateData, panelSize } from './chart.js';
import { sceneEvents } from './events.js';
import { DASHES } from './compare.js';
import { renderUnshown } from './controls.js';
import { savePng } from './png.js';
import { pictureName } from './run-identity.js';
import { $, el, whenResized } from './dom.js';

// While following, the x range shows this much of the newest rows (in x
// units: seconds on a clock axis, rows on the row number).
const FOLLOW_SPAN = 300;

export function mount(app) {
  const { state } = app;
  const range = sharedRange(state);
  $('reset').addEventListener('click', () => resetZoom(state, range));
  $('save').addEventListener('click', () =>
    savePng({
      plots: state.plots,
      runs: state.runs,
      xLabel: xAxisName(state.scene.x),
      table: app.stopTable ? app.stopTable() : null,
      fileName: pictureName(state.runs),
    }),
  );
  whenResized(() => {
    const size = panelSize($('panels'), state.plots.length);
    for (const u of state.plots) u.setSize(size);
  });
  app.zoomToRows = (from, to) => zoomToXs(state, range, state.scene.x.values[from], state.scene.x.values[to]);
  app.zoomToX = (x) => zoomToX(state, range, x);
  app.zoomToXs = (a, b) => zoomToXs(state, range, a, b);
  app.followNewest = () => followNewest(state, range);

  return {
    render() {
      $('save').disabled = $('reset').disabled = !state.log;
      if (state.log) renderPlots(app, range);
    },
    grow: () => grow(state, range),
    close: () => clearPlots(state),
  };
}

// The x range the panels share. uPlot reports scale changes later, in a
// microtask, so a range the page set itself is recognised by its ends: any
// other range came from the user.
function sharedRange(state) {
  let own = null;
  return {
    set([min, max], byUser) {
      if (!state.plots.length) return;
      own = byUser ? null : [min, max];
      state.plots[0].setScale('x', { min, max });
    },
    byUser: (min, max) => !own || min !== own[0] || max !== own[1],
  };
}

function followRange(xs) {
  const last = xs[xs.length - 1];
  return [Math.max(xs[0], last - FOLLOW_SPAN), last > xs[0] ? last : xs[0] + 1];
}

function followNewest(state, range) {
  if (!state.xData || !state.xData.length) return;
  state.following = true;
  range.set(followRange(state.xData), false);
}

// A span of x, with a little room on either side.
function zoomToXs(state, range, a, b) {
  if (!(b > a)) b = a + 1;
  const pad = (b - a) * 0.05;
  state.following = false;
  range.set([a - pad, b + pad], true);
}

// An event's neighbourhood: a fiftieth of the whole x range around it.
function zoomToX(state, range, x) {
  const [lo, hi] = state.scene.range || [x - 1, x + 1];
  const half = Math.max((hi - lo) / 100, 1e-3);
  state.following = false;
  range.set([x - half, x + half], true);
}

function resetZoom(state, range) {
  if (!state.plots.length || !state.scene) return;
  if (state.follower) {
    followNewest(state, range);
    return;
  }
  if (state.scene.range) range.set(state.scene.range, false);
  state.zoomed = false;
}

function clearPlots(state) {
  for (const u of state.plots) u.destroy();
  state.plots = [];
  $('panels').replaceChildren();
}

function renderPlots(app, range) {
  const { state } = app;
  const keep = state.plots.length && state.zoomed ? { ...state.plots[0].scales.x } : null;
  clearPlots(state);
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
      app.render();
    });
  const scene = buildScene(state.runs, view, state.align);
  // Each run's findings, worked out before the panels draw (findings-ui.js).
  scene.bands = state.runs.map((run) => (run.debrief ? run.debrief.findings : []));
  state.scene = scene;
  state.xData = scene.x.values;
  state.plots = drawScene($('panels'), scene, chartHooks(app, range, scene), state.hiddenKinds);
  if (keep) range.set([keep.min, keep.max], false);
  else if (state.follower && state.following) followNewest(state, range);
  else if (scene.range) range.set(scene.range, false);
  state.zoomed = !!keep;
}

// What the charts report back: the user's zooming, a reset, a series shown or hidden.
function chartHooks(app, range, scene) {
  const { state } = app;
  return {
    zoom: (min, max) => {
      const [lo, hi] = scene.range || [min, max];
      state.zoomed = !(min <= lo && max >= hi);
      if (range.byUser(min, max)) state.following = false;
    },
    reset: () => resetZoom(state, range),
    toggle: (series, show) => {
      if (state.runs.length > 1) return;
      const hidden = new Set(state.view.hidden);
      if (show) hidden.delete(series.id);
      else hidden.add(series.id);
      state.view = { ...state.view, hidden: [...hidden] };
      app.saveView();
    },
  };
}

// New rows of the followed log: the same charts, given longer data.
function grow(state, range) {
  const { log, scene } = state;
  if (state.view.x === ROW_X) scene.x.values = rowNumbers(log.rowCount, scene.x.values);
  else scene.x.values = log.columns[state.view.x].values;
  for (const p of scene.panels) for (const s of p.series) s.xs = scene.x.values;
  scene.events = sceneEvents(state.runs, [scene.x.values], DASHES);
  state.xData = scene.x.values;
  const xs = state.xData;
  updateData(state.plots, xs);
  if (state.following) range.set(followRange(xs), false);
  else for (const u of state.plots) u.redraw();
}
