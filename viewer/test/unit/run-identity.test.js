import { test } from 'node:test';
import assert from 'node:assert/strict';
import { runShade, runDash, runLabels, nameRuns, pictureName, lineSample } from '../../src/run-identity.js';

test("each run's shade of a colour and its dash", () => {
  const shades = ['#1f77b4', '#13476c', '#84b4d6', '#0b2a3f', '#62a0cb', '#1f77b4'];
  shades.forEach((shade, r) => assert.equal(runShade('#1f77b4', r), shade, `run ${r}`));
  assert.equal(new Set([0, 1, 2, 3, 4].map((r) => String(runDash(r)))).size, 5);
  assert.equal(
    lineSample(1, '#1f77b4', 24),
    '<svg width="24" height="10" aria-hidden="true"><line x1="0" y1="5" x2="24" y2="5" stroke="#13476c" ' +
      'stroke-width="2" stroke-dasharray="8 4"/></svg>',
  );
  assert.match(lineSample(0), /stroke="#222" .* stroke-dasharray="none"/);
});

test('runs get names of their own, and a picture of them names them all', () => {
  const same = 'Log_261210-063329.csv';
  const cases = [
    // file names, run names
    [
      [same, 'Log_261210-063329-2.csv'],
      ['12-10 06:33:29', '12-10 06:33:29 #2'],
    ],
    [
      [same, same, same],
      ['12-10 06:33:29 #1', '12-10 06:33:29 #2', '12-10 06:33:29 #3'],
    ],
    [
      [same, 'Log_261210-063329-2.csv', same],
      ['12-10 06:33:29 #1', '12-10 06:33:29 #2', '12-10 06:33:29 #3'],
    ],
    [
      ['run.csv', 'other.CSV', 'xLog_261210-063329.csv', 'Log_261210-063329.csv.bak'],
      ['run', 'other', 'xLog_261210-063329', 'Log_261210-063329.csv.bak'],
    ],
    [['Log_261210-063329-12.csv'], ['12-10 06:33:29 #12']],
  ];
  for (const [names, labels] of cases) assert.deepEqual(runLabels(names), labels);
  // A name the user typed stays; the others follow the runs now open.
  const runs = [{ name: same }, { name: same, label: 'mine' }];
  nameRuns(runs);
  assert.deepEqual(
    runs.map((r) => r.label),
    ['12-10 06:33:29 #1', 'mine'],
  );
  runs.push({ name: same });
  nameRuns(runs);
  assert.deepEqual(
    runs.map((r) => r.label),
    ['12-10 06:33:29 #1', 'mine', '12-10 06:33:29 #3'],
  );
  assert.equal(pictureName([{ name: 'a.csv' }, { name: 'b.1.CSV' }]), 'a vs b.1.png');
  assert.equal(
    pictureName([
      { name: same, label: 'x/y: 1' },
      { name: same, label: 'z' },
    ]),
    'x-y- 1 vs z.png',
  );
});
