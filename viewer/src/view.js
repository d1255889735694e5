// What is on screen: the x column, the panels and the series switched off.
// Kept apart from the DOM so that the choice of x axis and the URL fragment
// can be tested in Node.
//
// Columns are named by their 1-based position in the log, not by label:
// labels are the user's free text and may repeat or be empty, while the
// position is stable for every log written with the same definition file,
// which is what a shared view is for.
import { KIND_NONE, KIND_BOOL, KIND_CLOCK, KIND_EVENTS } from './log-model.js';
import { guessRoles, isMillisClock, unitOf, NONE } from './roles.js';

export const ROW_X = 'row';
const DEFAULT_PANELS = 6;

/** Columns that can be drawn as a line: any kind of value but events, and at least one of them. */
export function plottable(column) {
  if (column.kind === KIND_NONE || column.kind === KIND_EVENTS) return false;
  const v = column.values;
  for (let i = 0; i < v.length; i++) if (Number.isFinite(v[i])) return true;
  return false;
}

/**
 * Columns that can carry the x axis: a value in every row, none of them
 * infinite or NaN, never decreasing (the chart finds the row under the
 * cursor by bisecting x), and not the same in every row (a clock that
 * never moved would stack all rows on one spot). Returns their indices.
 */
export function xCandidates(log) {
  const out = [];
  log.columns.forEach((col, c) => {
    if (col.kind === KIND_NONE || col.kind === KIND_BOOL || col.kind === KIND_EVENTS) return;
    if (col.gaps > 0 || col.nonFinite.size > 0 || col.values.length === 0) return;
    const v = col.values;
    for (let i = 1; i < v.length; i++) if (v[i] < v[i - 1]) return;
    if (v[v.length - 1] === v[0] && v.length > 1) return;
    out.push(c);
  });
  return out;
}

/** First clock column that can be the x axis, else the row number. */
export function defaultX(log, candidates = xCandidates(log)) {
  const clock = candidates.find((c) => log.columns[c].kind === KIND_CLOCK);
  return clock === undefined ? ROW_X : clock;
}

/**
 * Default panels: the speed first, then columns that share the unit in
 * brackets at the end of their labels together ("BC [kPa]" with "MR
 * [kPa]"), every other column alone, up to six panels. The location has a
 * panel of its own: a beacon distance in metres is no place along the line.
 * The simulator's millisecond clock, which only ever rises, is left out.
 */
export function defaultView(log, candidates = xCandidates(log)) {
  const x = defaultX(log, candidates);
  const shown = log.columns.map((col, c) => c !== x && plottable(col) && !isMillisClock(col));
  const { speed, location } = guessRoles(log);
  const order = log.columns.map((_, c) => c);
  if (speed !== NONE) order.unshift(...order.splice(speed, 1));
  const panels = [];
  const byUnit = new Map();
  for (const c of order) {
    if (!shown[c]) continue;
    const unit = c === location ? '' : unitOf(log.columns[c].label);
    if (unit && byUnit.has(unit)) byUnit.get(unit).push(c);
    else if (panels.length < DEFAULT_PANELS) {
      const panel = [c];
      panels.push(panel);
      if (unit) byUnit.set(unit, panel);
    }
  }
  return { x, panels, hidden: [] };
}

/** Columns that could be drawn but are in no panel. */
export function unshownColumns(log, view) {
  const inPanels = new Set(view.panels.flat());
  return log.columns.flatMap((col, c) => (c !== view.x && plottable(col) && !inPanels.has(c) ? [c] : []));
}

/** Every column that can be drawn in a panel: the default panels, then one panel for each column left. */
export function showAll(log, view) {
  return { ...view, panels: [...view.panels, ...unshownColumns(log, view).map((c) => [c])] };
}

/** The view as a URL fragment body (without the '#'). */
export function viewToFragment(view) {
  const parts = [`x=${view.x === ROW_X ? ROW_X : view.x + 1}`];
  for (const p of view.panels) parts.push(`p=${p.map((c) => c + 1).join(',')}`);
  if (view.hidden.length) parts.push(`off=${view.hidden.map((c) => c + 1).join(',')}`);
  return parts.join('&');
}

/**
 * Reads a fragment back against a log. Returns null for a fragment that
 * names no view, so the caller falls back to the default. Anything that
 * does not fit this log (a column it lacks, one that cannot be drawn or be
 * the x axis, a column listed twice) is dropped rather than refused: a
 * link made on a log with more columns still shows what it can.
 */
export function fragmentToView(fragment, log, candidates = xCandidates(log)) {
  const text = String(fragment || '').replace(/^#/, '');
  if (!text) return null;
  let x;
  let sawPanels = false;
  const panels = [];
  const hidden = [];
  const used = new Set();
  const columnList = (value) =>
    value
      .split(',')
      .filter((t) => /^\d+$/.test(t))
      .map((t) => Number(t) - 1)
      .filter((c) => c >= 0 && c < log.columns.length);
  for (const part of text.split('&')) {
    const eq = part.indexOf('=');
    if (eq < 0) continue;
    const key = part.slice(0, eq);
    const value = decodeURIComponent(part.slice(eq + 1));
    if (key === 'x' && x === undefined) {
      if (value === ROW_X) x = ROW_X;
      else if (/^\d+$/.test(value) && candidates.includes(Number(value) - 1)) x = Number(value) - 1;
    } else if (key === 'p') {
      sawPanels = true;
      panels.push(columnList(value));
    } else if (key === 'off') {
      hidden.push(...columnList(value));
    }
  }
  if (x === undefined && !sawPanels) return null;
  if (x === undefined) x = defaultX(log, candidates);
  const kept = [];
  for (const p of panels) {
    const cols = p.filter((c) => {
      if (c === x || used.has(c) || !plottable(log.columns[c])) return false;
      used.add(c);
      return true;
    });
    if (cols.length) kept.push(cols);
  }
  return { x, panels: kept, hidden: [...new Set(hidden)].filter((c) => used.has(c)) };
}

/**
 * Moves a column to a panel. `target` is a panel index, -1 for none, or
 * panels.length for a new panel at the bottom; emptied panels disappear.
 */
export function assignColumn(view, column, target) {
  let panels = view.panels.map((p) => p.filter((c) => c !== column));
  if (target >= 0 && target < view.panels.length) panels[target].push(column);
  else if (target >= view.panels.length) panels.push([column]);
  panels = panels.filter((p) => p.length);
  const hidden = view.hidden.filter((c) => c !== column || target >= 0);
  return { ...view, panels, hidden };
}

/** Changes the x column; a column that becomes x leaves its panel. */
export function setX(view, x) {
  const next = x === ROW_X ? view : assignColumn(view, x, -1);
  return { ...next, x };
}
