// What the panels show, worked out from the runs and the view without
// touching the page: the x values, the panels and their series.
import { ROW_X } from './view.js';
import { KIND_CLOCK, KIND_NUMBER } from './log-model.js';
import { formatCell, formatClock, formatNumber } from './format.js';
import { isStepColumn, unitOf, NONE } from './roles.js';
import { runShade, runDash } from './run-identity.js';
import { sceneEvents } from './events.js';
import {
  alignRun,
  timeSinceStart,
  timeDifference,
  columnsByLabel,
  extraLabels,
  DASHES,
  ALIGN_LOCATION,
  ALIGN_TIME,
} from './compare.js';

export const COLORS = [
  '#1f77b4',
  '#d62728',
  '#2ca02c',
  '#ff7f0e',
  '#9467bd',
  '#8c564b',
  '#e377c2',
  '#17becf',
  '#7f7f7f',
  '#bcbd22',
];
// The clock's own resolution.
const seconds = (v) => `${v > 0 ? '+' : ''}${v.toFixed(3)} s`;
const DIFF_COLORS = ['#d62728', '#2ca02c', '#9467bd', '#ff7f0e'];

export const colorOf = (c) => COLORS[c % COLORS.length];

/** Row numbers 1..n, kept growing for a log that is followed. */
export function rowNumbers(n, old) {
  if (old && old.length === n) return old;
  const xs = new Float64Array(n);
  for (let i = 0; i < n; i++) xs[i] = i + 1;
  return xs;
}

function singleRun(run, view) {
  const { log } = run;
  const x =
    view.x === ROW_X
      ? { values: rowNumbers(log.rowCount), label: 'Row', isClock: false, format: (v) => String(v), unit: 'row' }
      : {
          values: log.columns[view.x].values,
          label: log.columns[view.x].label,
          isClock: log.columns[view.x].kind === KIND_CLOCK,
          format: (v, i) => formatCell(log.columns[view.x], i, v),
          unit: unitOf(log.columns[view.x].label),
        };
  const panels = view.panels.map((cols) => ({
    series: cols.map((c) => ({
      id: c,
      run: 0,
      label: log.columns[c].label || `(column ${c + 1})`,
      color: colorOf(c),
      dash: [],
      xs: x.values,
      column: log.columns[c],
      // Asked at every drawing: a followed log that starts at a standstill
      // holds only zeros until the train moves.
      stepped: () => isStepColumn(log.columns[c]),
      hidden: view.hidden.includes(c),
    })),
  }));
  return { x, panels, events: sceneEvents([run], [x.values], DASHES) };
}

/**
 * Several runs in the same panels: the first run's panels, each column
 * joined by the columns of the same label in the other runs (same colour,
 * a dash per run), then panels for columns only later runs have. Aligned
 * by location, a time-difference panel comes first.
 */
function compareRuns(runs, view, align) {
  const logs = runs.map((r) => r.log);
  const base = runs[0];
  const byLocation = align === ALIGN_LOCATION && runs.every((r) => r.roles.location !== NONE);
  const xsOf = runs.map((r) => alignRun(r.log, r.roles, byLocation ? ALIGN_LOCATION : ALIGN_TIME));
  const maps = columnsByLabel(logs);
  const x = byLocation
    ? { values: xsOf[0], label: `Location [m] (${base.label})`, isClock: false, format: formatNumber, unit: 'm' }
    : { values: xsOf[0], label: 'Time since start', isClock: true, format: (v) => formatClock(v), unit: '' };

  const seriesFor = (label, colorIndex, hidden) =>
    runs.flatMap((run, r) => {
      const c = maps[r].get(label);
      if (c === undefined || !run.log.columns[c].kind) return [];
      const column = run.log.columns[c];
      return [
        {
          id: `${r}:${c}`,
          run: r,
          label: `${label || '(no label)'} · ${run.label}`,
          color: runShade(colorOf(colorIndex), r),
          dash: runDash(r),
          xs: xsOf[r],
          column,
          stepped: () => isStepColumn(column),
          hidden,
        },
      ];
    });

  const panels = view.panels.map((cols) => ({
    series: cols.flatMap((c) => seriesFor(base.log.labels[c], c, view.hidden.includes(c))),
  }));
  extraLabels(logs).forEach((label, k) => {
    const series = seriesFor(label, base.log.columns.length + k, false);
    if (series.length) panels.push({ series });
  });

  if (byLocation) panels.unshift(timeDifferencePanel(runs, xsOf));
  const events = sceneEvents(runs, xsOf, DASHES);
  return { x, panels, range: rangeOf(xsOf), byLocation, events };
}

// How far each later run is behind the first at the same location.
function timeDifferencePanel(runs, xsOf) {
  const base = runs[0];
  const t0 = timeSinceStart(base.log, base.roles);
  const diff = runs.slice(1).map((run, k) => {
    const values = timeDifference(xsOf[0], t0, xsOf[k + 1], timeSinceStart(run.log, run.roles));
    return {
      id: `diff:${k + 1}`,
      run: k + 1,
      label: `${run.label} behind ${base.label} [s]`,
      color: DIFF_COLORS[k % DIFF_COLORS.length],
      dash: runDash(k + 1),
      width: 2,
      xs: xsOf[0],
      column: { label: 'Time difference', kind: KIND_NUMBER, values, gaps: 0, nonFinite: new Map(), format: seconds },
      stepped: () => false,
      hidden: false,
    };
  });
  return { title: 'Time difference [s]', series: diff };
}

// The x range all runs together cover, or null when it is empty.
function rangeOf(xsOf) {
  let lo = Infinity;
  let hi = -Infinity;
  for (const xs of xsOf) {
    if (xs.length && xs[0] < lo) lo = xs[0];
    if (xs.length && xs[xs.length - 1] > hi) hi = xs[xs.length - 1];
  }
  return lo < hi ? [lo, hi] : null;
}

/** An x value as text with its unit: "1,250.5 m", "row 12", a clock time as it is. */
export function xText(x, v, row) {
  const text = x.format(v, row);
  if (x.unit === 'row') return `row ${text}`;
  return x.unit ? `${text} ${x.unit}` : text;
}

/** The x axis's name with its unit, as a picture's caption says it. */
export function xAxisName(x) {
  if (x.isClock && !unitOf(x.label)) return `${x.label} [h:mm:ss]`;
  return x.unit && x.unit !== 'row' && !x.label.includes('[') ? `${x.label} [${x.unit}]` : x.label;
}

/** The scene for one run (the view's x column) or several (aligned). */
export function buildScene(runs, view, align) {
  const scene = runs.length > 1 ? compareRuns(runs, view, align) : singleRun(runs[0], view);
  if (!scene.range) {
    const xs = scene.x.values;
    scene.range = xs.length ? [xs[0], xs[xs.length - 1]] : null;
  }
  return scene;
}
