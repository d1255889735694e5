import { test } from 'node:test';
import assert from 'node:assert/strict';
import { parseLog } from '../../src/parse.js';
import { guessRoles } from '../../src/roles.js';
import { ROW_X } from '../../src/view.js';
import { DASHES, ALIGN_LOCATION, ALIGN_TIME } from '../../src/compare.js';
import { buildScene, rowNumbers, colorOf, xText } from '../../src/scene.js';
import { runShade, runLabels } from '../../src/run-identity.js';

const logOf = (...lines) => parseLog(new TextEncoder().encode(lines.map((l) => l + '\r\n').join('')));
const run = (label, log) => ({ name: label, label, log, roles: guessRoles(log) });
const A = run(
  'A',
  logOf('Clock,Location [m],Speed [km/h],,', '10:00:00.000,0,0,1,', '10:00:01.000,5,18,2,', '10:00:03.000,20,36,3,'),
);
const B = run(
  'B',
  logOf('Clock,Speed [km/h],Location [m],BC [kPa],', '11:00:00.000,0,-2,300,', '11:00:02.000,18,10,0,'),
);
const C = run('C', logOf('Speed [km/h],', '0,', '9,'));
const view = (x, panels, hidden = []) => ({ x, panels, hidden });
const summary = (scene) =>
  scene.panels.map((p) => [p.title ?? '', ...p.series.map((s) => `${s.label}|${s.color}|${s.dash}|${s.hidden}`)]);

test('the scene of one run or several', () => {
  const c0 = colorOf(0);
  const c1 = colorOf(1);
  const c2 = colorOf(2);
  const diff = (label, dash) => `${label}|#d62728|${dash}|false`;
  const cases = [
    // name, runs, view, align, x label, clock axis, range, panels
    [
      'one run by row, a hidden column, an empty label',
      [A],
      view(ROW_X, [[2], [1, 3]], [3]),
      ALIGN_LOCATION,
      ['Row', false, [1, 3]],
      [
        ['', `Speed [km/h]|${c2}||false`],
        ['', `Location [m]|${c1}||false`, `(column 4)|${colorOf(3)}||true`],
      ],
    ],
    [
      'one run by its clock',
      [A],
      view(0, [[2]]),
      ALIGN_TIME,
      ['Clock', true, [36000, 36003]],
      [['', `Speed [km/h]|${c2}||false`]],
    ],
    [
      'two runs by location: the time difference first, columns joined by label, one only the second has',
      [A, B],
      view(0, [[2], [1]], [1]),
      ALIGN_LOCATION,
      ['Location [m] (A)', false, [-2, 20]],
      [
        ['Time difference [s]', diff('B behind A [s]', DASHES[1])],
        ['', `Speed [km/h] · A|${c2}||false`, `Speed [km/h] · B|${runShade(c2, 1)}|${DASHES[1]}|false`],
        ['', `Location [m] · A|${c1}||true`, `Location [m] · B|${runShade(c1, 1)}|${DASHES[1]}|true`],
        ['', `BC [kPa] · B|${runShade(colorOf(4), 1)}|${DASHES[1]}|false`],
      ],
    ],
    [
      'by time when a run has no location',
      [A, C],
      view(0, [[2]]),
      ALIGN_LOCATION,
      ['Time since start', true, [0, 3]],
      [['', `Speed [km/h] · A|${c2}||false`, `Speed [km/h] · C|${runShade(c2, 1)}|${DASHES[1]}|false`]],
    ],
    [
      'a column that is empty in a run is left out for it',
      [A, run('D', logOf('Clock,Location [m],Speed [km/h],', '10:00:00.000,0,,'))],
      view(0, [[2]]),
      ALIGN_TIME,
      ['Time since start', true, [0, 3]],
      [['', `Speed [km/h] · A|${c2}||false`]],
    ],
  ];
  assert.equal(c0, '#1f77b4');
  for (const [name, runs, v, align, [xLabel, isClock, range], panels] of cases) {
    const scene = buildScene(runs, v, align);
    assert.deepEqual([scene.x.label, scene.x.isClock, scene.range], [xLabel, isClock, range], name);
    assert.deepEqual(summary(scene), panels, name);
    for (const s of scene.panels.flatMap((p) => p.series)) {
      assert.equal(s.xs.length, s.column.values.length, `${name}: ${s.label} has an x for every row`);
    }
  }
});

test('runs compared by location keep their own x values; the time difference reads to the millisecond', () => {
  const scene = buildScene([A, B], view(0, [[2]]), ALIGN_LOCATION);
  assert.equal(scene.byLocation, true);
  assert.deepEqual([...scene.panels[1].series[1].xs], [-2, 10]);
  const { column, xs } = scene.panels[0].series[0];
  assert.equal(column.values.length, xs.length);
  assert.deepEqual([1.25, -0.5, 0].map(column.format), ['+1.250 s', '-0.500 s', '0.000 s']);
});

test('row numbers start at 1 and are kept while the count stands', () => {
  const xs = rowNumbers(3);
  assert.deepEqual([...xs], [1, 2, 3]);
  assert.equal(rowNumbers(3, xs), xs);
  assert.deepEqual([...rowNumbers(4, xs)], [1, 2, 3, 4]);
});

test('x values as text with their unit', () => {
  const cases = [
    // runs, view, align, value, row, text
    [[A], view(ROW_X, [[2]]), ALIGN_TIME, 12, 11, 'row 12'],
    [[A], view(1, [[2]]), ALIGN_TIME, 5, 1, '5 m'],
    [[A], view(0, [[2]]), ALIGN_TIME, 36001, 1, '10:00:01.000'],
    [[A, B], view(0, [[2]]), ALIGN_LOCATION, 0, 0, '0 m'],
    [[A, B], view(0, [[2]]), ALIGN_TIME, 2, 1, '00:00:02.000'],
  ];
  for (const [runs, v, align, x, row, text] of cases) assert.equal(xText(buildScene(runs, v, align).x, x, row), text);
});

test('runs look different and have names of their own', () => {
  const shades = [0, 1, 2, 3, 4].map((r) => runShade('#1f77b4', r));
  assert.equal(shades[0], '#1f77b4');
  assert.equal(new Set(shades).size, 5, `every run its own shade: ${shades}`);
  assert.equal(new Set(DASHES.map(String)).size, 5);
  const cases = [
    [
      ['Log_261210-063329.csv', 'Log_261210-063329-2.csv'],
      ['12-10 06:33:29', '12-10 06:33:29 #2'],
    ],
    [
      ['Log_261210-063329.csv', 'Log_261210-063329.csv', 'Log_261210-063329.csv'],
      ['12-10 06:33:29 #1', '12-10 06:33:29 #2', '12-10 06:33:29 #3'],
    ],
    [
      ['Log_261210-063329.csv', 'Log_261210-063329-2.csv', 'Log_261210-063329.csv'],
      ['12-10 06:33:29 #1', '12-10 06:33:29 #2', '12-10 06:33:29 #3'],
    ],
    [
      ['run.csv', 'other.CSV'],
      ['run', 'other'],
    ],
  ];
  for (const [names, labels] of cases) assert.deepEqual(runLabels(names), labels);
});
