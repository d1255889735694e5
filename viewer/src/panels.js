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

  // uPlot reports scale changes later, in a microtask, so a range the page
  // set itself is recognised by its ends: any other range came from the user.
  let ownRange = null;

  function setXRange([min, max], byUser) {
    if (!state.plots.length) return;
    ownRange = byUser ? null : [min, max];
    state.plots[0].setScale('x', { min, max });
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

  function zoomToRows(from, to) {
    const xs = state.scene.x.values;
    let a = xs[from];
    let b = xs[to];
    if (!(b > a)) b = a + 1;
    const pad = (b - a) * 0.05;
    state.following = false;
    setXRange([a - pad, b + pad], true);
  }

  // A span of x, with a little room on either side.
  function zoomToXs(a, b) {
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

  function resetZoom() {
    if (!state.plots.length || !state.scene) return;
    if (state.follower) {
      followNewest();
      return;
    }
    if (state.scene.range) setXRange(state.scene.range, false);
    state.zoomed = false;
  }

  function clearPlots() {
    for (const u of state.plots) u.destroy();
    state.plots = [];
    $('panels').replaceChildren();
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
        app.render();
      });
    const scene = buildScene(state.runs, view, state.align);
    // Each run's findings, worked out before the panels draw (findings-ui.js).
    scene.bands = state.runs.map((run) => (run.debrief ? run.debrief.findings : []));
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
          app.saveView();
        },
      },
      state.hiddenKinds,
    );
    if (keep) setXRange([keep.min, keep.max], false);
    else if (state.follower && state.following) followNewest();
    else if (scene.range) setXRange(scene.range, false);
    state.zoomed = !!keep;
  }

  // New rows of the followed log: the same charts, given longer data.
  function grow() {
    const { log, scene } = state;
    if (state.view.x === ROW_X) scene.x.values = rowNumbers(log.rowCount, scene.x.values);
    else scene.x.values = log.columns[state.view.x].values;
    for (const p of scene.panels) for (const s of p.series) s.xs = scene.x.values;
    scene.events = sceneEvents(state.runs, [scene.x.values], DASHES);
    state.xData = scene.x.values;
    const xs = state.xData;
    updateData(state.plots, xs);
    if (state.following) setXRange(followRange(xs), false);
    else for (const u of state.plots) u.redraw();
  }

  $('reset').addEventListener('click', resetZoom);
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
  app.zoomToRows = zoomToRows;
  app.zoomToX = zoomToX;
  app.zoomToXs = zoomToXs;
  app.followNewest = followNewest;

  return {
    render() {
      $('save').disabled = $('reset').disabled = !state.log;
      if (state.log) renderPlots();
    },
    grow,
    close: clearPlots,
  };
}
