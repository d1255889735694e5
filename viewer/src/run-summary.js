// One line per run for the library of runs and cablog-debrief's table:
// when, how long, how far, how fast, the stops and the findings by
// severity. A summary keeps no rows, so that hundreds of runs fit.
import { guessRoles, NONE, secondsOf } from './roles.js';
import { stopReport } from './report.js';
import { findingsOf } from './findings.js';
import { csvText } from './stops-compare.js';

/** "2026-12-10 12:02:16" (and " #2") from Log_261210-120216[-2].csv, else ''. */
export function dateOf(fileName) {
  const m = /Log_(\d\d)(\d\d)(\d\d)-(\d\d)(\d\d)(\d\d)(?:-(\d+))?\.csv$/i.exec(fileName);
  return m ? `20${m[1]}-${m[2]}-${m[3]} ${m[4]}:${m[5]}:${m[6]}${m[7] ? ` #${m[7]}` : ''}` : '';
}

// The last value less the first, gaps left out; and the path run, every
// step counted whichever way it went.
function range(values) {
  const known = values.filter((v) => v === v);
  return known.length ? known[known.length - 1] - known[0] : null;
}

function pathLength(values) {
  let total = 0;
  let prev = NaN;
  for (const v of values) {
    if (v !== v) continue;
    if (prev === prev) total += Math.abs(v - prev);
    prev = v;
  }
  return total;
}

/**
 * { name, date, duration (s), distance (m), topSpeed (km/h), stops: [{
 * name, error }], meanStopError (m, of the stops at stations, else null),
 * counts: [notes, warnings, serious], findings, unchecked }; null where
 * the log lacks what a value needs.
 */
export function summariseRun(name, log, { route = null, rules, roles = guessRoles(log) } = {}) {
  const result = findingsOf(log, { route, rules, roles });
  const speed = roles.speed !== NONE ? log.columns[roles.speed].values : null;
  let top = null;
  if (speed) for (const v of speed) if (v === v) top = Math.max(top ?? 0, Math.abs(v));
  const distance = roles.location !== NONE ? pathLength(log.columns[roles.location].values) : null;
  const stops = result.stations.length
    ? result.stations.map((s) => ({ name: s.name, error: s.error, passed: s.passed }))
    : stopReport(log, roles).map((e, n) => ({ name: `Stop ${n + 1}`, error: null, passed: false }));
  const errors = stops.filter((s) => s.error !== null).map((s) => Math.abs(s.error));
  return {
    name,
    date: dateOf(name),
    duration: roles.clock !== NONE ? range(secondsOf(log.columns[roles.clock])) : null,
    distance,
    topSpeed: top,
    stops,
    meanStopError: errors.length ? errors.reduce((a, b) => a + b, 0) / errors.length : null,
    counts: [1, 2, 3].map((s) => result.findings.filter((f) => f.severity === s).length),
    findings: result.findings,
    unchecked: result.unchecked,
  };
}

/** Runs in the order they were made: by the date in the file name, then by name. */
export const byDate = (a, b) => (a.date || a.name).localeCompare(b.date || b.name) || a.name.localeCompare(b.name);

export const RUN_COLUMNS = [
  'Log',
  'Date and time',
  'Duration [s]',
  'Distance [m]',
  'Top speed [km/h]',
  'Stops',
  'Mean stop error [m]',
  'Notes',
  'Warnings',
  'Serious',
];

/** A stop as text: "Platform 2 2.3 m short", "Platform 3 passed", "Stop 1". */
export function stopText(s) {
  if (s.passed) return `${s.name} passed`;
  if (s.error === null) return s.name;
  if (Math.abs(s.error) < 0.05) return `${s.name} on target`;
  return `${s.name} ${Math.abs(s.error).toFixed(1)} m ${s.error < 0 ? 'short' : 'long'}`;
}

const fixed = (x, digits) => (x === null || x !== x ? '' : x.toFixed(digits));

/** A summary as the cells of RUN_COLUMNS. */
export function runCells(s) {
  return [
    s.name,
    s.date,
    fixed(s.duration, 1),
    fixed(s.distance, 1),
    fixed(s.topSpeed, 1),
    s.stops.map(stopText).join('; '),
    fixed(s.meanStopError, 2),
    ...s.counts.map(String),
  ];
}

/** The runs table as CSV text. */
export const runsCsv = (summaries) => csvText([RUN_COLUMNS, ...summaries.map(runCells)]);
