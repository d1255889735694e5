// Runs side by side: each run's x values when aligned by location or by
// time since its first row, the columns the runs share by label, and the
// time difference to the first run along the line.
import { NONE, secondsOf } from './roles.js';
import { lowerBound } from './decimate.js';

export const ALIGN_LOCATION = 'location';
export const ALIGN_TIME = 'time';

// Five runs at most: solid for the first, then dashes a reader can tell apart.
export const DASHES = [[], [8, 4], [2, 3], [12, 3, 2, 3], [4, 4]];
export const MAX_RUNS = DASHES.length;

/** Seconds since the run's first row (row number when there is no clock); NaN rows keep the last value. */
export function timeSinceStart(log, roles) {
  const out = new Float64Array(log.rowCount);
  if (roles.clock === NONE) {
    for (let i = 0; i < out.length; i++) out[i] = i;
    return out;
  }
  const t = secondsOf(log.columns[roles.clock]);
  let t0 = NaN;
  let last = 0;
  for (let i = 0; i < out.length; i++) {
    if (t[i] === t[i] && t0 !== t0) t0 = t[i];
    if (t[i] === t[i]) last = t[i] - t0;
    out[i] = last;
  }
  return out;
}

/**
 * Location as an x axis: never decreasing, since the chart and the time
 * difference look rows up by x. A run that backs up stays at the furthest
 * point it reached until it passes it again; empty cells repeat the last.
 */
export function locationAxis(log, roles) {
  const out = new Float64Array(log.rowCount);
  const v = log.columns[roles.location].values;
  let far = -Infinity;
  for (let i = 0; i < out.length; i++) {
    if (v[i] > far) far = v[i];
    out[i] = far;
  }
  const first = out.findIndex((x) => x > -Infinity);
  if (first > 0) out.fill(out[first], 0, first);
  return out;
}

/** The x values of a run: by location when it has one, else by time. */
export function alignRun(log, roles, mode) {
  if (mode === ALIGN_LOCATION && roles.location !== NONE) return locationAxis(log, roles);
  return timeSinceStart(log, roles);
}

/**
 * When a run first reached each location of `at` (never decreasing), from
 * its location axis `x` and times `t`: interpolated from its last row short
 * of the location, so a run that stood still before counts from when it
 * left. Its starting location counts as reached when it left it, since a
 * log begins at whatever row the sampling interval gives. NaN before the
 * start and past the end.
 */
export function arrivalTimes(x, t, at) {
  const out = new Float64Array(at.length);
  const m = x.length;
  let left = 0;
  while (left + 1 < m && x[left + 1] === x[0]) left++;
  let j = 0;
  for (let i = 0; i < at.length; i++) {
    const v = at[i];
    while (j < m && x[j] < v) j++;
    if (j === m || !(v >= x[0]) || v === -Infinity) out[i] = NaN;
    else if (v === x[0]) out[i] = t[left];
    else if (x[j] === v) out[i] = t[j];
    else out[i] = t[j - 1] + ((v - x[j - 1]) / (x[j] - x[j - 1])) * (t[j] - t[j - 1]);
  }
  return out;
}

/**
 * At each of the first run's rows, how many seconds later (positive) or
 * earlier (negative) the other run first reached the same location. Both
 * runs' times count from a common origin, the first location both reach
 * after setting off,
 * so that two logs of one drive at different sampling intervals compare as
 * 0, and a wait before setting off or at a stop shows as no difference.
 * `x` are the runs' location axes, `t` their times. NaN where either run
 * has not reached the location.
 */
export function timeDifference(baseX, baseT, otherX, otherT) {
  const out = new Float64Array(baseX.length).fill(NaN);
  if (!baseX.length || !otherX.length) return out;
  // The first location both reach, or where either stood there at first
  // (the moment it left is only known to within a row), the first both
  // reach once moving.
  const start = Math.max(baseX[0], otherX[0]);
  const beyond = (x) => {
    const i = lowerBound(x, start);
    let j = i;
    while (j < x.length && x[j] <= start) j++;
    return j < x.length ? x[j] : start;
  };
  const stood = (x) => x[0] === start && x.length > 1 && x[1] === start;
  const origin = [stood(baseX) || stood(otherX) ? Math.max(beyond(baseX), beyond(otherX)) : start];
  const b0 = arrivalTimes(baseX, baseT, origin)[0];
  const o0 = arrivalTimes(otherX, otherT, origin)[0];
  const tb = arrivalTimes(baseX, baseT, baseX);
  const to = arrivalTimes(otherX, otherT, baseX);
  for (let i = 0; i < out.length; i++) if (baseX[i] >= start) out[i] = to[i] - o0 - (tb[i] - b0);
  return out;
}

/**
 * Matches the other runs' columns to the first run's by label. Returns,
 * for each run, a map from label to column index; a label that appears
 * twice in a run matches its first column of that label.
 */
export function columnsByLabel(logs) {
  return logs.map((log) => {
    const map = new Map();
    log.labels.forEach((label, c) => {
      if (!map.has(label)) map.set(label, c);
    });
    return map;
  });
}

/** Labels that only later runs have, in the order they first appear. */
export function extraLabels(logs) {
  const seen = new Set(logs[0].labels);
  const extra = [];
  for (const log of logs.slice(1)) {
    for (const label of log.labels) {
      if (!seen.has(label)) {
        seen.add(label);
        extra.push(label);
      }
    }
  }
  return extra;
}

/** Runs are aligned by location only when every one of them has one: the note that says otherwise, or ''. */
export function alignmentNote(runs, align) {
  if (runs.length < 2 || align !== ALIGN_LOCATION) return '';
  const without = runs.filter((r) => r.roles.location === NONE).map((r) => r.name);
  return without.length ? `Aligned by time instead: no location column was found in ${without.join(', ')}.` : '';
}
