// The stacked panels: uPlot options for a scene of series and their
// drawing. A scene is what scene.js works out to show:
//   { x: { values, label, isClock, format(v, row) }, range: [min, max],
//     panels: [{ series: [{ label, color, dash, xs, column, stepped(), id }] }],
//     events: [{ run, label, xs, rows, dash }] }
// Every series has x values of its own (runs being compared each have
// theirs); uPlot's data holds the first run's x, which the cursor snaps to.
import uPlot from 'uplot';
import { formatCell, formatClockTick, formatNumberTick, CLOCK_INCRS } from './format.js';
import { extendPyramid, seriesPaths, rangeOf, yLimits, visibleRows, lowerBound } from './decimate.js';
import { KIND_CLOCK } from './log-model.js';
import { markHooks, markStrip } from './marks.js';
import { bandHooks } from './bands.js';
import { xText } from './scene.js';

const SYNC_KEY = 'cablog';

/** The column's min/max pyramid, brought up to date with its rows. */
export function levelsOf(column) {
  column.pyramid = extendPyramid(column.pyramid ?? [], column.values);
  return column.pyramid;
}

// One width for every y axis, so that the stacked panels line up on x:
// room for the longest tick label that any panel's value range can need.
function yAxisWidth(columns) {
  let longest = 4;
  for (const col of columns) {
    if (col.kind === KIND_CLOCK) {
      longest = Math.max(longest, 13);
      continue;
    }
    const r = rangeOf(col.values, levelsOf(col), 0, col.values.length - 1);
    if (!r) continue;
    const [min, max] = r;
    const step = (max - min) / 4 || Math.abs(max) / 10 || 1;
    for (const end of [min, max]) longest = Math.max(longest, formatNumberTick(end, step).length + 1);
  }
  return Math.ceil(longest * 7.5) + 24;
}

/**
 * Every panel in the window when each can be 170 pixels high or more;
 * else three of them (a laptop's 768 pixels), down to 110 pixels each.
 */
export function panelSize(container, count) {
  const width = Math.max(320, container.clientWidth - 4);
  const room = window.innerHeight - container.getBoundingClientRect().top - 16;
  const each = (n) => Math.floor(room / Math.max(1, n)) - 40;
  const height =
    each(count) >= 170 ? Math.min(360, each(count)) : Math.max(110, Math.min(170, each(Math.min(count, 3))));
  return { width, height };
}

/** The CSS border style nearest to a canvas dash. */
export function borderStyle(dash) {
  if (!dash || !dash.length) return 'solid';
  if (dash.length > 2) return 'double';
  return dash[0] <= 2 ? 'dotted' : 'dashed';
}

/** The row of `xs` nearest to x, or null. */
function nearestRow(xs, x) {
  if (!xs.length || x == null) return null;
  const i = lowerBound(xs, x);
  if (i === 0) return 0;
  if (i === xs.length) return xs.length - 1;
  return x - xs[i - 1] <= xs[i] - x ? i - 1 : i;
}

// The x and y ranges of a panel of `list`. uPlot ranges y while the new x
// range is still pending, before u.scales.x holds it, so the x range is
// caught as uPlot settles it.
function panelRanges(list) {
  let xNow = [-Infinity, Infinity];
  const x = (u, min, max) => {
    xNow = min == null ? [-Infinity, Infinity] : [min, max];
    return min == null ? [null, null] : [min, max];
  };
  const y = (u) => {
    let lo = Infinity;
    let hi = -Infinity;
    list.forEach((s, k) => {
      if (!u.series[k + 1].show) return;
      const [i0, i1] = visibleRows(s.xs, xNow[0], xNow[1]);
      if (i1 < i0) return;
      const r = rangeOf(s.column.values, levelsOf(s.column), i0, i1);
      if (r && r[0] < lo) lo = r[0];
      if (r && r[1] > hi) hi = r[1];
    });
    return lo <= hi ? yLimits(lo, hi, (a, b) => uPlot.rangeNum(a, b, 0.1, true)) : [0, 1];
  };
  return { x: { time: false, range: x }, y: { range: y } };
}

// A series of the scene as uPlot options; `xs` is the x that uPlot's data hold.
function seriesOptions(s, xs) {
  return {
    label: s.label,
    stroke: s.color,
    dash: s.dash && s.dash.length ? s.dash : undefined,
    width: s.width || 1,
    // The series' uPlot data are stand-ins; its own rows are drawn by paths.
    points: { show: false },
    show: !s.hidden,
    // The panel's y range comes from panelRanges, not from uPlot scanning
    // every visible row of every series on each zoom step.
    auto: false,
    value: (u, v, si, i) => {
      if (i == null) return '–';
      const row = s.xs === xs ? i : nearestRow(s.xs, xs[i]);
      return row == null ? '–' : formatCell(s.column, row, s.column.values[row]);
    },
    paths: seriesPaths(() => ({
      xs: s.xs,
      ys: s.column.values,
      levels: levelsOf(s.column),
      stepped: s.stepped(),
    })),
  };
}

function axesOptions(scene, list, yWidth, strip) {
  const yClock = list.length > 0 && list.every((s) => s.column.kind === KIND_CLOCK);
  const ticks = (clock) => (u, splits, ai, space, incr) =>
    splits.map((v) => (clock ? formatClockTick(v, incr) : formatNumberTick(v, incr)));
  return [
    {
      space: scene.x.isClock ? 90 : 60,
      incrs: scene.x.isClock ? CLOCK_INCRS : undefined,
      values: ticks(scene.x.isClock),
      // The event marks' strip sits between the panel and the tick labels.
      ...(strip.height ? { ticks: { size: 4 }, gap: strip.height + 2, size: 34 + strip.height } : {}),
    },
    { size: yWidth, values: ticks(yClock) },
  ];
}

const cursorOptions = (on) => ({
  // Only x is shared; a horizontal hair would mean nothing in the panels
  // the mouse is not over.
  sync: { key: SYNC_KEY, scales: ['x', null] },
  y: false,
  // The series data are stand-ins (each series draws its own rows), so
  // uPlot's hover points would sit in the wrong place.
  points: { show: false },
  drag: { x: true, y: false, setScale: true },
  bind: {
    dblclick: () => () => {
      on.reset();
      return null;
    },
  },
});

/**
 * Draws the scene into `container`, one uPlot per panel, all sharing the
 * x scale and the cursor. `on` holds the page's handlers:
 *   zoom(min, max, byUser)   the x range changed
 *   reset()                  double-click: back to the whole range
 *   toggle(series, show)     a legend entry was clicked
 * `hiddenKinds` holds the kinds of events not to mark. Returns the plots.
 */
export function drawScene(container, scene, on, hiddenKinds = new Set()) {
  const plots = [];
  const xs = scene.x.values;
  const size = panelSize(container, scene.panels.length);
  const yWidth = yAxisWidth(scene.panels.flatMap((p) => p.series.map((s) => s.column)));
  const strip = markStrip(scene);
  let syncing = false;
  const syncX = (u, key) => {
    if (key !== 'x' || syncing) return;
    syncing = true;
    const { min, max } = u.scales.x;
    for (const other of plots) if (other !== u) other.setScale('x', { min, max });
    syncing = false;
    on.zoom(min, max);
  };

  scene.panels.forEach((panel, p) => {
    const list = panel.series;
    const opts = {
      ...size,
      series: [
        { label: scene.x.label, value: (u, v, s, i) => (v == null ? '–' : scene.x.format(v, i)) },
        ...list.map((s) => seriesOptions(s, xs)),
      ],
      scales: panelRanges(list),
      axes: axesOptions(scene, list, yWidth, strip),
      cursor: cursorOptions(on),
      // A legend marker says the run by its border as the line does by its dash.
      legend: { live: true, markers: { width: 2, dash: (u, i) => borderStyle(u.series[i].dash) } },
      hooks: {
        ...markHooks(scene, hiddenKinds, (v, i) => xText(scene.x, v, i)),
        ...bandHooks(scene),
        setScale: [syncX],
        setSeries: [(u, si, o) => si != null && o?.show !== undefined && on.toggle(list[si - 1], o.show)],
      },
    };
    const box = document.createElement('div');
    box.className = 'panel';
    box.dataset.panel = String(p);
    container.append(box);
    plots.push(new uPlot(opts, [xs, ...list.map(() => xs)], box));
  });
  return plots;
}

/** New rows arrived: hand every plot the longer x (uPlot redraws on the next scale change or redraw). */
export function updateData(plots, xs) {
  for (const u of plots)
    u.setData(
      u.data.map(() => xs),
      false,
    );
}
