// The route and findings files, the tables they are documented in, and
// cablog-debrief's output and exit status.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync, writeFileSync, mkdtempSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { parseRoute } from '../../src/route-file.js';
import { parseFindingsFile, THRESHOLDS, OPERATORS } from '../../src/finding-rules.js';
import { SHIPPED_HEADINGS } from '../../src/shipped-headings.js';
import { debrief } from '../../cli/debrief.js';
import { repoFile } from './logs.js';

const fixture = (name) => resolve(dirname(fileURLToPath(import.meta.url)), '..', 'fixtures', name);

test('a route file, and the line each mistake is named at', () => {
  const route = parseRoute(
    'line 0 3000\n# the platform\nat 2660 station Platform 2 # its stop\nat 600 beacon 10 0 300 0\r\nat 0 limit 65\nat 2700 signal\nat 900 signal 0\n',
  );
  assert.deepEqual(route, {
    line: { from: 0, to: 3000 },
    limits: [{ at: 0, kmh: 65 }],
    signals: [
      { at: 900, aspect: 0 },
      { at: 2700, aspect: null },
    ],
    stations: [{ at: 2660, name: 'Platform 2' }],
  });
  for (const [text, message] of [
    ['at 10 limit 0', 'line 1: speed limit 0 is not above 0'],
    ['at x limit 40', "line 1: location 'x' is not a number"],
    ['\nat 10 station', "line 2: 'station' takes a name"],
    ['at 10 limit 40\nat 10 limit 50', 'line 2: a limit at 10 m already (line 1)'],
    ['at 10 crossing', "line 1: unknown thing on the line 'crossing'"],
    ['line 5 5', "line 1: the line's first end must lie below its second"],
    ['10 power 1', "line 1: '10' is not a route line"],
  ])
    assert.throws(() => parseRoute(text), { message: new RegExp(message.replace(/[()]/g, '\\$&')) }, text);
});

test('a findings file, and the line each mistake is named at', () => {
  const rules = parseFindingsFile('set stop_tolerance 0.5\nfinding slow when "Speed [km/h]" < 5 severity 1 # crawl\n');
  assert.equal(rules.thresholds.stop_tolerance, 0.5);
  assert.deepEqual(rules.userFindings, [
    { name: 'slow', column: 'Speed [km/h]', op: '<', value: 5, seconds: 0, severity: 1 },
  ]);
  assert.equal(parseFindingsFile('finding q when "a ""b""" > 1').userFindings[0].column, 'a "b"');
  const holds = Object.values(OPERATORS).map((op) => [1, 2, 3].filter((v) => op(v, 2)));
  assert.deepEqual(holds, [[2], [1, 3], [1], [1, 2], [3], [2, 3]]);
  for (const [text, message] of [
    ['set stop_tolerance 1x', "'1x' is not a number"],
    ['set stop_tolerance', "'set' takes a threshold's name and a value"],
    ['finding 1a when BC > 4', "'1a' is not a name"],
    ['finding a when BC > 4\nfinding a when BC < 1', "line 2: a finding is named 'a' already"],
    ['finding a if BC > 4', 'a finding reads'],
    ['finding a when BC > 4 for -1', "'for' must not be below 0"],
    ['set stop_margin 1', "no threshold is named 'stop_margin'"],
    ['set stop_tolerance -1', 'must not be below 0'],
    ['finding a when BC >> 4', "'>>' is not one of"],
    ['finding a when "BC > 4', 'no closing quote'],
    ['finding a when BC > 4 severity 4', 'severity is 1, 2 or 3'],
    ['finding a when BC > 4 for', "'for' is missing"],
    ['finding overspeed when BC > 4', "a finding is named 'overspeed' already"],
    ['\nwhen BC > 4', "line 2: 'when' is not a findings line"],
  ])
    assert.throws(() => parseFindingsFile(text, ['overspeed']), { message: new RegExp(message) }, text);
});

test('the shipped headings and the thresholds are as the package documents them', () => {
  const csv = readFileSync(repoFile('package', 'cablog.csv'), 'utf8').trim().split(/\r?\n/);
  assert.deepEqual(
    Object.entries(SHIPPED_HEADINGS).map(([key, label]) => `${key},${label}`),
    csv,
  );
  const readme = readFileSync(repoFile('package', 'README.txt'), 'utf8');
  for (const [name, value, unit] of THRESHOLDS)
    assert.match(readme, new RegExp(`^  ${name} +${value} ${unit.replace('/', '\\/')} `, 'm'), name);
});

test('cablog-debrief: the table, every finding, and the exit status', () => {
  const dir = mkdtempSync(join(tmpdir(), 'debrief-'));
  const route = join(dir, 'route.txt');
  writeFileSync(route, 'at 0 limit 50\n');
  const log = fixture('Log_261209-204603.csv');
  const text = debrief([log, '--route', route]);
  assert.match(text.out, /^Log_261209-204603\.csv +2026-12-09 20:46:03 /m);
  assert.match(text.out, /^ {2}note {5}overspeed: [\d.]+ km\/h against 50 for/m);
  assert.equal(debrief([log, '--route', route, '--fail-at', '2']).status, 0);
  assert.equal(debrief([log, '--route', route, '--fail-at', '1', '--csv']).status, 1);
  const json = JSON.parse(debrief([log, '--json']).out);
  assert.ok(json.runs[0].unchecked.some((u) => u.reason === 'no route file'));
  writeFileSync(join(dir, 'bad.txt'), 'finding x when A ~ 1\n');
  for (const args of [
    [],
    [join(dir, 'none.csv')],
    [log, '--findings', join(dir, 'bad.txt')],
    [route],
    [log, '--fail-at', '4'],
  ]) {
    const { out, err, status } = debrief(args);
    assert.deepEqual([out, status], ['', 2], args.join(' '));
    assert.match(err, /^cablog-debrief: /);
  }
});
