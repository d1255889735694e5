// The stop-by-stop report: where the train stopped, how it got there and
// how it braked. Distances assume the location is in metres and speeds are
// in km/h, as the plug-in's keys deliver them; times come from the clock.
import { NONE, secondsOf } from './roles.js';
import { formatClock } from './format.js';
import { eventRows } from './events.js';

/** True when the roles known are enough for a report. */
export function canReport(roles) {
  return roles.speed !== NONE && (roles.location !== NONE || roles.clock !== NONE);
}

// Distance along the run for every row: the location column, or else the
// speed integrated over the clock (trapezoids, km/h to m/s).
function distances(speed, loc, t) {
  if (loc) return loc;
  const out = new Float64Array(speed.length);
  let last = -1;
  for (let i = 0; i < speed.length; i++) {
    if (speed[i] !== speed[i] || t[i] !== t[i]) {
      out[i] = last < 0 ? 0 : out[last];
      continue;
    }
    out[i] = last < 0 ? 0 : out[last] + ((Math.abs(speed[i]) + Math.abs(speed[last])) / 2 / 3.6) * (t[i] - t[last]);
    last = i;
  }
  return out;
}

/**
 * Stops (speed 0 after moving), the leg into each and the braking for it.
 * Returns [{ leg, stop, braking }], rows as indices into the log:
 *   leg: { fromRow, toRow, distance, time, topSpeed, avgSpeed }
 *   stop: { arrivalRow, departureRow (-1 when the log ends standing), lastRow,
 *           arrival, location, dwell, departure, doorOpen, doorClose, dwellBy }
 *   braking: { startRow, start, startLocation, distance, deceleration } or null
 * Times are seconds (null without a clock), distances metres. With door
 * events, the dwell runs from DOOR_OPEN to DOOR_CLOSE (dwellBy 'doors'),
 * else from the arrival to the departure (dwellBy 'speed'). The array's
 * `start` holds the departure from where the log began:
 * { departureRow, departure, doorClose } or null.
 */
export function stopReport(log, roles) {
  if (!canReport(roles)) return [];
  const v = log.columns[roles.speed].values;
  const t = roles.clock !== NONE ? secondsOf(log.columns[roles.clock]) : null;
  const loc = roles.location !== NONE ? log.columns[roles.location].values : null;
  const brake = roles.brake !== NONE ? log.columns[roles.brake].values : null;
  const run = { v, t, loc, brake, d: distances(v, loc, t), doors: doorRows(log, roles) };
  const { found, lastRow } = standstills(v);
  const entries = found.map(({ legStart: a, arrivalRow: z, departureRow }) => ({
    leg: legOf(run, a, z),
    stop: stopOf(run, z, departureRow, departureRow >= 0 ? departureRow : lastRow),
    braking: brakingOf(run, a, z),
  }));
  entries.start = startOf(run, entries);
  entries.doors = !!run.doors;
  return entries;
}

// Each stop as { legStart, arrivalRow, departureRow (-1 when the log ends
// standing) }, and the last row with a speed.
function standstills(v) {
  const found = [];
  let prev = -1;
  let legStart = -1;
  let stop = null;
  for (let i = 0; i < v.length; i++) {
    if (v[i] !== v[i]) continue;
    if (v[i] !== 0) {
      // Leaving a standstill: the last row at rest is the departure.
      if (legStart < 0) legStart = prev >= 0 ? prev : i;
      if (stop) {
        stop.departureRow = prev;
        found.push(stop);
        stop = null;
        legStart = prev;
      }
    } else if (legStart >= 0 && !stop && prev >= 0 && v[prev] !== 0) {
      stop = { legStart, arrivalRow: i, departureRow: -1 };
    }
    prev = i;
  }
  if (stop) found.push(stop);
  return { found, lastRow: prev };
}

const timeOf = (run, i) => (run.t ? run.t[i] : null);
const span = (run, a, b) => (run.t ? run.t[b] - run.t[a] : null);

// A door call lands on the row after it, which may be the first one moving.
function doorIn(rows, from, to, last) {
  const hits = rows.filter((r) => r >= from && r <= to);
  return hits.length ? hits[last ? hits.length - 1 : 0] : -1;
}

function legOf({ v, d, t }, a, z) {
  let top = 0;
  for (let i = a; i <= z; i++) if (Math.abs(v[i]) > top) top = Math.abs(v[i]);
  const distance = Math.abs(d[z] - d[a]);
  const time = span({ t }, a, z);
  return { fromRow: a, toRow: z, distance, time, topSpeed: top, avgSpeed: time ? (distance / time) * 3.6 : null };
}

function stopOf(run, z, departureRow, lastRow) {
  const { t, loc, d, doors } = run;
  const open = doors ? doorIn(doors.open, z, lastRow, false) : -1;
  const close = open >= 0 ? doorIn(doors.close, open, departureRow >= 0 ? departureRow + 1 : lastRow, true) : -1;
  const byDoors = open >= 0 && close >= 0 && t;
  return {
    arrivalRow: z,
    departureRow,
    lastRow,
    arrival: timeOf(run, z),
    location: loc ? loc[z] : d[z],
    dwell: byDoors ? t[close] - t[open] : span(run, z, lastRow),
    departure: departureRow >= 0 ? timeOf(run, departureRow) : null,
    doorOpen: open >= 0 ? timeOf(run, open) : null,
    doorClose: close >= 0 ? timeOf(run, close) : null,
    dwellBy: byDoors ? 'doors' : 'speed',
  };
}

// Braking began at the first row of the last continuous brake application
// before the stop; without a brake column, at the first row of the last
// continuous slowing down.
function brakingOf(run, a, z) {
  const { v, loc, brake, d } = run;
  let s = z;
  if (brake) {
    while (s > a && !(brake[s] > 0)) s--;
    if (brake[s] > 0) while (s > a && brake[s - 1] > 0) s--;
    else s = z;
  } else {
    while (s > a && Math.abs(v[s - 1]) > Math.abs(v[s])) s--;
  }
  if (s >= z) return null;
  const brakeTime = span(run, s, z);
  return {
    startRow: s,
    start: timeOf(run, s),
    startLocation: loc ? loc[s] : d[s],
    distance: Math.abs(d[z] - d[s]),
    deceleration: brakeTime ? Math.abs(v[s]) / brakeTime : null,
  };
}

// The departure from where the log began, when it began standing.
function startOf(run, entries) {
  if (!entries.length || run.v[entries[0].leg.fromRow] !== 0) return null;
  const from = entries[0].leg.fromRow;
  const close = run.doors ? doorIn(run.doors.close, 0, from + 1, true) : -1;
  return { departureRow: from, departure: timeOf(run, from), doorClose: close >= 0 ? timeOf(run, close) : null };
}

// Rows with DOOR_OPEN and with DOOR_CLOSE, or null without door events.
function doorRows(log, roles) {
  if (roles.events === NONE) return null;
  const open = [];
  const close = [];
  for (const e of eventRows(log.columns[roles.events])) {
    if (e.names.includes('DOOR_OPEN')) open.push(e.row);
    if (e.names.includes('DOOR_CLOSE')) close.push(e.row);
  }
  return open.length || close.length ? { open, close } : null;
}

/** Which measure the dwell times use, in words. */
export function dwellMeasure(entries) {
  const doors = entries.filter((e) => e.stop.dwellBy === 'doors').length;
  if (!doors) return 'Dwell: from the stop to setting off (speed 0), as the log has no door events.';
  if (doors === entries.length) return 'Dwell: from DOOR_OPEN to DOOR_CLOSE.';
  return `Dwell: from DOOR_OPEN to DOOR_CLOSE at ${doors} of ${entries.length} stops; at the others (marked *), from the stop to setting off.`;
}

const fixed = (x, digits) => (x == null ? '' : x.toFixed(digits));
const clock = (x) => (x == null ? '' : formatClock(x));
const duration = (x) => (x == null ? '' : x.toFixed(1));

export const REPORT_COLUMNS = [
  'Item',
  'Arrival',
  'Location [m]',
  'Dwell [s]',
  'Departure',
  'Distance [m]',
  'Running time [s]',
  'Top speed [km/h]',
  'Average speed [km/h]',
  'Braking from [m]',
  'Braking distance [m]',
  'Mean deceleration [km/h/s]',
];
const DOOR_COLUMNS = ['Doors open', 'Doors closed'];

/** The table's columns: with door times when the log has door events. */
export function reportColumns(entries) {
  return entries.doors ? [...REPORT_COLUMNS.slice(0, 4), ...DOOR_COLUMNS, ...REPORT_COLUMNS.slice(4)] : REPORT_COLUMNS;
}

/**
 * The report as table rows of text: the departure from where the log
 * began when there are door events, then a leg row and a stop row for each
 * stop; each row carries the log rows it covers (for zooming to it).
 */
export function reportRows(entries) {
  const columns = reportColumns(entries);
  const row = (from, to, named) => ({ from, to, cells: columns.map((c) => named[c] ?? '') });
  const rows = [];
  const start = entries.start;
  if (entries.doors && start) {
    rows.push(
      row(0, start.departureRow, {
        Item: 'Start',
        'Doors closed': clock(start.doorClose),
        Departure: clock(start.departure),
      }),
    );
  }
  entries.forEach(({ leg, stop, braking }, n) => {
    rows.push(
      row(leg.fromRow, leg.toRow, {
        Item: `Leg ${n + 1}`,
        'Distance [m]': fixed(leg.distance, 1),
        'Running time [s]': duration(leg.time),
        'Top speed [km/h]': fixed(leg.topSpeed, 1),
        'Average speed [km/h]': fixed(leg.avgSpeed, 1),
      }),
    );
    rows.push(
      row(braking ? braking.startRow : stop.arrivalRow, stop.lastRow, {
        Item: `Stop ${n + 1}`,
        Arrival: clock(stop.arrival),
        'Location [m]': fixed(stop.location, 1),
        'Dwell [s]': duration(stop.dwell) + (entries.doors && stop.dwellBy !== 'doors' ? '*' : ''),
        'Doors open': clock(stop.doorOpen),
        'Doors closed': clock(stop.doorClose),
        Departure: stop.departureRow >= 0 ? clock(stop.departure) : '(log ends)',
        'Braking from [m]': braking ? fixed(braking.startLocation, 1) : '',
        'Braking distance [m]': braking ? fixed(braking.distance, 1) : '',
        'Mean deceleration [km/h/s]': braking ? fixed(braking.deceleration, 2) : '',
      }),
    );
  });
  return rows;
}

/** The report as CSV text (quoted where a cell needs it), CR LF line ends. */
export function reportCsv(entries) {
  const q = (s) => (/[",\r\n]/.test(s) ? `"${s.replace(/"/g, '""')}"` : s);
  const lines = [reportColumns(entries), ...reportRows(entries).map((r) => r.cells)].map((cells) =>
    cells.map(q).join(','),
  );
  return lines.join('\r\n') + '\r\n';
}
