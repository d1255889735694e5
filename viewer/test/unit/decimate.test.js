import { test } from 'node:test';
import assert from 'node:assert/strict';
import { buildPyramid, extendPyramid, chooseLevel, rangeOf, yLimits } from '../../src/decimate.js';

let seed = 7;
const rand = () => (seed = (seed * 1103515245 + 12345) % 2147483648) / 2147483648;

// A column with runs of gaps, a few infinities and NaNs among the values.
function column(n) {
  const v = new Float64Array(n);
  for (let i = 0; i < n; i++) v[i] = Math.sin(i / 50) * 100 + rand() * 10;
  for (let i = 1000; i < 1300; i++) v[i] = NaN;
  v[5000] = Infinity;
  v[6001] = -Infinity;
  v[7003] = NaN;
  return v;
}

function bruteRange(v, i0, i1) {
  let lo = Infinity;
  let hi = -Infinity;
  for (let i = i0; i <= i1; i++) {
    if (!Number.isFinite(v[i])) continue;
    lo = Math.min(lo, v[i]);
    hi = Math.max(hi, v[i]);
  }
  return lo <= hi ? [lo, hi] : null;
}

test('the pyramid summarises blocks of rows', async (t) => {
  const v = column(50001);
  const levels = buildPyramid(v);
  await t.test('each level halves the one below and covers every row', () => {
    assert.equal(levels[0].size, 8);
    levels.forEach((l, k) => {
      assert.equal(l.size, 8 << k);
      assert.equal(l.min.length, Math.ceil(v.length / l.size));
    });
    assert.ok(levels.at(-1).min.length <= 512);
  });
  await t.test('block values equal a plain scan of the block', () => {
    for (const l of levels) {
      for (let b = 0; b < l.min.length; b += 7) {
        const want = bruteRange(v, b * l.size, Math.min(v.length, (b + 1) * l.size) - 1);
        const got = Number.isNaN(l.min[b]) ? null : [l.min[b], l.max[b]];
        assert.deepEqual(got, want, `size ${l.size} block ${b}`);
      }
    }
  });
  await t.test('short columns get none', () => {
    assert.deepEqual(buildPyramid(new Float64Array(100)), []);
  });
});

test('value range of a row span', () => {
  const v = column(50001);
  const levels = buildPyramid(v);
  const spans = [
    [0, 50000],
    [0, 0],
    [1000, 1299],
    [999, 1300],
    [4990, 5010],
    [3, 49997],
    [12345, 12345 + 4096],
  ];
  for (let i = 0; i < 200; i++) {
    const a = Math.floor(rand() * v.length);
    const b = Math.floor(rand() * v.length);
    spans.push([Math.min(a, b), Math.max(a, b)]);
  }
  for (const [i0, i1] of spans)
    assert.deepEqual(rangeOf(v, levels, i0, i1), bruteRange(v, i0, i1), `rows ${i0}..${i1}`);
});

test('the drawing level keeps blocks under half a pixel', () => {
  const levels = buildPyramid(new Float64Array(1 << 20));
  const cases = [
    // rows, pixels, block size (0: draw row by row)
    [1 << 20, 1000, 512],
    [1 << 20, 2000, 256],
    [20000, 1000, 8],
    [15999, 1000, 0],
    [1000, 1000, 0],
  ];
  for (const [rows, pixels, size] of cases) {
    const level = chooseLevel(levels, rows, pixels);
    assert.equal(level ? level.size : 0, size, `${rows} rows on ${pixels} pixels`);
    if (level) assert.ok(rows / level.size >= 2 * pixels);
  }
});

test('y limits stay finite at the ends of the double range', () => {
  const MAX = Number.MAX_VALUE;
  // A stand-in for the chart library's rounding, which overflows there.
  const nice = (lo, hi) => (lo === hi ? [lo * 1.1 - 1, hi * 1.1 + 1] : [lo - (hi - lo) / 10, hi + (hi - lo) / 10]);
  const cases = [
    [0, 490, [-49, 539]],
    [7, 7, [6.7, 8.7]],
    [-1.79769e308, -1.79769e308, null],
    [1.79769e308, 1.79769e308, null],
    [-MAX, MAX, null],
    [-1e308, 1e300, null],
  ];
  for (const [lo, hi, want] of cases) {
    const [min, max] = yLimits(lo, hi, nice);
    if (want)
      assert.deepEqual(
        [min, max].map((v) => Math.round(v * 10) / 10),
        want,
      );
    assert.ok(Number.isFinite(max - min) && max > min, `${lo}..${hi} gave ${min}..${max}`);
    if (Math.abs(lo) < MAX / 2 && Math.abs(hi) < MAX / 2) assert.ok(min <= lo && max >= hi, `${lo}..${hi} inside`);
    else assert.ok(min <= Math.max(lo, -MAX / 2) && max >= Math.min(hi, MAX / 2), `${lo}..${hi} mostly inside`);
  }
});

test('a pyramid extended as rows arrive equals one built at once', async (t) => {
  const all = new Float64Array(70000).map((_, i) => (i % 997 === 0 ? NaN : Math.sin(i / 300) * 100 + (i % 13)));
  // Row counts at which rows arrive: below the pyramid's threshold, across block edges, in big and small steps.
  for (const steps of [
    [70000],
    [4096, 4097, 4160, 70000],
    [5000, 5001, 5009, 9000, 30000, 69999, 70000],
    [100, 8191, 8192, 70000],
  ]) {
    await t.test(steps.join(' '), () => {
      let levels = [];
      for (const n of steps) levels = extendPyramid(levels, all.subarray(0, n));
      const want = buildPyramid(all);
      levels.forEach((level, k) => {
        const count = Math.ceil(all.length / level.size);
        assert.deepEqual([...level.min.subarray(0, count)], [...want[k].min], `level ${k} min`);
        assert.deepEqual([...level.max.subarray(0, count)], [...want[k].max], `level ${k} max`);
      });
    });
  }
});
