// Drawing a million points per series on every zoom step is too slow to
// feel smooth, and no screen shows more than a few thousand columns of
// pixels anyway. So each plotted column gets a pyramid of min/max summaries
// over blocks of 8, 16, 32... rows; when the visible rows far outnumber the
// pixels, a series is drawn from the coarsest level whose blocks are still
// narrower than half a pixel, which looks the same as drawing every row.

const FIRST_SIZE = 8;
const SMALLEST_LEVEL = 256; // blocks; below this a level is never chosen
const MIN_ROWS = 4096; // shorter columns are drawn row by row

/**
 * Builds the min/max levels of a column (NaN and infinities skipped; a
 * block with no finite value has NaN as min and max). Returns [] for a
 * column too short to need it.
 */
export function buildPyramid(values) {
  const levels = [];
  const n = values.length;
  if (n < MIN_ROWS) return levels;
  let count = Math.ceil(n / FIRST_SIZE);
  let min = new Float64Array(count);
  let max = new Float64Array(count);
  for (let b = 0; b < count; b++) {
    let lo = Infinity;
    let hi = -Infinity;
    const end = Math.min(n, (b + 1) * FIRST_SIZE);
    for (let i = b * FIRST_SIZE; i < end; i++) {
      const v = values[i];
      if (v < lo && v !== -Infinity) lo = v;
      if (v > hi && v !== Infinity) hi = v;
    }
    min[b] = lo === Infinity ? NaN : lo;
    max[b] = hi === -Infinity ? NaN : hi;
  }
  let size = FIRST_SIZE;
  levels.push({ size, min, max });
  while (count > SMALLEST_LEVEL * 2) {
    const prevMin = min;
    const prevMax = max;
    const prevCount = count;
    count = Math.ceil(prevCount / 2);
    size *= 2;
    min = new Float64Array(count);
    max = new Float64Array(count);
    for (let b = 0; b < count; b++) {
      const a = 2 * b;
      const c = a + 1 < prevCount ? a + 1 : a;
      // NaN marks an empty block: take the other half's value then.
      const l1 = prevMin[a];
      const l2 = prevMin[c];
      min[b] = l1 !== l1 ? l2 : l2 !== l2 ? l1 : l1 < l2 ? l1 : l2;
      const h1 = prevMax[a];
      const h2 = prevMax[c];
      max[b] = h1 !== h1 ? h2 : h2 !== h2 ? h1 : h1 > h2 ? h1 : h2;
    }
    levels.push({ size, min, max });
  }
  levels.rows = n;
  return levels;
}

function summarise(values, n, level, from) {
  const { size } = level;
  const count = Math.ceil(n / size);
  for (let b = from; b < count; b++) {
    let lo = Infinity;
    let hi = -Infinity;
    const end = Math.min(n, (b + 1) * size);
    for (let i = b * size; i < end; i++) {
      const v = values[i];
      if (v < lo && v !== -Infinity) lo = v;
      if (v > hi && v !== Infinity) hi = v;
    }
    level.min[b] = lo === Infinity ? NaN : lo;
    level.max[b] = hi === -Infinity ? NaN : hi;
  }
}

function roomFor(level, count) {
  if (level.min.length >= count) return;
  const cap = Math.max(count, Math.ceil(level.min.length * 1.5));
  const min = new Float64Array(cap);
  const max = new Float64Array(cap);
  min.set(level.min);
  max.set(level.max);
  level.min = min;
  level.max = max;
}

/**
 * Brings a pyramid up to date after rows were appended to `values` (a log
 * that is being followed): only the blocks that the new rows touch are
 * summarised again, from the rows up. `levels.rows` is the row count it
 * was last built for. Returns the levels (a new array when it was empty).
 */
export function extendPyramid(levels, values) {
  const n = values.length;
  if (!levels.length) return buildPyramid(values);
  const from = levels.rows ?? 0;
  if (n === from) return levels;
  for (const level of levels) roomFor(level, Math.ceil(n / level.size));
  summarise(values, n, levels[0], Math.floor(from / levels[0].size));
  for (let k = 1; k < levels.length; k++) {
    const lower = levels[k - 1];
    const level = levels[k];
    const count = Math.ceil(n / level.size);
    const lowerCount = Math.ceil(n / lower.size);
    for (let b = Math.floor(from / level.size); b < count; b++) {
      const a = 2 * b;
      const c = a + 1 < lowerCount ? a + 1 : a;
      const l1 = lower.min[a];
      const l2 = lower.min[c];
      level.min[b] = l1 !== l1 ? l2 : l2 !== l2 ? l1 : l1 < l2 ? l1 : l2;
      const h1 = lower.max[a];
      const h2 = lower.max[c];
      level.max[b] = h1 !== h1 ? h2 : h2 !== h2 ? h1 : h1 > h2 ? h1 : h2;
    }
  }
  levels.rows = n;
  return levels;
}

/** The coarsest level with at least two blocks per pixel, or null. */
export function chooseLevel(levels, rows, pixels) {
  let chosen = null;
  for (const level of levels) {
    if (rows / level.size >= 2 * pixels) chosen = level;
    else break;
  }
  return chosen;
}

/** Smallest and largest finite value of rows i0..i1, or null if none. */
export function rangeOf(values, levels, i0, i1) {
  let lo = Infinity;
  let hi = -Infinity;
  const scan = (a, z) => {
    for (let i = a; i <= z; i++) {
      const v = values[i];
      if (v < lo && v !== -Infinity) lo = v;
      if (v > hi && v !== Infinity) hi = v;
    }
  };
  // Whole blocks from the coarsest level that fits, loose rows at the ends.
  let level = null;
  for (const l of levels) if ((i1 - i0 + 1) / l.size >= 4) level = l;
  if (!level) {
    scan(i0, i1);
  } else {
    const b0 = Math.ceil(i0 / level.size);
    const b1 = Math.floor((i1 + 1) / level.size) - 1;
    scan(i0, Math.min(i1, b0 * level.size - 1));
    for (let b = b0; b <= b1; b++) {
      const l = level.min[b];
      const h = level.max[b];
      if (l < lo) lo = l;
      if (h > hi) hi = h;
    }
    scan(Math.max(i0, (b1 + 1) * level.size), i1);
  }
  return lo <= hi ? [lo, hi] : null;
}

/** First index whose x is >= v (xs never decreasing). */
export function lowerBound(xs, v, lo = 0, hi = xs.length) {
  while (lo < hi) {
    const mid = (lo + hi) >>> 1;
    if (xs[mid] < v) lo = mid + 1;
    else hi = mid;
  }
  return lo;
}

/** Rows of a series that fall in the x range, with one more on each side so lines leave the plot. */
export function visibleRows(xs, min, max) {
  const i0 = Math.max(0, lowerBound(xs, min) - 1);
  const i1 = Math.min(xs.length - 1, lowerBound(xs, max, i0));
  return [i0, i1];
}

/**
 * A uPlot path builder for a series with x values of its own (runs being
 * compared each have theirs). Draws from the pyramid when the visible rows
 * far outnumber the pixels, else row by row: straight lines, or steps for
 * columns that only take a few values. NaN leaves a gap.
 */
export function seriesPaths(get) {
  return (u) => {
    const { xs, ys, levels, stepped } = get();
    const path = new Path2D();
    const none = { stroke: path, fill: null, clip: null, band: null, gaps: null, flags: 1 };
    if (!xs.length) return none;
    const [i0, i1] = visibleRows(xs, u.scales.x.min, u.scales.x.max);
    const scaleY = u.series[1].scale;
    const px = (x) => Math.round(u.valToPos(x, 'x', true));
    const py = (y) => Math.round(u.valToPos(y, scaleY, true));
    const level = chooseLevel(levels, i1 - i0 + 1, u.bbox.width);
    if (level) drawLevel(path, level, xs, i0, i1, px, py);
    else drawRows(path, xs, ys, i0, i1, stepped, px, py);
    return none;
  };
}

function drawRows(path, xs, ys, i0, i1, stepped, px, py) {
  let pen = false;
  let lastY = 0;
  for (let i = i0; i <= i1; i++) {
    const v = ys[i];
    if (v !== v || v === Infinity || v === -Infinity) {
      pen = false;
      continue;
    }
    const x = px(xs[i]);
    const y = py(v);
    if (!pen) path.moveTo(x, y);
    else if (stepped) {
      path.lineTo(x, lastY);
      path.lineTo(x, y);
    } else path.lineTo(x, y);
    pen = true;
    lastY = y;
  }
}

// Blocks that land on the same pixel column become one vertical stroke,
// so the canvas never paints more segments than there are pixels.
function drawLevel(path, level, xs, i0, i1, toX, toY) {
  const { size, min, max } = level;
  let pen = false;
  let px = NaN;
  let lo = 0;
  let hi = 0;
  const flush = () => {
    const yLo = toY(lo);
    const yHi = toY(hi);
    if (pen) path.lineTo(px, yLo);
    else path.moveTo(px, yLo);
    if (yHi !== yLo) path.lineTo(px, yHi);
    pen = true;
  };
  const b1 = Math.floor(i1 / size);
  for (let b = Math.floor(i0 / size); b <= b1; b++) {
    const l = min[b];
    if (l !== l) {
      if (px === px) flush();
      px = NaN;
      pen = false;
      continue;
    }
    const h = max[b];
    const x = toX(xs[Math.max(i0, b * size)]);
    if (x === px) {
      if (l < lo) lo = l;
      if (h > hi) hi = h;
      continue;
    }
    if (px === px) flush();
    px = x;
    lo = l;
    hi = h;
  }
  if (px === px) flush();
}

/**
 * The y range to show for values lo..hi: `nice` (uPlot's padded, rounded
 * range) when it can work, else a padded range that stays finite. Values
 * near the ends of the double range overflow the nice range and even the
 * span max - min, and a scale with an infinite end draws nothing at all.
 */
export function yLimits(lo, hi, nice) {
  // Nothing but zeros (a notch never moved): a small range, not the chart
  // library's 0 to 100.
  if (lo === 0 && hi === 0) return [-1, 1];
  const [a, b] = nice(lo, hi);
  if (b > a && Number.isFinite(b - a)) return [a, b];
  const MAX = Number.MAX_VALUE;
  const pad = lo === hi ? Math.abs(lo) * 0.1 || 1 : hi / 20 - lo / 20;
  let min = Math.max(-MAX, lo - pad);
  let max = Math.min(MAX, hi + pad);
  if (!Number.isFinite(max - min)) {
    // Both ends huge with opposite signs: give up the outer half of each.
    min = Math.max(min, -MAX / 2);
    max = Math.min(max, MAX / 2);
  }
  return [min, max];
}
