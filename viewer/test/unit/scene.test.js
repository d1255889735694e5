import { test } from 'node:test';
import assert from 'node:assert/strict';
import { parseLog } from '../../src/parse.js';
import { guessRoles } from '../../src/roles.js';
import { ROW_X } from '../../src/view.js';
import { ALIGN_LOCATION, ALIGN_TIME } from '../../src/compare.js';
import { buildScene, rowNumbers, xText, COLORS } from '../../src/scene.js';

const logOf = (...lines) => parseLog(new TextEncoder().encode(lines.map((l) => l + '\r\n').join('')));
const run = (label, log) => ({ name: label, label, log, roles: guessRoles(log) });
const A = run(
  'A',
  logOf('Clock,Location [m],Speed [km/h],,', '10:00:00.000,0,0,1,', '10:00:01.000,5,18,2,', '10:00:03.000,20,36,3,'),
);
const B = run(
  'B',
  logOf(
    'Clock,Speed [km/h],Location [m],BC [kPa],Spare,MR [kPa],',
    '11:00:00.000,0,-2,300,,800,',
    '11:00:02.000,18,10,0,,790,',
  ),
);
const C = run('C', logOf('Speed [km/h],', '0,', '9,'));
const view = (x, panels, hidden = []) => ({ x, panels, hidden });
const summary = (scene) =>
  scene.panels.map((p) => [
    p.title ?? '',
    ...p.series.map((s) => `${s.id}|${s.label}|${s.color}|${s.dash}|${s.hidden}|${s.stepped()}`),
  ]);

test('the scene of one run or several', () => {
  // Series as id|label|colour|dash|hidden|stepped.
  const cases = [
    // name, runs, view, align, [x label, clock axis, range], panels
    [
      'one run by row, a hidden column, an empty label',
      [A],
      view(ROW_X, [[2], [1, 3]], [3]),
      ALIGN_LOCATION,
      ['Row', false, [1, 3]],
      [
        ['', '2|Speed [km/h]|#2ca02c||false|false'],
        ['', '1|Location [m]|#d62728||false|true', '3|(column 4)|#ff7f0e||true|true'],
      ],
    ],
    [
      'one run by its clock',
      [A],
      view(0, [[2]]),
      ALIGN_TIME,
      ['Clock', true, [36000, 36003]],
      [['', '2|Speed [km/h]|#2ca02c||false|false']],
    ],
    [
      'one run by location',
      [A],
      view(1, [[2]]),
      ALIGN_TIME,
      ['Location [m]', false, [0, 20]],
      [['', '2|Speed [km/h]|#2ca02c||false|false']],
    ],
    [
      'two runs by location: the time difference first, columns joined by label, those only the second has',
      [A, B],
      view(0, [[2], [1]], [1]),
      ALIGN_LOCATION,
      ['Location [m] (A)', false, [-2, 20]],
      [
        ['Time difference [s]', 'diff:1|B behind A [s]|#d62728|8,4|false|false'],
        ['', '0:2|Speed [km/h] · A|#2ca02c||false|false', '1:1|Speed [km/h] · B|#1a601a|8,4|false|true'],
        ['', '0:1|Location [m] · A|#d62728||true|true', '1:2|Location [m] · B|#801718|8,4|true|true'],
        ['', '1:3|BC [kPa] · B|#593e71|8,4|false|false'],
        ['', '1:5|MR [kPa] · B|#884774|8,4|false|true'],
      ],
    ],
    [
      'the run that starts furthest back sets the start of the range',
      [B, A],
      view(0, [[1]]),
      ALIGN_LOCATION,
      ['Location [m] (B)', false, [-2, 20]],
      [
        ['Time difference [s]', 'diff:1|A behind B [s]|#d62728|8,4|false|false'],
        ['', '0:1|Speed [km/h] · B|#d62728||false|true', '1:2|Speed [km/h] · A|#801718|8,4|false|false'],
        ['', '1:3|(no label) · A|#884774|8,4|false|true'],
      ],
    ],
    [
      'by time when a run has no location',
      [A, C],
      view(0, [[2]]),
      ALIGN_LOCATION,
      ['Time since start', true, [0, 3]],
      [['', '0:2|Speed [km/h] · A|#2ca02c||false|false', '1:0|Speed [km/h] · C|#1a601a|8,4|false|true']],
    ],
    [
      'a column that is empty in a run is left out for it',
      [A, run('D', logOf('Clock,Location [m],Speed [km/h],', '10:00:00.000,0,,'))],
      view(0, [[2]]),
      ALIGN_TIME,
      ['Time since start', true, [0, 3]],
      [['', '0:2|Speed [km/h] · A|#2ca02c||false|false']],
    ],
  ];
  for (const [name, runs, v, align, [xLabel, isClock, range], panels] of cases) {
    const scene = buildScene(runs, v, align);
    assert.deepEqual([scene.x.label, scene.x.isClock, scene.range], [xLabel, isClock, range], name);
    assert.deepEqual(summary(scene), panels, name);
    for (const s of scene.panels.flatMap((p) => p.series)) {
      assert.equal(s.xs.length, s.column.values.length, `${name}: ${s.label} has an x for every row`);
    }
  }
  assert.equal(new Set(COLORS.filter((c) => /^#[0-9a-f]{6}$/.test(c))).size, COLORS.length, 'colours of their own');
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
