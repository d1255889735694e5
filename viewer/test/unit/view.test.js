import { test } from 'node:test';
import assert from 'node:assert/strict';
import { parseLog } from '../../src/parse.js';
import { formatClock, formatNumberTick, formatCell } from '../../src/format.js';
import { ROW_X, xCandidates, defaultView, viewToFragment, fragmentToView, assignColumn, setX } from '../../src/view.js';

const log = (...lines) => parseLog(new TextEncoder().encode(lines.map((l) => l + '\r\n').join('')));

// Columns: 1 clock, 2 speed, 3 location going backwards, 4 door, 5 gappy,
// 6 never written, 7 integer time.
const drive = log(
  'Clock,Speed,Loc,Door,Beacon,Spare,Time,',
  '10:00:00.000,0,5,false,,,36000000,',
  '10:00:01.000,1.5,6,true,3,,36001000,',
  '10:00:02.000,3,4,true,3,,36002000,',
);

test('x axis candidates and default', async (t) => {
  await t.test('only complete, never decreasing, non-boolean columns', () => {
    assert.deepEqual(xCandidates(drive), [0, 1, 6]);
  });
  await t.test('the clock column is the default x', () => {
    assert.equal(defaultView(drive).x, 0);
  });
  await t.test('a clock that jumps back cannot be x, so rows number the axis', () => {
    const l = log('V,Clock,', '1,10:00:01.000,', '2,10:00:00.000,');
    assert.deepEqual(xCandidates(l), [0]);
    assert.equal(defaultView(l).x, ROW_X);
  });
  await t.test('equal x values in a row are fine, but not in every row', () => {
    assert.deepEqual(xCandidates(log('Clock,', '00:00:01.000,', '00:00:01.000,', '00:00:02.000,')), [0]);
    assert.deepEqual(xCandidates(log('Clock,', '00:00:01.000,', '00:00:01.000,')), []);
  });
  await t.test('a single row can be its own x', () => {
    assert.deepEqual(xCandidates(log('Clock,', '00:00:01.000,')), [0]);
  });
  await t.test('default panels: one per column that holds a value, without the millisecond clock', () => {
    assert.deepEqual(defaultView(drive).panels, [[1], [2], [3], [4]]);
  });
  await t.test('default panels: speed first, columns grouped by unit', () => {
    const l = log(
      'Clock,BC [kPa],Notch,Speed [km/h],MR [kPa],Time [ms],Current [A],Limit [km/h],',
      '10:00:00.000,1,2,3,4,5,6,7,',
    );
    assert.deepEqual(defaultView(l).panels, [[3, 7], [1, 4], [2], [6]]);
  });
  await t.test('at most six panels by default', () => {
    const wide = log('A,B,C,D,E,F,G,H,', '1,2,3,4,5,6,7,8,');
    assert.equal(defaultView(wide).panels.length, 6);
  });
});

test('view in the URL fragment', async (t) => {
  await t.test('round trip', () => {
    const view = { x: 0, panels: [[1, 4], [2]], hidden: [4] };
    const fragment = viewToFragment(view);
    assert.equal(fragment, 'x=1&p=2,5&p=3&off=5');
    assert.deepEqual(fragmentToView('#' + fragment, drive), view);
    assert.deepEqual(fragmentToView(viewToFragment({ x: ROW_X, panels: [], hidden: [] }), drive), {
      x: ROW_X,
      panels: [],
      hidden: [],
    });
  });
  const cases = [
    // fragment, expected view (null: fall back to the default)
    ['', null],
    ['#', null],
    ['#zoom=3', null],
    ['#p=2', { x: 0, panels: [[1]], hidden: [] }],
    ['#x=4&p=2', { x: 0, panels: [[1]], hidden: [] }], // a boolean column cannot be x
    ['#x=3&p=2', { x: 0, panels: [[1]], hidden: [] }], // nor one that goes backwards
    ['#x=99&p=2', { x: 0, panels: [[1]], hidden: [] }],
    ['#x=row&p=1,2', { x: ROW_X, panels: [[0, 1]], hidden: [] }],
    ['#x=1&p=1,2', { x: 0, panels: [[1]], hidden: [] }], // x is not also a series
    ['#x=1&p=2,2&p=2,3', { x: 0, panels: [[1], [2]], hidden: [] }], // a column once
    ['#x=1&p=6&p=40,0,-1,a,2', { x: 0, panels: [[1]], hidden: [] }], // empty or unknown columns
    ['#x=1&p=2&off=2,3', { x: 0, panels: [[1]], hidden: [1] }], // off only for plotted ones
    ['#x=1&p=2%2C3', { x: 0, panels: [[1, 2]], hidden: [] }],
  ];
  for (const [fragment, want] of cases) {
    await t.test(fragment || '(empty)', () => assert.deepEqual(fragmentToView(fragment, drive), want));
  }
});

test('moving columns between panels', async (t) => {
  const view = { x: 0, panels: [[1], [2, 3]], hidden: [3] };
  await t.test('into an existing panel; the emptied one goes', () => {
    assert.deepEqual(assignColumn(view, 1, 1).panels, [[2, 3, 1]]);
  });
  await t.test('into a new panel at the bottom', () => {
    assert.deepEqual(assignColumn(view, 3, 2).panels, [[1], [2], [3]]);
    assert.deepEqual(assignColumn(view, 3, 2).hidden, [3]);
  });
  await t.test('out of every panel, forgetting that it was hidden', () => {
    const next = assignColumn(view, 3, -1);
    assert.deepEqual(next.panels, [[1], [2]]);
    assert.deepEqual(next.hidden, []);
  });
  await t.test('a column made x leaves its panel', () => {
    assert.deepEqual(setX(view, 1), { x: 1, panels: [[2, 3]], hidden: [3] });
    assert.deepEqual(setX(view, ROW_X).panels, view.panels);
  });
});

test('text of values and ticks', async (t) => {
  const clocks = [
    [0, true, '00:00:00.000'],
    [3723.004, true, '01:02:03.004'],
    [360000, true, '100:00:00.000'],
    [-1.5, true, '-00:00:01.500'],
    [59.9996, true, '00:01:00.000'],
    [3723.004, false, '01:02:03'],
  ];
  for (const [v, ms, text] of clocks) await t.test(`clock ${text}`, () => assert.equal(formatClock(v, ms), text));

  const ticks = [
    [0.30000000000000004, 0.1, '0.3'],
    [1.5, 0.5, '1.5'],
    [250, 50, '250'],
    [-0.02, 0.01, '-0.02'],
    [0, 0.1, '0'],
    [1000150, 50, '1000150'],
    [2.5e10, 1e9, '2.5e+10'],
    [2e10, 1e9, '2e+10'],
    [0.00002, 0.00001, '2e-5'],
  ];
  for (const [v, incr, text] of ticks)
    await t.test(`tick ${text}`, () => assert.equal(formatNumberTick(v, incr), text));

  await t.test('cells', () => {
    const l = log('N,B,C,', '-0,true,01:00:00.000,', 'nan,,,', '1e+006,false,-00:00:00.500,');
    const [n, b, c] = l.columns;
    const show = (col) => [0, 1, 2].map((r) => formatCell(col, r, col.values[r]));
    assert.deepEqual(show(n), ['-0', 'nan', '1000000']);
    assert.deepEqual(show(b), ['true', '–', 'false']);
    assert.deepEqual(show(c), ['01:00:00.000', '–', '-00:00:00.500']);
  });
});
