import { test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { basename } from 'node:path';
import { parseLog, readLogFile, GrowingLog } from '../../src/parse.js';
import { LogFormatError, KIND_NONE, KIND_NUMBER, KIND_BOOL, KIND_CLOCK, KIND_EVENTS } from '../../src/log-model.js';
import { formatCell } from '../../src/format.js';
import { logFiles } from './logs.js';

const enc = (text) => new TextEncoder().encode(text);
const crlf = (...lines) => enc(lines.map((l) => l + '\r\n').join(''));
const oneCell = (text) => parseLog(crlf('A,', text + ',')).columns[0];

test('cell texts the logger writes', async (t) => {
  const cases = [
    // text, kind, value
    ['0', KIND_NUMBER, 0],
    ['-0', KIND_NUMBER, -0],
    ['5', KIND_NUMBER, 5],
    ['-2147483648', KIND_NUMBER, -2147483648],
    ['1.5', KIND_NUMBER, 1.5],
    ['123457', KIND_NUMBER, 123457],
    ['12345.7', KIND_NUMBER, 12345.7],
    ['0.1', KIND_NUMBER, 0.1],
    ['0.000123', KIND_NUMBER, 0.000123],
    ['0.000833333', KIND_NUMBER, 0.000833333],
    ['1.23457e+006', KIND_NUMBER, 1234570],
    ['1e+006', KIND_NUMBER, 1e6],
    ['1e-005', KIND_NUMBER, 1e-5],
    ['2.5e+010', KIND_NUMBER, 2.5e10],
    ['-7.25', KIND_NUMBER, -7.25],
    ['1.23457e+06', KIND_NUMBER, 1234570], // two-digit exponent of other runtimes
    ['3.40282e+038', KIND_NUMBER, 3.40282e38],
    ['1.17549e-038', KIND_NUMBER, 1.17549e-38],
    ['4.94066e-324', KIND_NUMBER, 4.94066e-324],
    ['inf', KIND_NUMBER, Infinity],
    ['-inf', KIND_NUMBER, -Infinity],
    ['nan', KIND_NUMBER, NaN],
    ['-nan(ind)', KIND_NUMBER, NaN],
    ['1.#INF', KIND_NUMBER, Infinity],
    ['-1.#IND', KIND_NUMBER, NaN],
    ['true', KIND_BOOL, 1],
    ['false', KIND_BOOL, 0],
    ['00:00:00.000', KIND_CLOCK, 0],
    ['01:02:03.004', KIND_CLOCK, 3723.004],
    ['10:00:00.000', KIND_CLOCK, 36000],
    ['100:00:00.000', KIND_CLOCK, 360000],
    ['596:31:23.647', KIND_CLOCK, 2147483.647],
    ['-00:00:01.500', KIND_CLOCK, -1.5],
  ];
  for (const [text, kind, value] of cases) {
    await t.test(text, () => {
      const col = oneCell(text);
      assert.equal(col.kind, kind);
      assert.ok(Object.is(col.values[0], value), `${text} read as ${col.values[0]}, expected ${value}`);
      assert.equal(col.nonFinite.has(0), !Number.isFinite(value));
    });
  }
});

test('numbers read exactly like the engine reads them', () => {
  // The fast path must never round differently from Number(): build texts
  // in the logger's six-digit form over the whole exponent range.
  let seed = 12345;
  const rand = () => (seed = (seed * 1103515245 + 12345) % 2147483648) / 2147483648;
  const lines = ['A,'];
  const texts = [];
  for (let i = 0; i < 5000; i++) {
    const v = (rand() - 0.5) * 10 ** Math.floor(rand() * 80 - 40);
    let text = v.toPrecision(1 + Math.floor(rand() * 6));
    text = text.replace(/e([+-])(\d+)$/, (m, s, d) => `e${s}${d.padStart(3, '0')}`);
    texts.push(text);
    lines.push(text + ',');
  }
  lines.push('123456789012345678901234567890,', '0.1234567890123456789,', '1e+400,');
  texts.push('123456789012345678901234567890', '0.1234567890123456789', '1e+400');
  const col = parseLog(crlf(...lines)).columns[0];
  texts.forEach((text, i) => assert.ok(Object.is(col.values[i], Number(text)), `${text}: ${col.values[i]}`));
});

test('files that are not logs are refused with a reason', async (t) => {
  const cases = [
    ['empty file', enc(''), /file is empty/],
    ['binary data', new Uint8Array([0x50, 0x4b, 0x2c, 0x0d, 0x0a, 0x03, 0x04, 0, 0, 0x2c]), /binary data/],
    ['no line break at all', enc('Speed,BC,'), /no line break/],
    ['ordinary CSV header', enc('Speed,BC\r\n1,2\r\n'), /first line does not end in a comma/],
    ['quoted CSV header', enc('"Speed","BC"\r\n'), /first line does not end in a comma/],
    ['too few cells', crlf('A,B,', '1,2,', '1,'), /line 3 has 1 comma, but the header names 2 columns/],
    ['too many cells', crlf('A,', '1,2,'), /line 2 has 2 commas, but the header names 1 column\b/],
    ['row without the final comma', crlf('A,B,', '1,2'), /line 2 has 1 comma/],
    ['text after the final comma', crlf('A,', ',x'), /line 2 does not end in a comma/],
    ['word in a number column', crlf('Speed,', '1,', 'fast,'), /line 3, column "Speed": "fast" is not a number/],
    ['quoted number', crlf('A,', '"1",'), /"\\"1\\"" is not a number/],
    ['number with a blank', crlf('A,', ' 1,'), /is not a number/],
    ['decimal comma splits cells', crlf('A,', '1,5,'), /line 2 has 2 commas/],
    ['exponent without digits', crlf('A,', '1e+,'), /"1e\+" is not a number/],
    ['minute 60', crlf('A,', '00:60:00.000,'), /"00:60:00.000" is not a number/],
    ['clock without milliseconds', crlf('A,', '00:00:01,'), /is not a number/],
    ['one-digit hour', crlf('A,', '0:00:01.000,'), /is not a number/],
    ['capitalised boolean', crlf('A,', 'True,'), /"True" is not a number/],
    [
      'bool in a number column',
      crlf('A,', '1,', 'true,'),
      /"true" is a true\/false value in a column of number values/,
    ],
    ['number after clocks', crlf('A,', '00:00:01.000,', '2,'), /"2" is a number value in a column of clock values/],
    ['blank line between rows', crlf('A,', '1,', '', '2,'), /line 3 is empty, but the header names 1 column/],
    ['rows under an empty header', crlf('', '1,'), /header row is empty but line 2 is not/],
  ];
  for (const [name, bytes, message] of cases) {
    await t.test(name, () => {
      assert.throws(
        () => parseLog(bytes),
        (err) => err instanceof LogFormatError && message.test(err.message),
      );
    });
  }
  await t.test('long cells are shortened in the message', () => {
    assert.throws(
      () => parseLog(crlf('A,', 'x'.repeat(500) + ',')),
      (err) => err.message.length < 200 && /…/.test(err.message),
    );
  });
});

test('accepted variations and their outcome', async (t) => {
  await t.test('empty cells are gaps, a column of them has no kind', () => {
    const log = parseLog(crlf('A,B,C,', ',1,,', '2,,,'));
    const [a, b, c] = log.columns;
    assert.deepEqual([a.kind, b.kind, c.kind], [KIND_NUMBER, KIND_NUMBER, KIND_NONE]);
    assert.deepEqual([a.gaps, b.gaps, c.gaps], [1, 1, 2]);
    assert.ok(Number.isNaN(a.values[0]) && a.values[1] === 2);
  });
  await t.test('labels are kept as written: blanks, empty, repeated', () => {
    const log = parseLog(crlf(' Speed ,,Speed,x;y|z [%],', '1,2,3,4,'));
    assert.deepEqual(log.labels, [' Speed ', '', 'Speed', 'x;y|z [%]']);
  });
  await t.test('a label may hold any byte but comma and line feed, NUL included', () => {
    const label = new Uint8Array(254).map((_, i) => (i < 10 ? i : i < 43 ? i + 1 : i + 2));
    const bytes = new Uint8Array([...label, 0x2c, 0x0d, 0x0a, 0x31, 0x2c, 0x0d, 0x0a]);
    const log = parseLog(bytes);
    assert.deepEqual([...log.labelBytes[0]], [...label]);
    assert.equal(log.rowCount, 1);
  });
  await t.test('a label may hold a lone CR', () => {
    assert.deepEqual(parseLog(crlf('a\rb,', '1,')).labels, ['a\rb']);
  });
  await t.test('line feeds without CR, as left by some copy tools', () => {
    const log = parseLog(enc('A,B,\n1,2,\n3,4,\n'));
    assert.equal(log.rowCount, 2);
    assert.deepEqual(Array.from(log.columns[1].values), [2, 4]);
  });
  await t.test('blank lines at the end', () => {
    assert.equal(parseLog(crlf('A,', '1,', '', '')).rowCount, 1);
  });
  await t.test('a last line cut short is left out with a warning', () => {
    const log = parseLog(enc('A,B,\r\n1,2,\r\n3,'));
    assert.equal(log.rowCount, 1);
    assert.match(log.warnings[0], /last line \(3\) is incomplete/);
  });
  await t.test('a complete last line without its line break is kept', () => {
    const log = parseLog(enc('A,B,\r\n1,2,\r\n3,4,'));
    assert.equal(log.rowCount, 2);
    assert.deepEqual(log.warnings, []);
  });
  await t.test('header only: a run that ended before the first sample', () => {
    const log = parseLog(crlf('A,B,'));
    assert.equal(log.rowCount, 0);
    assert.equal(log.columns[0].values.length, 0);
  });
  await t.test('no columns: empty lines only', () => {
    const log = parseLog(crlf('', '', ''));
    assert.deepEqual(log.labels, []);
    assert.equal(log.rowCount, 2);
  });
  await t.test('accepts an ArrayBuffer', () => {
    assert.equal(parseLog(crlf('A,', '1,').buffer).rowCount, 1);
  });
});

// An independent, slow reading of a log: strings and regular expressions.
function readSlowly(bytes) {
  const text = new TextDecoder('latin1').decode(bytes);
  assert.ok(text.endsWith('\r\n'), 'the log ends with CR LF');
  const lines = text.slice(0, -2).split('\r\n');
  for (const line of lines) assert.ok(!line.includes('\n'), 'every line ends in CR LF');
  return lines.map((l) => {
    assert.ok(l === '' || l.endsWith(','), 'every cell is followed by a comma');
    return l === '' ? [] : l.slice(0, -1).split(',');
  });
}

function expectedValue(text) {
  if (text === '') return NaN;
  if (text === 'true') return 1;
  if (text === 'false') return 0;
  const clock = /^(-?)(\d{2,}):(\d\d):(\d\d)\.(\d{3})$/.exec(text);
  if (clock) {
    const ms = ((Number(clock[2]) * 60 + Number(clock[3])) * 60 + Number(clock[4])) * 1000 + Number(clock[5]);
    return (clock[1] ? -ms : ms) / 1000;
  }
  if (/^-?inf/i.test(text)) return text.startsWith('-') ? -Infinity : Infinity;
  if (/nan/i.test(text)) return NaN;
  return Number(text);
}

for (const file of logFiles()) {
  test(`log ${basename(file)} reads cell for cell like a plain split`, () => {
    const bytes = readFileSync(file);
    const [header, ...rows] = readSlowly(bytes);
    const log = parseLog(bytes);
    assert.equal(log.columns.length, header.length);
    assert.equal(log.rowCount, rows.length);
    assert.deepEqual(log.warnings, []);
    rows.forEach((cells, r) => {
      assert.equal(cells.length, header.length, `row ${r + 1} has one cell per column`);
      cells.forEach((text, c) => {
        const col = log.columns[c];
        const got = col.values[r];
        if (col.kind === KIND_EVENTS) return assert.equal(formatCell(col, r, got), text || '–');
        const want = expectedValue(text);
        assert.ok(Object.is(got, want), `row ${r + 1} column ${c + 1}: ${text} read as ${got}`);
        // The readout shows the logged value: same text, or same number
        // when only the exponent's spelling differs.
        const shown = formatCell(col, r, got);
        if (text === '') assert.equal(shown, '–');
        else if (col.kind === KIND_NUMBER && Number.isFinite(got)) assert.ok(Object.is(Number(shown), got));
        else assert.equal(shown, text);
      });
    });
  });
}

// Reading a file in chunks, or as it grows, must come to the same log as
// reading it whole, wherever the chunks happen to end.
const sameLog = (got, want) => {
  assert.deepEqual(got.labels, want.labels);
  assert.equal(got.rowCount, want.rowCount);
  assert.deepEqual(got.warnings, want.warnings);
  got.columns.forEach((col, c) => {
    const w = want.columns[c];
    assert.deepEqual([col.kind, col.gaps, [...col.nonFinite]], [w.kind, w.gaps, [...w.nonFinite]]);
    assert.deepEqual([...col.values], [...w.values]);
  });
};
const chunkInputs = [
  ...logFiles().map((f) => [basename(f), readFileSync(f)]),
  ['cut-off last line', enc('A,B,\r\n1,2,\r\n3,')],
  ['no final line break', enc('A,B,\r\n1,2,\r\n3,4,')],
  ['odd cells', crlf('A,B,', 'inf,1,', '-nan(ind),-2.5e-005,', ',,')],
];

test('a log read in chunks equals the log read whole', async (t) => {
  for (const [name, bytes] of chunkInputs) {
    await t.test(name, async () => {
      const want = parseLog(bytes);
      for (const size of [1, 7, 64, 1 << 20]) sameLog(await readLogFile(new Blob([bytes]), undefined, size), want);
    });
  }
  await t.test('errors are the same', async () => {
    for (const bytes of [enc(''), enc('A,B'), crlf('A,', 'x,')]) {
      const message = (() => {
        try {
          parseLog(bytes);
        } catch (err) {
          return err.message;
        }
      })();
      await assert.rejects(readLogFile(new Blob([bytes]), undefined, 3), { message });
    }
  });
});

test('a growing log: rows arrive in pieces, half-written lines wait', async (t) => {
  for (const [name, bytes] of chunkInputs) {
    await t.test(name, () => {
      const want = parseLog(bytes);
      for (const size of [1, 5, 64]) {
        const growing = new GrowingLog();
        for (let i = 0; i < bytes.length; i += size) growing.append(bytes.subarray(i, i + size));
        // What is still held back is the last line, when it has no line break yet.
        const tail = bytes.length - (bytes.lastIndexOf(10) + 1);
        assert.equal(growing.pending.length, tail);
        const complete = tail === 0 || (want.warnings.length === 0 && !name.startsWith('no final'));
        if (complete) sameLog(growing.log, want);
        else assert.equal(growing.log.rowCount, want.rowCount - (want.warnings.length ? 0 : 1));
      }
    });
  }
});
