import { test } from 'node:test';
import assert from 'node:assert/strict';
import { parseLog } from '../../src/parse.js';
import { guessRoles } from '../../src/roles.js';
import {
  timeDifference,
  alignRun,
  extraLabels,
  columnsByLabel,
  ALIGN_LOCATION,
  ALIGN_TIME,
} from '../../src/compare.js';

const crlf = (...lines) => new TextEncoder().encode(lines.map((l) => l + '\r\n').join(''));
const f = (...v) => Float64Array.from(v);
const round = (a) => [...a].map((v) => (Number.isNaN(v) ? 'NaN' : Math.round(v * 1000) / 1000));

test('time difference along the line', async (t) => {
  const cases = [
    // name, base x, base t, other x, other t, difference at each base row
    ['same run', f(0, 10, 20), f(0, 1, 2), f(0, 10, 20), f(0, 1, 2), [0, 0, 0]],
    ['other twice as slow', f(0, 10, 20), f(0, 1, 2), f(0, 10, 20), f(0, 2, 4), [0, 1, 2]],
    ['interpolated between rows', f(0, 5, 15), f(0, 1, 2), f(0, 10, 20), f(0, 2, 4), [0, 0, 1]],
    ['other ahead', f(0, 10), f(0, 4), f(0, 10), f(0, 3), [0, -1]],
    ['other stops short: no value past its end', f(0, 10, 30), f(0, 1, 3), f(0, 20), f(0, 2), [0, 0, 'NaN']],
    // Times count from the first location both reach, left when the later one set off.
    ['other starts further on', f(0, 10, 20), f(0, 1, 2), f(10, 20), f(5, 6), ['NaN', 0, 0]],
    ['a wait at the start draws no spike', f(0, 0, 0, 10), f(0, 1, 2, 3), f(0, 10), f(0, 1), [0, 0, 0, 0]],
    // Standing at 10 from 1 s to 5 s: the arrival time counts for the other run.
    ['a stop in the other run', f(0, 10, 20), f(0, 1, 2), f(0, 10, 10, 20), f(0, 1, 5, 6), [0, 0, 4]],
  ];
  for (const [name, bx, bt, ox, ot, want] of cases) {
    await t.test(name, () => assert.deepEqual(round(timeDifference(bx, bt, ox, ot)), want));
  }
});

test('one drive logged at two intervals compares as 0 within one interval', () => {
  // At rest for 10 s, then 1 m/s² to 20 m/s and on; the logs begin at the interval's first row.
  const drive = (dt) => {
    const t = Float64Array.from({ length: Math.round(120 / dt) }, (_, i) => (i + 1) * dt);
    const at = (s) => (s < 10 ? 0 : s < 30 ? (s - 10) ** 2 / 2 : 200 + (s - 30) * 20);
    return [t.map(at), t];
  };
  const [fx, ft] = drive(0.1);
  const [sx, st] = drive(1);
  for (const [bx, bt, ox, ot] of [
    [fx, ft, sx, st],
    [sx, st, fx, ft],
  ]) {
    const d = timeDifference(bx, bt, ox, ot).filter((v) => !Number.isNaN(v));
    assert.ok(d.length > bx.length * 0.9);
    assert.ok(Math.max(...d.map(Math.abs)) <= 1, `largest difference ${Math.max(...d.map(Math.abs))} s`);
  }
});

test('runs are aligned by location or by time since their first row', () => {
  // The train backs up from 12 to 11: the axis waits at 12.
  const log = parseLog(
    crlf(
      'Clock,Location [m],Speed [km/h],',
      '10:00:05.000,,0,',
      '10:00:06.000,10,1,',
      '10:00:07.500,12,1,',
      '10:00:08.000,11,-1,',
      '10:00:09.000,13,1,',
    ),
  );
  const roles = guessRoles(log);
  assert.deepEqual([...alignRun(log, roles, ALIGN_LOCATION)], [10, 10, 12, 12, 13]);
  assert.deepEqual([...alignRun(log, roles, ALIGN_TIME)], [0, 1, 2.5, 3, 4]);
  assert.deepEqual([...alignRun(log, { ...roles, location: -1 }, ALIGN_LOCATION)], [0, 1, 2.5, 3, 4]);
  assert.deepEqual([...alignRun(log, { ...roles, clock: -1 }, ALIGN_TIME)], [0, 1, 2, 3, 4]);
});

test('columns match by label', () => {
  const a = parseLog(crlf('Speed,BC,BC,', '1,2,3,'));
  const b = parseLog(crlf('BC,Current,Speed,Notch,', '1,2,3,4,'));
  const maps = columnsByLabel([a, b]);
  assert.equal(maps[0].get('BC'), 1);
  assert.equal(maps[1].get('Speed'), 2);
  assert.deepEqual(extraLabels([a, b]), ['Current', 'Notch']);
});
