// Which column is the speed, the location, the clock, the brake notch and
// the events.
// The log holds only the user's labels, not the keys behind them, so the
// guess reads the labels (in English or Japanese, with or without a unit)
// and checks that the values could be what the label says. The user can
// correct every guess in the page.
import { KIND_NUMBER, KIND_BOOL, KIND_CLOCK, KIND_EVENTS } from './log-model.js';

export const ROLES = ['speed', 'location', 'clock', 'brake', 'events'];
export const ROLE_NAMES = {
  speed: 'Speed',
  location: 'Location',
  clock: 'Clock',
  brake: 'Brake notch',
  events: 'Events',
};
export const NONE = -1;

// Notches, reverser and aspects: a handful of small whole numbers. A
// pressure that happens to be logged in whole kPa is not one.
const STEP_VALUES = 16;
const STEP_SPAN = 32;

/** The unit in brackets at the end of a label ("BC [kPa]" gives "kPa"), or ''. */
export function unitOf(label) {
  const m = /\[([^\][]*)\]\s*$/.exec(label || '');
  return m ? m[1].trim() : '';
}

/**
 * True for a column drawn as steps: true/false, or only a few small whole
 * numbers (notches, reverser, signal aspect). Cached on the column; rows
 * appended later are checked from where the last check stopped.
 */
export function isStepColumn(col) {
  if (col.kind === KIND_BOOL) return true;
  if (col.kind !== KIND_NUMBER) return false;
  const s = (col.stepCheck ??= { rows: 0, seen: new Set(), step: true, min: Infinity, max: -Infinity });
  const v = col.values;
  for (let i = s.rows; i < v.length && s.step; i++) {
    const x = v[i];
    if (x !== x) continue;
    if (!Number.isInteger(x)) s.step = false;
    else if (!s.seen.has(x)) {
      s.seen.add(x);
      if (x < s.min) s.min = x;
      if (x > s.max) s.max = x;
      if (s.seen.size > STEP_VALUES || s.max - s.min > STEP_SPAN) s.step = false;
    }
  }
  s.rows = v.length;
  return s.step && s.seen.size > 0;
}

function nonDecreasing(v) {
  let prev = -Infinity;
  for (let i = 0; i < v.length; i++) {
    const x = v[i];
    if (x !== x) continue;
    if (x < prev) return false;
    prev = x;
  }
  return prev !== -Infinity;
}

/** The simulator's millisecond clock: a whole, never decreasing number with a time-like label. */
export function isMillisClock(col) {
  if (col.kind !== KIND_NUMBER) return false;
  const unit = unitOf(col.label).toLowerCase();
  if (unit !== 'ms' && !/time|clock|時間|時刻|\bms\b/i.test(col.label)) return false;
  const v = col.values;
  for (let i = 0; i < v.length; i++) if (v[i] === v[i] && !Number.isInteger(v[i])) return false;
  return nonDecreasing(v);
}

const SPEED = /speed|velocity|速度|速さ|km\/h|kmh|kph|mph/i;
const LOCATION = /locat|position|distance|距離|位置|キロ程|chainage|odomet|mileage|\[m\]|\[km\]/i;
const BRAKE = /brake|制動|ブレーキ|ﾌﾞﾚｰｷ/i;
const NOT_SPEED = /accel|decel|加速|減速|limit|制限/i;
const NOT_LOCATION = /beacon|地上子|signal|信号/i;

/** Index of the first column that passes `ok`, or NONE. */
function first(log, ok) {
  return log.columns.findIndex((col, c) => ok(col, c));
}

export function guessRoles(log) {
  let clock = first(log, (c) => c.kind === KIND_CLOCK && nonDecreasing(c.values));
  if (clock === NONE) clock = first(log, isMillisClock);
  const speed = first(log, (c) => c.kind === KIND_NUMBER && SPEED.test(c.label) && !NOT_SPEED.test(c.label));
  const location = first(
    log,
    (c, i) => i !== speed && c.kind === KIND_NUMBER && LOCATION.test(c.label) && !NOT_LOCATION.test(c.label),
  );
  // A notch column, not a brake pressure: whole numbers, few of them.
  const brake = first(log, (c, i) => i !== speed && BRAKE.test(c.label) && !unitOf(c.label) && isStepColumn(c));
  // Events are found by their cells, whatever the label.
  const events = first(log, (c) => c.kind === KIND_EVENTS);
  return { speed, location, clock, brake, events };
}

/** Seconds for every row from the clock column (a clock, or milliseconds). */
export function secondsOf(col) {
  if (col.kind === KIND_CLOCK) return col.values;
  const v = col.values;
  const out = new Float64Array(v.length);
  for (let i = 0; i < v.length; i++) out[i] = v[i] / 1000;
  return out;
}

/** Another run's roles: the columns labelled like the first run's (`base`), else guessed. */
export function matchRoles(base, log) {
  const guess = guessRoles(log);
  const first = new Map();
  log.labels.forEach((label, c) => first.has(label) || first.set(label, c));
  for (const role of ROLES) {
    const c = base.roles[role];
    if (c !== NONE && first.has(base.log.labels[c])) guess[role] = first.get(base.log.labels[c]);
  }
  return guess;
}
