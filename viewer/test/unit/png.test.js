import { test } from 'node:test';
import assert from 'node:assert/strict';
import { wrapEntries } from '../../src/png.js';

test("a saved picture's legend wraps: no entry runs past the width, none is left out", () => {
  // Each entry takes 34 (swatch) + its text + 16 pixels; text is 10 pixels a character here.
  const textWidth = (t) => 10 * t.length;
  const cases = [
    // texts, width, lines, x of each
    [[], 500, 0, []],
    [['aaaa', 'bbbb'], 500, 1, [0, 90]],
    [['aaaa', 'bbbb'], 179, 2, [0, 0]],
    [['aaaa', 'bbbb'], 180, 1, [0, 90]],
    [['a'.repeat(60), 'b', 'c'], 300, 2, [0, 0, 60]],
  ];
  for (const [texts, width, lines, xs] of cases) {
    const entries = texts.map((text) => ({ text }));
    const out = wrapEntries(entries, width, textWidth, 1);
    assert.equal(out.lines, lines, `${texts} in ${width}`);
    assert.deepEqual(
      out.placed.map((p) => p.x),
      xs,
    );
    assert.deepEqual(
      out.placed.map((p) => p.entry),
      entries,
    );
  }
});
