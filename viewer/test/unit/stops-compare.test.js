import { test } from 'node:test';
import assert from 'node:assert/strict';
import { targetText, matchStops, sideBySide, csvText } from '../../src/stops-compare.js';

test('how far a stop is from the nearest target within 50 m', () => {
  const cases = [
    // location, targets, text
    [100, [], ''],
    [100, [151], ''],
    [100, [150], '50.0 m short'],
    [100, [50], '50.0 m long'],
    [100, [97.5, 103], '2.5 m long'],
    [100, [97, 102], '2.0 m short'],
    [100, [99, 101], '1.0 m long'],
    [100.04, [100], 'on target'],
    [99.94, [100], '0.1 m short'],
  ];
  for (const [at, targets, text] of cases) assert.equal(targetText(at, targets), text, `${at} against ${targets}`);
});

// A report entry as stopReport gives it, with what the table reads.
const stop = (location, arrival = null, dwell = null, rows = [0, 0]) => ({
  stop: { location, arrival, dwell, arrivalRow: rows[0], lastRow: rows[1] },
});
const report = (departure, ...entries) => Object.assign(entries, { start: { departure } });

test('stops match the nearest one within 50 m, each once, and the unmatched follow in order of location', () => {
  const cases = [
    // first run's stops, second run's stops, matched locations per row
    [
      [100, 500],
      [510, 95],
      [
        [100, 95],
        [500, 510],
      ],
    ],
    [
      [100],
      [149, 151],
      [
        [100, 149],
        [null, 151],
      ],
    ],
    [
      [100, 120],
      [110],
      [
        [100, 110],
        [120, null],
      ],
    ],
    [
      [100],
      [300, 20],
      [
        [null, 20],
        [100, null],
        [null, 300],
      ],
    ],
    [[], [40], [[null, 40]]],
    [[100], [150], [[100, 150]]],
    [
      [100],
      [95, 130],
      [
        [100, 95],
        [null, 130],
      ],
    ],
  ];
  // A third run's stop is matched to the first run's only.
  cases.push([
    [100],
    [20],
    [
      [null, 20, null],
      [null, null, 30],
      [100, null, null],
    ],
    [30],
  ]);
  for (const [a, b, want, c] of cases) {
    const rows = matchStops([a, b, ...(c ? [c] : [])].map((run) => run.map((x) => stop(x))));
    assert.deepEqual(
      rows.map((row) => row.map((e) => (e ? e.stop.location : null))),
      want,
      `${a} with ${b}`,
    );
  }
});

test('the side-by-side table: arrivals since setting off, differences to the first run, targets', () => {
  const runs = [{ label: 'A' }, { label: 'B' }];
  const first = report(10, { ...stop(100, 70, 30, [5, 9]), braking: { startRow: 3 } }, stop(900, 200, null, [20, 24]));
  const second = report(12, stop(102.5, 74, 30), stop(905, null, 5), stop(2000, 300, 5));
  const { columns, runOf, rows } = sideBySide(runs, [first, second], [101]);
  assert.deepEqual(runOf, [null, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1]);
  assert.deepEqual(columns, [
    'Stop',
    'A: arrival [s]',
    'A: at [m]',
    'A: dwell [s]',
    'A: vs target',
    'B: arrival [s]',
    'B: at [m]',
    'B: dwell [s]',
    'B: Δ arrival [s]',
    'B: Δ position [m]',
    'B: Δ dwell [s]',
    'B: vs target',
  ]);
  assert.deepEqual(rows, [
    {
      cells: [
        'Stop 1',
        '60.0',
        '100.0',
        '30.0',
        '1.0 m short',
        '62.0',
        '102.5',
        '30.0',
        '+2.0',
        '+2.5',
        '0.0',
        '1.5 m long',
      ],
      from: 3,
      to: 9,
    },
    { cells: ['Stop 2', '190.0', '900.0', '', '', '', '905.0', '5.0', '', '+5.0', '', ''], from: 20, to: 24 },
    { cells: ['Stop 3', '', '', '', '', '288.0', '2000.0', '5.0', '', '', '', ''], from: -1, to: -1 },
  ]);
  // Without a departure from the first station, arrivals cannot be counted from it; no targets, no column for them.
  const noStart = sideBySide(runs, [report(10, stop(100, 70)), report(null, stop(100, 74))]);
  assert.equal(noStart.columns.length, 10);
  assert.deepEqual(noStart.rows[0].cells.slice(0, 9), ['Stop 1', '60.0', '100.0', '', '', '100.0', '', '', '0.0']);
});

test('CSV cells are quoted only where they hold a quote, comma or line break', () => {
  assert.equal(
    csvText([
      ['a', 'b,c', 'd"e'],
      ['f\ng', '', 'h\ri'],
    ]),
    'a,"b,c","d""e"\r\n"f\ng",,"h\ri"\r\n',
  );
});
