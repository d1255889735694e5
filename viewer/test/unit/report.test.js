// The stop report against numbers worked out by hand for the fixture
// stops.csv: a start from rest, a stop at 10 s with a brake released and
// applied again just before it, a dwell, and a last stop as the log ends.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { resolve, dirname } from 'node:path';
import { fileURLToPath } from 'node:url';
import { parseLog } from '../../src/parse.js';
import { guessRoles, isStepColumn, NONE } from '../../src/roles.js';
import { stopReport, reportCsv, canReport } from '../../src/report.js';

const fixtures = resolve(dirname(fileURLToPath(import.meta.url)), '..', 'fixtures');
const stops = parseLog(readFileSync(resolve(fixtures, 'stops.csv')));
const crlf = (...lines) => new TextEncoder().encode(lines.map((l) => l + '\r\n').join(''));

test('roles are guessed from labels and values', async (t) => {
  const cases = [
    // header, one row, expected { speed, location, clock, brake, events }
    ['Clock,Location [m],Speed [km/h],Brake notch,Doors shut,', '10:00:00.000,1,2,3,true,', [2, 1, 0, 3]],
    ['時刻,位置 [m],速度 [km/h],ブレーキ,BC [kPa],', '10:00:00.000,1,2,3,4,', [2, 1, 0, 3]],
    // The millisecond clock when there is no clock text; brake pressure is not a notch.
    ['Time [ms],BC [kPa],Speed,Accel [km/h/s],Distance,', '1000,400,2,3,4,', [2, 4, 0, NONE]],
    // Acceleration and a speed limit are not the speed; a beacon's distance is not the location.
    ['Acceleration [km/h/s],Speed limit,Beacon distance [m],', '1,2,3,', [NONE, NONE, NONE]],
    ['A,B,', '1,2,', [NONE, NONE, NONE, NONE]],
    // Events are found by their cells, whatever the label.
    ['Speed [km/h],Notes,', '1,SIGNAL KEY_DOWN_3 +2,', [0, NONE, NONE, NONE, 1]],
  ];
  for (const [header, row, [speed, location, clock, brake = NONE, events = NONE]] of cases) {
    await t.test(header, () => {
      assert.deepEqual(guessRoles(parseLog(crlf(header, row))), { speed, location, clock, brake, events });
    });
  }
});

test('step columns: true/false and a few whole numbers', () => {
  const log = parseLog(crlf('a,b,c,d,e,', '1,true,1.5,-1,0,', '2,false,2,30,490,', '3,true,3,,440,'));
  assert.deepEqual(log.columns.map(isStepColumn), [true, true, false, true, false]);
  const many = parseLog(crlf('n,', ...Array.from({ length: 40 }, (_, i) => `${i},`)));
  assert.equal(isStepColumn(many.columns[0]), false);
});

const pick = (o, keys) =>
  Object.fromEntries(keys.map((k) => [k, o[k] == null ? o[k] : Math.round(o[k] * 1000) / 1000]));

test('the stop report matches hand-worked numbers', async (t) => {
  const roles = guessRoles(stops);
  const cases = [
    // name, roles, [per stop: leg, stop, braking]
    [
      'speed, location, clock and brake',
      roles,
      [
        [
          [1, 10, 27.5, 9, 18, 11],
          [10, 13, 36010, 127.5, 3],
          [9, 127, 0.5, 3.6],
        ],
        [
          [13, 18, 9.5, 5, 9, 6.84],
          [18, -1, 36018, 137, 1],
          [16, 134, 3, 4.5],
        ],
      ],
    ],
    [
      'no brake column: the last continuous slowing down',
      { ...roles, brake: NONE },
      [
        [
          [1, 10, 27.5, 9, 18, 11],
          [10, 13, 36010, 127.5, 3],
          [6, 120, 7.5, 4.5],
        ],
        [
          [13, 18, 9.5, 5, 9, 6.84],
          [18, -1, 36018, 137, 1],
          [16, 134, 3, 4.5],
        ],
      ],
    ],
    [
      'no location: distance from the speed over the clock',
      { ...roles, location: NONE },
      [
        // Trapezoids of 0, 7.2, 14.4, 18, 18, 18, 10.8, 5.4, 3.6, 0 km/h over 1 s.
        [
          [1, 10, 26.5, 9, 18, 10.6],
          [10, 13, 36010, 26.5, 3],
          [9, 26, 0.5, 3.6],
        ],
        [
          [13, 18, 7.5, 5, 9, 5.4],
          [18, -1, 36018, 34, 1],
          [16, 31.25, 2.75, 4.5],
        ],
      ],
    ],
    [
      'no clock: distances only',
      { ...roles, clock: NONE },
      [
        [
          [1, 10, 27.5, null, 18, null],
          [10, 13, null, 127.5, null],
          [9, 127, 0.5, null],
        ],
        [
          [13, 18, 9.5, null, 9, null],
          [18, -1, null, 137, null],
          [16, 134, 3, null],
        ],
      ],
    ],
  ];
  for (const [name, r, want] of cases) {
    await t.test(name, () => {
      const got = stopReport(stops, r).map(({ leg, stop, braking }) => [
        Object.values(pick(leg, ['fromRow', 'toRow', 'distance', 'time', 'topSpeed', 'avgSpeed'])),
        Object.values(pick(stop, ['arrivalRow', 'departureRow', 'arrival', 'location', 'dwell'])),
        Object.values(pick(braking, ['startRow', 'startLocation', 'distance', 'deceleration'])),
      ]);
      assert.deepEqual(got, want);
    });
  }
  await t.test('not enough known: no report', () => {
    assert.equal(canReport({ ...roles, location: NONE, clock: NONE }), false);
    assert.deepEqual(stopReport(stops, { ...roles, speed: NONE }), []);
  });
});

test('the report as CSV', () => {
  const lines = reportCsv(stopReport(stops, guessRoles(stops))).split('\r\n');
  assert.equal(lines.length, 6); // header, two legs, two stops, final line break
  assert.match(lines[0], /^Item,Arrival,Location \[m\],Dwell \[s\],Departure,Distance \[m\]/);
  assert.equal(lines[1], 'Leg 1,,,,,27.5,9.0,18.0,11.0,,,');
  assert.equal(lines[2], 'Stop 1,10:00:10.000,127.5,3.0,10:00:13.000,,,,,127.0,0.5,3.60');
  assert.equal(lines[4], 'Stop 2,10:00:18.000,137.0,1.0,(log ends),,,,,134.0,3.0,4.50');
});
