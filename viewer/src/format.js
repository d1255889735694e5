// Text shown for values and axis ticks.
import { KIND_BOOL, KIND_CLOCK, KIND_EVENTS } from './log-model.js';

function pad(n, width) {
  return String(n).padStart(width, '0');
}

// Seconds back to the logger's clock text. Hours do not wrap at 24, since a
// run's clock can pass midnight and keep counting.
export function formatClock(seconds, withMillis = true) {
  let ms = Math.round(seconds * 1000);
  const sign = ms < 0 ? '-' : '';
  ms = Math.abs(ms);
  const h = Math.floor(ms / 3600000);
  const m = Math.floor(ms / 60000) % 60;
  const s = Math.floor(ms / 1000) % 60;
  const text = `${sign}${pad(h, 2)}:${pad(m, 2)}:${pad(s, 2)}`;
  return withMillis ? `${text}.${pad(ms % 1000, 3)}` : text;
}

// A logged number keeps at most six significant digits (ten for integers),
// so the shortest round-trip text of the parsed double is exactly the
// logged value, without the exponent padding.
export function formatNumber(v) {
  if (Object.is(v, -0)) return '-0';
  return String(v);
}

/**
 * Readout text for a cell. `column` is a parsed column, `row` its index;
 * `v` the value (null or NaN for a gap).
 */
export function formatCell(column, row, v) {
  const odd = column.nonFinite.get(row);
  if (odd !== undefined) return odd;
  if (v == null || Number.isNaN(v)) return '–';
  if (column.kind === KIND_BOOL) return v ? 'true' : 'false';
  if (column.kind === KIND_CLOCK) return formatClock(v);
  if (column.kind === KIND_EVENTS) return column.texts[v];
  if (column.format) return column.format(v);
  return formatNumber(v);
}

// Tick steps for a clock axis, in seconds: decimal below a second, then
// the steps a person reads off a watch.
// prettier-ignore
export const CLOCK_INCRS = [
  0.001, 0.002, 0.005, 0.01, 0.02, 0.05, 0.1, 0.2, 0.5,
  1, 2, 5, 10, 15, 30,
  60, 120, 300, 600, 900, 1800,
  3600, 7200, 10800, 21600, 43200, 86400,
];
for (let d = 2; d < 1e6; d *= 2) CLOCK_INCRS.push(86400 * d);

export function formatClockTick(v, incr) {
  return formatClock(v, incr < 1);
}

// Axis ticks of a number scale: trim the float noise of stepping by a
// fractional increment (0.30000000000000004) without losing the step.
export function formatNumberTick(v, incr) {
  if (v === 0) return '0';
  const abs = Math.abs(v);
  if (abs >= 1e9 || abs < 1e-4) {
    const digits = Math.floor(Math.log10(abs) + 1e-9) - Math.floor(Math.log10(incr) + 1e-9);
    return v.toExponential(Math.max(0, Math.min(15, digits))).replace(/\.?0+e/, 'e');
  }
  const decimals = Math.max(0, Math.min(10, -Math.floor(Math.log10(incr) + 1e-9)));
  return v.toFixed(decimals);
}
