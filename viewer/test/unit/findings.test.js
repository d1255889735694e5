// The findings each small log must give: every kind at its boundaries,
// with its inputs missing, and without a route file; and that raising a
// threshold never adds one.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { parseLog } from '../../src/parse.js';
import { formatClock } from '../../src/format.js';
import { parseRoute } from '../../src/route-file.js';
import { findingsOf, KINDS } from '../../src/findings.js';
import { defaultRules, parseFindingsFile, THRESHOLDS } from '../../src/finding-rules.js';

// A log of the given columns, one row a second from 10:00:00 unless a Clock is given.
function log(columns) {
  const n = Object.values(columns)[0].length;
  const all = { Clock: Array.from({ length: n }, (_, i) => 36000 + i), ...columns };
  const cell = (v, key) => (key === 'Clock' ? formatClock(v) : v === null ? '' : String(v));
  const lines = [Object.keys(all).join(',') + ','];
  for (let i = 0; i < n; i++)
    lines.push(
      Object.entries(all)
        .map(([k, v]) => cell(v[i], k) + ',')
        .join(''),
    );
  return parseLog(new TextEncoder().encode(lines.join('\r\n') + '\r\n'));
}
const run = (speeds, more = {}) => {
  let at = 1400;
  const loc = speeds.map((v) => (at += v / 3.6));
  return { 'Location [m]': loc, 'Speed [km/h]': speeds, ...more };
};
const slow = { Clock: [36000, 36010, 36020] };
const ROUTE = 'at 0 limit 40\nat 1500 signal\nat 1450 station Platform 2\n';

test('the findings of each small log', async (t) => {
  // prettier-ignore
  const cases = [
    // name, columns, route, findings file, expected findings, expected not-checked kinds
    ['at the limit plus the margin', run([40, 42, 42, 42, 40]), ROUTE, '', [], []],
    ['above it for exactly the minimum time', run([41, 42.1, 43, 42.1, 41]), ROUTE, '',
      ['1 overspeed: 43.0 km/h against 40 for 2.0 s from 1,423 m'], []],
    ['above it for less', run([42, 44, 44, 42]), ROUTE, '', [], []],
    ['a warning', run([42, 45, 45, 45]), ROUTE, '', ['2 overspeed: 45.0 km/h against 40 for 2.0 s from 1,424 m'], []],
    ['serious', run([42, 50, 50, 50]), ROUTE, 'set harsh_acceleration 10',
      ['3 overspeed: 50.0 km/h against 40 for 2.0 s from 1,426 m'], []],
    ['a margin from the findings file', run([42, 45, 45, 45]), ROUTE, 'set overspeed_margin 5', [], []],
    ['a signal passed at danger', { 'Location [m]': [1490, 1499, 1501], 'Signal aspect': [0, 0, 2] }, ROUTE, '',
      ['3 signal passed at danger: the signal at 1,500 m (1,501 m)'], ['stop outside tolerance', 'harsh braking']],
    ['a signal reached exactly, once', { 'Location [m]': [1490, 1495, 1500, 1510], 'Signal aspect': [0, null, 0, 0] }, ROUTE, '',
      ['3 signal passed at danger: the signal at 1,500 m (1,500 m)'], []],
    ['a signal passed at caution', { 'Location [m]': [1490, 1499, 1501], 'Signal aspect': [2, 2, 0] }, ROUTE, '', [], []],
    ['a stop short', { ...slow, 'Location [m]': [1440, 1447.5, 1447.5], 'Speed [km/h]': [20, 0, 0] }, ROUTE, '',
      ['2 stop outside tolerance: 2.5 m short of Platform 2 (1,450 m)'], []],
    ['a stop 50 m short', { ...slow, 'Location [m]': [1390, 1400, 1400], 'Speed [km/h]': [20, 0, 0] }, ROUTE, '',
      ['3 stop outside tolerance: 50.0 m short of Platform 2 (1,450 m)'], []],
    ['a stop 5 m long', { ...slow, 'Location [m]': [1440, 1455, 1455], 'Speed [km/h]': [20, 0, 0] }, ROUTE, '',
      ['2 stop outside tolerance: 5.0 m long of Platform 2 (1,450 m)'], []],
    ['a stop within the tolerance', { ...slow, 'Location [m]': [1440, 1451, 1451], 'Speed [km/h]': [20, 0, 0] }, ROUTE, '', [], []],
    ['a station passed', { 'Location [m]': [1440, 1480, 1500], 'Speed [km/h]': [20, 20, 20] }, ROUTE, '',
      ['2 station passed without stopping: Platform 2 (1,450 m)'], []],
    ['harsh braking for exactly the minimum time', run([60, 55, 55]), null, '',
      ['2 harsh braking: 5.0 km/h/s for 1.0 s from 1,417 m'], []],
    ['harsh braking for less', run([60, 55, 55]), null, 'set harsh_braking_time 1.5', [], []],
    ['braking at the limit', run([60, 56, 52]), null, '', [], []],
    ['harsh acceleration', run([0, 5, 10, 11]), null, 'set harsh_acceleration_time 2',
      ['2 harsh acceleration: 5.0 km/h/s for 2.0 s from 1,400 m'], []],
    ['the emergency brake', { 'Brake notch': [8, 9, 9], 'Brake notches': [8, 8, 8] }, null, '',
      ['2 emergency brake: at notch 9 for 1.0 s from 10:00:01.000'], []],
    ['doors open while moving', run([10, 10, 10], { 'Doors closed': [true, false, true] }), null, '',
      ['3 doors open while moving: up to 10.0 km/h for 0.0 s from 1,406 m'], []],
    ['moving off with the doors open', run([0, 0, 3, 3], { 'Doors closed': [false, false, false, true] }), null, '',
      ['3 moving off with the doors open: up to 3.0 km/h for 0.0 s from 1,401 m'], []],
    ['a plug-in fault', { Events: [null, 'BRAKE PLUGIN_FAULT', null] }, null, '', ['2 plug-in fault: at 10:00:01.000'], []],
    ['a finding of the file', { 'Brake cylinder [kPa]': [390, 401, 420, 410, 401, 300] }, null,
      'finding hot_bc when BC > 400 for 3 severity 3 # by the key',
      ['3 hot_bc: Brake cylinder [kPa] > 400 for 3.0 s from 10:00:01.000, worst 420'], []],
    ['held for less', { 'Brake cylinder [kPa]': [401, 401, 401] }, null, 'finding hot_bc when "Brake cylinder [kPa]" > 400 for 3', [], []],
    ['doors open, by a finding of the file', { 'Doors closed': [true, false, false] }, null,
      'finding open when "Doors closed" = false severity 1', ['1 open: Doors closed = 0 for 1.0 s from 10:00:01.000, worst 0'], []],
    ['its column missing', { 'Speed [km/h]': [1] }, null, 'finding hot_bc when "Brake cylinder [kPa]" > 400', [], ['hot_bc']],
  ];
  for (const [name, columns, route, file, expected, unchecked] of cases) {
    await t.test(name, () => {
      const rules = parseFindingsFile(file, Object.keys(KINDS));
      const result = findingsOf(log(columns), { route: route && parseRoute(route), rules });
      assert.deepEqual(
        result.findings.map((f) => `${f.severity} ${f.text}`),
        expected,
      );
      for (const kind of unchecked)
        assert.ok(
          result.unchecked.some((u) => u.kind === kind),
          `${kind} is not checked`,
        );
    });
  }
});

test('each kind whose inputs are missing is reported once with the reason', () => {
  const reasons = (columns, route) =>
    Object.fromEntries(
      findingsOf(log(columns), { route: route && parseRoute(route) }).unchecked.map((u) => [u.kind, u.reason]),
    );
  assert.deepEqual(reasons({ 'Speed [km/h]': [1] }, null), {
    overspeed: 'no route file',
    'signal passed at danger': 'no route file',
    'stop outside tolerance': 'no route file',
    'emergency brake': 'no brake notch column',
    'doors open while moving': 'no doors-closed column',
    'moving off with the doors open': 'no doors-closed column',
    'plug-in fault': 'no events column',
  });
  const noSpeed = reasons({ 'Location [m]': [1] }, 'at 0 limit 40');
  assert.equal(noSpeed.overspeed, 'no speed column');
  assert.equal(noSpeed['signal passed at danger'], 'no signal aspect column');
  assert.equal(noSpeed['harsh braking'], 'no speed column');
});

// A small random generator, seeded so that a failure repeats.
function random(seed) {
  return () => (seed = (seed * 1103515245 + 12345) % 2147483648) / 2147483648;
}

test('raising a threshold never adds a finding', () => {
  const next = random(29);
  const user = 'finding hot when "Brake notch" >= 3 for 2\n';
  for (let trial = 0; trial < 200; trial++) {
    let v = 30;
    const speeds = Array.from({ length: 60 }, () => (v = Math.max(0, v + (next() - 0.45) * 12)));
    const columns = run(speeds, {
      'Brake notch': speeds.map(() => Math.floor(next() * 5)),
      'Brake notches': speeds.map(() => 3),
    });
    const route = parseRoute(`at 0 limit ${20 + next() * 30}\nat ${1400 + next() * 300} station A\n`);
    const parsed = log(columns);
    const low = parseFindingsFile(user);
    for (const [name] of THRESHOLDS) low.thresholds[name] *= next() * 2;
    const high = structuredClone(low);
    const [raised] = THRESHOLDS[Math.floor(next() * THRESHOLDS.length)];
    high.thresholds[raised] += next() * 5;
    if (trial % 2) high.userFindings[0].seconds += 1;
    const before = findingsOf(parsed, { route, rules: low }).findings;
    for (const f of findingsOf(parsed, { route, rules: high }).findings) {
      const within = before.some((g) => g.kind === f.kind && g.startRow <= f.startRow && f.endRow <= g.endRow);
      assert.ok(within, `raising ${raised} to ${high.thresholds[raised]} added ${f.text}`);
    }
  }
  assert.deepEqual(
    Object.keys(defaultRules().thresholds),
    THRESHOLDS.map(([name]) => name),
  );
});
