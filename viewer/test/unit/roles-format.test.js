// The boundaries of the role guesses and the tick and label texts, case by
// case: each row is a value on either side of a limit the code draws.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { KIND_NUMBER, KIND_BOOL, KIND_CLOCK } from '../../src/log-model.js';
import { isStepColumn, isMillisClock, unitOf, secondsOf, guessRoles, NONE } from '../../src/roles.js';
import { formatClockTick, formatNumberTick, CLOCK_INCRS } from '../../src/format.js';
import { visibleText, decodeText } from '../../src/codepage.js';
import { timeSinceStart, locationAxis, extraLabels } from '../../src/compare.js';

const column = (label, values, kind = KIND_NUMBER) => ({ label, kind, values: Float64Array.from(values) });
const range = (from, to) => Array.from({ length: to - from + 1 }, (_, i) => from + i);

test('a step column has at most 16 whole values within a span of 32', () => {
  const cases = [
    [range(0, 15), true],
    [range(0, 16), false],
    [[0, 32], true],
    [[0, 33], false],
    [[-5, 27, NaN], true],
    [[3, 3, 3], true],
    [[1, 1.5], false],
    [[NaN], false],
    [[], false],
  ];
  for (const [values, step] of cases) assert.equal(isStepColumn(column('Notch', values)), step, `${values}`);
  assert.equal(isStepColumn(column('Door', [1], KIND_BOOL)), true);
  assert.equal(isStepColumn(column('Clock', [1], KIND_CLOCK)), false);
  // Rows added later are checked too.
  const grows = column('Notch', range(0, 15));
  assert.equal(isStepColumn(grows), true);
  grows.values = Float64Array.from(range(0, 16));
  assert.equal(isStepColumn(grows), false);
});

test('a millisecond clock is whole, never decreasing and labelled as time', () => {
  const cases = [
    ['Time', [0, 16, 16, 33], true],
    ['Elapsed [ms]', [0, 16], true],
    ['t [MS]', [0, 16], true],
    ['時間', [5], true],
    ['Speed', [0, 16], false],
    ['Time', [0, 16.5], false],
    ['Time', [16, 0], false],
    ['Time', [NaN, 3, NaN, 4], true],
    ['Time', [NaN], false],
  ];
  for (const [label, values, clock] of cases) assert.equal(isMillisClock(column(label, values)), clock, label + values);
  assert.equal(isMillisClock(column('Time', [0], KIND_CLOCK)), false);
});

test('units come from the last brackets of a label', () => {
  const cases = [
    ['BC [kPa]', 'kPa'],
    ['BC [ kPa ]  ', 'kPa'],
    ['BC [kPa] x', ''],
    ['BC', ''],
    ['', ''],
    [undefined, ''],
  ];
  for (const [label, unit] of cases) assert.equal(unitOf(label), unit, label);
});

test('seconds from a clock column or from milliseconds', () => {
  assert.deepEqual([...secondsOf(column('Time', [1500, 2000]))], [1.5, 2]);
  const clock = column('Clock', [3, 4], KIND_CLOCK);
  assert.equal(secondsOf(clock), clock.values);
});

test('the roles skip what only looks like them', () => {
  const log = {
    columns: [
      column('Accel [km/h/s]', [0, 1]),
      column('Speed', [0, 1]),
      column('Speed limit', [0, 1]),
      column('Beacon distance [m]', [0, 1]),
      column('Location', [0, 1]),
      column('Brake [kPa]', [0, 400]),
      column('Brake', [0, 4]),
      column('Clock', [2, 1], KIND_CLOCK),
      column('Time', [0, 16]),
    ],
  };
  const { speed, location, clock, brake } = guessRoles(log);
  assert.deepEqual({ speed, location, clock, brake }, { speed: 1, location: 4, clock: 8, brake: 6 });
  const none = guessRoles({ columns: [column('Speed', [0], KIND_BOOL), column('Location', [1], KIND_CLOCK)] });
  assert.deepEqual([none.speed, none.location, none.brake], [NONE, NONE, NONE]);
});

test('tick texts', () => {
  const cases = [
    [0, 1, '0'],
    [0.30000000000000004, 0.1, '0.3'],
    [1e9, 1e8, '1e+9'],
    [999999999, 1, '999999999'],
    [2.5e9, 5e8, '2.5e+9'],
    [1e-4, 1e-5, '0.00010'],
    [5e-5, 1e-5, '5e-5'],
    [1.23456e-5, 1e-7, '1.23e-5'],
    [1234, 100, '1234'],
  ];
  for (const [v, incr, text] of cases) assert.equal(formatNumberTick(v, incr), text, `${v} by ${incr}`);
  assert.equal(formatClockTick(3661.5, 0.5), '01:01:01.500');
  assert.equal(formatClockTick(3661, 1), '01:01:01');
  assert.equal(formatClockTick(3661, 2), '01:01:01');
  // Decimal steps below a second, then watch steps, then whole days doubling.
  assert.deepEqual(CLOCK_INCRS.slice(0, 3), [0.001, 0.002, 0.005]);
  assert.deepEqual(CLOCK_INCRS.slice(26, 29), [86400, 172800, 345600]);
  assert.equal(CLOCK_INCRS.at(-1), 86400 * 2 ** 19);
});

test('control characters show as symbols, a mark inside the labels as itself', () => {
  assert.equal(visibleText('a\x00b\rc\x1f\x7f d'), 'a␀b␍c␟␡ d');
  assert.equal(decodeText(new Uint8Array([0xef, 0xbb, 0xbf, 0x41]), 'utf-8'), '\ufeffA');
});

test('run axes: time from the first clocked row, location never going back', () => {
  const log = {
    rowCount: 5,
    columns: [column('Time', [NaN, 1000, NaN, 3000, 2500]), column('Location', [NaN, 5, 7, 6, 9])],
    labels: ['Time', 'Location'],
  };
  assert.deepEqual([...timeSinceStart(log, { clock: 0 })], [0, 0, 0, 2, 1.5]);
  assert.deepEqual([...timeSinceStart(log, { clock: NONE })], [0, 1, 2, 3, 4]);
  assert.deepEqual([...locationAxis(log, { location: 1 })], [5, 5, 7, 7, 9]);
  const atStart = { rowCount: 2, columns: [column('Location', [3, 4])] };
  assert.deepEqual([...locationAxis(atStart, { location: 0 })], [3, 4]);
  const logs = [{ labels: ['A', 'B'] }, { labels: ['B', 'C', 'D', 'C'] }, { labels: ['D', 'E'] }];
  assert.deepEqual(extraLabels(logs), ['C', 'D', 'E']);
});
