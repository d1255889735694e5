// Runs side by side: each run's x values when aligned by location or by
// time since its first row, the columns the runs share by label, and the
// time difference to the first run along the line.
import { NONE, secondsOf } from './roles.js';

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
 * At each of the first run's rows, how many seconds later (positive) or
 * earlier (negative) the other run reached the same location. `x` are the
 * runs' location axes, `t` their times since start. NaN where the other run
 * never got that far (or had not started there). Both axes never decrease,
 * so one walk along each does it; where a run stands still, the time it
 * arrived counts.
 */
export function timeDifference(baseX, baseT, otherX, otherT) {
  const out = new Float64Array(baseX.length);
  let j = 0;
  const m = otherX.length;
  for (let i = 0; i < baseX.length; i++) {
    const x = baseX[i];
    while (j < m && otherX[j] < x) j++;
    if (j === m || (j === 0 && otherX[0] > x) || x === -Infinity) {
      out[i] = NaN;
      continue;
    }
    let t;
    if (otherX[j] === x) t = otherT[j];
    else {
      const x0 = otherX[j - 1];
      const f = (x - x0) / (otherX[j] - x0);
      t = otherT[j - 1] + f * (otherT[j] - otherT[j - 1]);
    }
    out[i] = t - baseT[i];
  }
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
