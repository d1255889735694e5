// Findings: what went wrong in a run, from its log and, where one is
// given, its route file. This module is the one place each kind is
// computed; the viewer and cablog-debrief both call findingsOf.
//
// A finding spans the rows where its condition held: { kind, severity (1
// note, 2 warning, 3 serious), startRow, endRow, start and end ({ time,
// location }, null where the log has no clock or location), worst, text }.
// A kind whose inputs are missing is reported once in `unchecked` with the
// reason, never passed over in silence.
import { KIND_BOOL, KIND_EVENTS } from './log-model.js';
import { guessRoles, secondsOf, NONE } from './roles.js';
import { stopReport } from './report.js';
import { eventRows, eventKind } from './events.js';
import { columnNamed } from './shipped-headings.js';
import { limitAt } from './route-file.js';
import { defaultRules, OPERATORS } from './finding-rules.js';
import { formatClock } from './format.js';

// prettier-ignore
export const KINDS = {
  overspeed: 'overspeed',
  spad: 'signal passed at danger',
  stop_outside_tolerance: 'stop outside tolerance',
  station_passed: 'station passed without stopping',
  harsh_braking: 'harsh braking',
  harsh_acceleration: 'harsh acceleration',
  emergency_brake: 'emergency brake',
  doors_open_moving: 'doors open while moving',
  moving_off_doors_open: 'moving off with the doors open',
  plugin_fault: 'plug-in fault',
};

/** A stop within this distance of a station is a stop at it. */
export const STATION_METRES = 50;

/** 1412.3 as "1,412". */
export const metres = (x) => String(Math.round(x)).replace(/\B(?=(\d{3})+(?!\d))/g, ',');

// Runs of consecutive rows where holds(i): [[first, last]].
function stretches(from, n, holds) {
  const out = [];
  let first = -1;
  for (let i = from; i <= n; i++) {
    if (i < n && holds(i)) {
      if (first < 0) first = i;
    } else if (first >= 0) {
      out.push([first, i - 1]);
      first = -1;
    }
  }
  return out;
}

function inputs(log, roles) {
  const values = (c) => (c >= 0 ? log.columns[c].values : null);
  const bool = (c) => (c >= 0 && log.columns[c].kind === KIND_BOOL ? log.columns[c].values : null);
  const events =
    roles.events !== NONE && log.columns[roles.events].kind === KIND_EVENTS ? log.columns[roles.events] : null;
  return {
    n: log.rowCount,
    speed: values(roles.speed),
    loc: values(roles.location),
    t: roles.clock !== NONE ? secondsOf(log.columns[roles.clock]) : null,
    brake: values(roles.brake),
    notches: values(columnNamed(log, 'VEHICLE_BRAKE_NOTCHES')),
    aspect: values(columnNamed(log, 'SIGNAL')),
    doorsClosed: bool(columnNamed(log, 'PILOTLAMP')),
    events,
  };
}

// Seconds from row a to row b, to the logged millisecond, so that a
// stretch of exactly the minimum time is not lost to rounding.
const span = (x, a, b) => Math.round((x.t[b] - x.t[a]) * 1000) / 1000;

/**
 * Every finding of a run. `route` is a parsed route file or null; `rules`
 * the thresholds and user findings (defaultRules() when not given);
 * `roles` the columns of the speed, location, clock, brake and events
 * (guessed when not given). Returns { findings, unchecked: [{ kind,
 * reason }], stations }, stations being each station with the stop made
 * at it (see stationStops).
 */
export function findingsOf(log, { route = null, rules = defaultRules(), roles = guessRoles(log) } = {}) {
  const x = inputs(log, roles);
  const r = recorder(x);
  const stations = routeFindings(log, roles, route, rules.thresholds, x, r);
  runFindings(x, rules.thresholds, r);
  for (const rule of rules.userFindings) userFinding(log, x, rule, r.note, r.missing, r.lasting, r.where);
  for (const u of r.unchecked) u.kind = named(u.kind);
  r.findings.sort((a, b) => a.startRow - b.startRow || b.severity - a.severity);
  return { findings: r.findings, unchecked: r.unchecked, stations };
}

const named = (kind) => KINDS[kind] ?? kind;

// Where findings and unchecked kinds are collected, with the wording they share.
function recorder(x) {
  const findings = [];
  const unchecked = [];
  const at = (i) => ({ time: x.t ? x.t[i] : null, location: x.loc ? x.loc[i] : null });
  return {
    findings,
    unchecked,
    where: (i) => (x.loc ? `${metres(x.loc[i])} m` : x.t ? formatClock(x.t[i]) : `row ${i + 2}`),
    lasting: (a, b) => (x.t ? ` for ${span(x, a, b).toFixed(1)} s` : ''),
    note: (kind, severity, a, b, worst, text) => {
      const name = named(kind);
      findings.push({
        kind: name,
        severity,
        startRow: a,
        endRow: b,
        start: at(a),
        end: at(b),
        worst,
        text: `${name}: ${text}`,
      });
    },
    // The first input missing for a kind, as the reason it is not checked.
    missing: (kind, needs) => {
      const gap = needs.find(([have]) => !have);
      if (gap) unchecked.push({ kind, reason: gap[1] });
      return !!gap;
    },
  };
}

const SPEED = (x) => [x.speed, 'no speed column'];
const LOC = (x) => [x.loc, 'no location column'];
const CLOCK = (x) => [x.t, 'no clock column'];
const ROUTE = (route) => [route, 'no route file'];

// The kinds that need the route file; returns the stations with their stops.
function routeFindings(log, roles, route, th, x, { note, missing, lasting, where }) {
  const limits = [route?.limits.length, 'no limit in the route file'];
  if (!missing('overspeed', [ROUTE(route), SPEED(x), LOC(x), CLOCK(x), limits]))
    overspeed(x, route, th, note, lasting, where);
  const signals = [route?.signals.length, 'no signal in the route file'];
  if (!missing('spad', [ROUTE(route), LOC(x), [x.aspect, 'no signal aspect column'], signals]))
    signalsAtDanger(x, route, note, where);
  const stops = [route?.stations.length, 'no station in the route file'];
  if (missing('stop_outside_tolerance', [ROUTE(route), SPEED(x), LOC(x), stops])) return [];
  const stations = stationStops(log, roles, route, x);
  stopFindings(stations, th, note);
  return stations;
}

// The kinds the log alone shows.
function runFindings(x, th, { note, missing, lasting, where, unchecked }) {
  for (const [kind, limit, time, sign] of [
    ['harsh_braking', th.harsh_braking, th.harsh_braking_time, -1],
    ['harsh_acceleration', th.harsh_acceleration, th.harsh_acceleration_time, 1],
  ])
    if (!missing(kind, [SPEED(x), CLOCK(x)])) harsh(x, kind, limit, time, sign, note, where);
  if (
    !missing('emergency_brake', [
      [x.brake, 'no brake notch column'],
      [x.notches, 'no brake notch count column'],
    ])
  )
    for (const [a, b] of stretches(0, x.n, (i) => x.brake[i] > x.notches[i]))
      note('emergency_brake', 2, a, b, x.brake[a], `at notch ${x.brake[a]}${lasting(a, b)} from ${where(a)}`);
  if (!missing('doors_open_moving', [SPEED(x), [x.doorsClosed, 'no doors-closed column']]))
    doors(x, note, lasting, where);
  else unchecked.push({ kind: 'moving_off_doors_open', reason: unchecked[unchecked.length - 1].reason });
  if (!missing('plugin_fault', [[x.events, 'no events column']]))
    for (const e of eventRows(x.events))
      if (e.names.some((name) => eventKind(name) === 'PLUGIN_FAULT'))
        note('plugin_fault', 2, e.row, e.row, null, `at ${where(e.row)}`);
}

function overspeed(x, route, th, note, lasting, where) {
  const limits = new Float64Array(x.n);
  for (let i = 0; i < x.n; i++) limits[i] = x.loc[i] === x.loc[i] ? (limitAt(route, x.loc[i]) ?? Infinity) : Infinity;
  const over = (i) => Math.abs(x.speed[i]) > limits[i] + th.overspeed_margin;
  for (const [a, b] of stretches(0, x.n, over)) {
    if (!(span(x, a, b) >= th.overspeed_time)) continue;
    let w = a;
    for (let i = a; i <= b; i++) if (Math.abs(x.speed[i]) - limits[i] > Math.abs(x.speed[w]) - limits[w]) w = i;
    const excess = Math.abs(x.speed[w]) - limits[w];
    const severity = excess >= th.overspeed_serious ? 3 : excess >= th.overspeed_warning ? 2 : 1;
    const text = `${Math.abs(x.speed[w]).toFixed(1)} km/h against ${limits[w]}${lasting(a, b)} from ${where(a)}`;
    note('overspeed', severity, a, b, Math.abs(x.speed[w]), text);
  }
}

// The front passes a signal on going from below its location to at or
// beyond it; the aspect it passed at is the last one logged before.
function signalsAtDanger(x, route, note, where) {
  let prev = -1;
  let aspect = NaN;
  for (let i = 0; i < x.n; i++) {
    if (x.loc[i] !== x.loc[i]) continue;
    if (prev >= 0) {
      for (const s of route.signals)
        if (x.loc[prev] < s.at && s.at <= x.loc[i] && aspect === 0) {
          const speed = x.speed ? ` at ${Math.abs(x.speed[i]).toFixed(1)} km/h` : '';
          note('spad', 3, i, i, s.at, `the signal at ${metres(s.at)} m${speed} (${where(i)})`);
        }
    }
    if (x.aspect[i] === x.aspect[i]) aspect = x.aspect[i];
    prev = i;
  }
}

/**
 * Each station of the route with the stop made at it: { name, at, entry
 * (the stop report's entry, or null), error (m, below 0 short), passed
 * (went beyond it without stopping), firstRowBeyond }. Where the train
 * stopped more than once near a station, the last stop counts: that is
 * where it stood.
 */
export function stationStops(log, roles, route, x = inputs(log, roles)) {
  const entries = stopReport(log, roles);
  return route.stations.map(({ name, at }) => {
    const near = entries.filter((e) => Math.abs(e.stop.location - at) <= STATION_METRES);
    const entry = near.length ? near[near.length - 1] : null;
    let beyond = -1;
    for (let i = 0; i < x.n && beyond < 0; i++) if (x.loc[i] >= at + STATION_METRES) beyond = i;
    return {
      name,
      at,
      entry,
      error: entry ? entry.stop.location - at : null,
      passed: !entry && beyond >= 0,
      beyondRow: beyond,
    };
  });
}

function stopFindings(stations, th, note) {
  for (const s of stations) {
    const place = `${s.name} (${metres(s.at)} m)`;
    if (s.passed) note('station_passed', 2, s.beyondRow, s.beyondRow, null, place);
    if (!s.entry || !(Math.abs(s.error) > th.stop_tolerance)) continue;
    const severity = Math.abs(s.error) > th.stop_serious ? 3 : 2;
    const text = `${Math.abs(s.error).toFixed(1)} m ${s.error < 0 ? 'short' : 'long'} of ${place}`;
    note('stop_outside_tolerance', severity, s.entry.stop.arrivalRow, s.entry.stop.lastRow, s.error, text);
  }
}

// The rate over each row's interval from the row before, in km/h/s of
// speed gained (sign 1) or lost (-1); a stretch lasts from the row its
// first interval began at.
function harsh(x, kind, limit, time, sign, note, where) {
  const rate = (i) => {
    const dt = x.t[i] - x.t[i - 1];
    return dt > 0 ? (sign * (Math.abs(x.speed[i]) - Math.abs(x.speed[i - 1]))) / dt : NaN;
  };
  for (const [a, b] of stretches(1, x.n, (i) => rate(i) > limit)) {
    if (!(span(x, a - 1, b) >= time)) continue;
    let worst = 0;
    for (let i = a; i <= b; i++) worst = Math.max(worst, rate(i));
    note(
      kind,
      2,
      a - 1,
      b,
      worst,
      `${worst.toFixed(1)} km/h/s for ${span(x, a - 1, b).toFixed(1)} s from ${where(a - 1)}`,
    );
  }
}

function doors(x, note, lasting, where) {
  const open = (i) => x.doorsClosed[i] === 0 && x.speed[i] !== 0 && x.speed[i] === x.speed[i];
  for (const [a, b] of stretches(0, x.n, open)) {
    const off = a > 0 && x.speed[a - 1] === 0 && x.doorsClosed[a - 1] === 0;
    let top = 0;
    for (let i = a; i <= b; i++) top = Math.max(top, Math.abs(x.speed[i]));
    const text = `up to ${top.toFixed(1)} km/h${lasting(a, b)} from ${where(a)}`;
    note(off ? 'moving_off_doors_open' : 'doors_open_moving', 3, a, b, top, text);
  }
}

function userFinding(log, x, rule, note, missing, lasting, where) {
  const c = columnNamed(log, rule.column);
  if (
    missing(rule.name, [
      [c >= 0, `no column "${rule.column}"`],
      [x.t || !rule.seconds, 'no clock column'],
    ])
  )
    return;
  const v = log.columns[c].values;
  const op = OPERATORS[rule.op];
  const label = log.labels[c];
  for (const [a, b] of stretches(0, x.n, (i) => v[i] === v[i] && op(v[i], rule.value))) {
    if (rule.seconds && !(span(x, a, b) >= rule.seconds)) continue;
    let worst = v[a];
    for (let i = a; i <= b; i++)
      if (rule.op[0] === '<' ? v[i] < worst : rule.op[0] === '>' && v[i] > worst) worst = v[i];
    note(
      rule.name,
      rule.severity,
      a,
      b,
      worst,
      `${label} ${rule.op} ${rule.value}${lasting(a, b)} from ${where(a)}, worst ${worst}`,
    );
  }
}
