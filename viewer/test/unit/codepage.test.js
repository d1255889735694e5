import { test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { resolve, dirname } from 'node:path';
import { fileURLToPath } from 'node:url';
import { parseLog } from '../../src/parse.js';
import { decodeLabels } from '../../src/log-model.js';

const fixtures = resolve(dirname(fileURLToPath(import.meta.url)), '..', 'fixtures');
// A header of these bytes and one row of ones below it.
const header = (...bytes) => {
  const row = bytes.filter((x) => x === 0x2c).flatMap(() => [0x31, 0x2c]);
  return new Uint8Array([...bytes, 0x0d, 0x0a, ...row, 0x0d, 0x0a]);
};
const utf8 = (text) => [...new TextEncoder().encode(text)];

test('the code page of the labels is guessed from their bytes', async (t) => {
  const cases = [
    // name, header bytes (each label followed by a comma), guess, labels
    ['plain ASCII', utf8('Speed [km/h],'), 'utf-8', ['Speed [km/h]']],
    ['UTF-8', utf8('速度 [km/h],Ü,'), 'utf-8', ['速度 [km/h]', 'Ü']],
    ['UTF-8 after a byte-order mark', [0xef, 0xbb, 0xbf, ...utf8('Brems [kPa],')], 'utf-8', ['Brems [kPa]']],
    ['Shift_JIS', [0x91, 0xac, 0x93, 0x78, 0x2c, 0xb6, 0xc5, 0x2c], 'shift_jis', ['速度', 'ｶﾅ']],
    ['not valid in Shift_JIS either', [0x54, 0xe9, 0x20, 0xa0, 0x2c], 'windows-1252', ['Té \u00a0']],
    ['a lone lead byte at the end', [0x41, 0xfc, 0x2c], 'windows-1252', ['Aü']],
  ];
  for (const [name, bytes, encoding, labels] of cases) {
    await t.test(name, () => {
      const log = parseLog(header(...bytes));
      assert.equal(log.encoding, encoding);
      assert.deepEqual(log.labels, labels);
      assert.deepEqual(
        log.columns.map((c) => c.label),
        labels,
      );
    });
  }
});

test('the chooser overrides the guess without reading the rows again', () => {
  const log = parseLog(header(0x54, 0xb0, 0x43, 0x2c));
  assert.equal(log.encoding, 'shift_jis'); // half-width katakana is valid Shift_JIS
  decodeLabels(log, 'windows-1252');
  assert.deepEqual(log.labels, ['T°C']);
  assert.equal(log.columns[0].label, 'T°C');
  assert.deepEqual(parseLog(header(0x54, 0xb0, 0x43, 0x2c), { encoding: 'windows-1252' }).labels, ['T°C']);
});

test('a log whose labels are Japanese in code page 932', () => {
  const log = parseLog(readFileSync(resolve(fixtures, 'labels-cp932.csv')));
  assert.equal(log.encoding, 'shift_jis');
  assert.deepEqual(log.labels, ['時刻', '位置 [m]', '速度 [km/h]', 'ブレーキ', 'BC [kPa]']);
});
