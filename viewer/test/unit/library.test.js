// The runs table: sorted by number where a column holds numbers (empty
// cells last, either way), filtered by words, and trended in the order the
// runs were made.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { sortRuns, filterRuns, trend } from '../../src/library.js';

const run = (name, topSpeed, serious, meanStopError = null) => ({
  name,
  date: name.startsWith('Log_') ? `20${name.slice(4, 6)}-${name.slice(6, 8)}-${name.slice(8, 10)}` : '',
  duration: null,
  distance: null,
  topSpeed,
  stops: [{ name: 'Platform 2', error: meanStopError, passed: false }],
  meanStopError,
  counts: [0, 1, serious],
});
const runs = [run('Log_261203-1.csv', 9.5, 2, 0.5), run('Log_261201-1.csv', 80, 0), run('b.csv', null, 1, 3)];

test('sorting, filtering and the trend of the runs table', () => {
  const names = (list) => list.map((r) => r.name);
  assert.deepEqual(names(sortRuns(runs, 'Top speed [km/h]')), ['Log_261203-1.csv', 'Log_261201-1.csv', 'b.csv']);
  assert.deepEqual(names(sortRuns(runs, 'Top speed [km/h]', true)), ['Log_261201-1.csv', 'Log_261203-1.csv', 'b.csv']);
  assert.deepEqual(names(sortRuns(runs, 'Log', true)), ['Log_261203-1.csv', 'Log_261201-1.csv', 'b.csv']);
  assert.deepEqual(names(filterRuns(runs, 'PLATFORM 0.5  12-03')), ['Log_261203-1.csv']);
  assert.deepEqual(
    trend(runs).map((p) => [p.name, p.findings, p.meanStopError]),
    [
      ['Log_261201-1.csv', 1, null],
      ['Log_261203-1.csv', 3, 0.5],
      ['b.csv', 2, 3],
    ],
  );
});
