// Events on the panels: a line across each panel and the kinds' marks in a
// strip of their own below it (so that no mark covers a trace at 0), in the
// run's dash; hovering near one shows its names.
import { eventStyle, shapePath, eventText } from './events.js';

const HOVER_PX = 6;
const MARK = 4; // a mark's half size, CSS pixels
const ROW = 2 * MARK + 2; // a row of marks in the strip
const MAX_ROWS = 3;

/** How many kinds the strip stacks at one event, and its height in CSS pixels (0 without events). */
export function markStrip(scene) {
  let rows = 0;
  for (const run of scene.events || []) for (const e of run.rows) rows = Math.max(rows, e.kinds.length);
  rows = Math.min(rows, MAX_ROWS);
  return { rows, height: rows ? rows * ROW + 2 : 0 };
}

/** Where a mark centred at px goes: kept whole inside [left, right]. */
export function insetX(px, left, right, half) {
  return Math.min(Math.max(px, left + half), right - half);
}

/** The first event at or after x (event rows run in x order). */
function firstFrom(rows, xs, x) {
  let lo = 0;
  let hi = rows.length;
  while (lo < hi) {
    const mid = (lo + hi) >>> 1;
    if (xs[rows[mid].row] < x) lo = mid + 1;
    else hi = mid;
  }
  return lo;
}

// One run's events in the x range: a line across the panel in the first
// kind's colour, and marks(px, kinds) for the kinds not hidden.
function drawRun(u, run, hidden, marks) {
  const { ctx, bbox } = u;
  const { xs, rows } = run;
  if (!rows.length) return;
  const ratio = window.devicePixelRatio || 1;
  ctx.setLineDash(run.dash.map((d) => d * ratio));
  let lastPx = NaN;
  let lastKinds = '';
  for (let k = firstFrom(rows, xs, u.scales.x.min); k < rows.length; k++) {
    const e = rows[k];
    const x = xs[e.row];
    if (x > u.scales.x.max) break;
    const kinds = e.kinds.filter((kind) => !hidden.has(kind));
    if (!kinds.length) continue;
    const px = Math.round(u.valToPos(x, 'x', true));
    const key = kinds.join();
    // Events closer than a pixel draw once.
    if (px === lastPx && key === lastKinds) continue;
    lastPx = px;
    lastKinds = key;
    ctx.globalAlpha = 0.35;
    ctx.strokeStyle = eventStyle(kinds[0]).color;
    ctx.lineWidth = ratio;
    ctx.beginPath();
    ctx.moveTo(px + 0.5, bbox.top);
    ctx.lineTo(px + 0.5, bbox.top + bbox.height);
    ctx.stroke();
    ctx.globalAlpha = 1;
    marks(px, kinds);
  }
}

// The events nearest the cursor, within a few pixels, in every run.
function eventsNear(u, scene, hidden, left) {
  const found = [];
  for (const run of scene.events || []) {
    const { xs, rows } = run;
    if (!rows.length) continue;
    const k = firstFrom(rows, xs, u.posToVal(left, 'x'));
    let best = null;
    for (const c of [k - 1, k]) {
      if (c < 0 || c >= rows.length) continue;
      const d = Math.abs(u.valToPos(xs[rows[c].row], 'x') - left);
      if (d <= HOVER_PX && (!best || d < best.d)) best = { d, e: rows[c] };
    }
    if (best && best.e.kinds.some((kind) => !hidden.has(kind))) found.push({ run, e: best.e });
  }
  return found;
}

/**
 * uPlot hooks that draw `scene.events` and show their names under the
 * cursor. `hidden` is the set of kinds switched off (read at each draw).
 */
export function markHooks(scene, hidden, formatX) {
  const paths = new Map();
  const pathOf = (kind, r) => {
    const key = `${kind}/${r}`;
    if (!paths.has(key)) paths.set(key, new Path2D(shapePath(eventStyle(kind).shape, r)));
    return paths.get(key);
  };
  let tip = null;
  const strip = markStrip(scene);

  // One event's marks, side by side in the strip's rows; kinds beyond its rows share the last.
  const drawMarks = (ctx, bbox, px, kinds, ratio) => {
    const size = MARK * ratio;
    const x = insetX(px, bbox.left, bbox.left + bbox.width, size);
    kinds.forEach((kind, j) => {
      ctx.save();
      ctx.translate(x, bbox.top + bbox.height + (Math.min(j, strip.rows - 1) * ROW + MARK + 3) * ratio);
      ctx.fillStyle = eventStyle(kind).color;
      ctx.fill(pathOf(kind, size));
      ctx.restore();
    });
  };

  const draw = (u) => {
    const { ctx, bbox } = u;
    const ratio = window.devicePixelRatio || 1;
    ctx.save();
    ctx.beginPath();
    ctx.rect(bbox.left, bbox.top, bbox.width, bbox.height + (strip.height + 2) * ratio);
    ctx.clip();
    for (const run of scene.events || [])
      drawRun(u, run, hidden, (px, kinds) => drawMarks(ctx, bbox, px, kinds, ratio));
    ctx.restore();
  };

  const setCursor = (u) => {
    const { left, top } = u.cursor;
    const found = left == null || left < 0 ? [] : eventsNear(u, scene, hidden, left);
    if (!found.length) {
      if (tip) tip.hidden = true;
      return;
    }
    if (!tip) {
      tip = document.createElement('div');
      tip.className = 'event-tip';
      u.over.append(tip);
    }
    const many = (scene.events || []).length > 1;
    tip.textContent = found
      .map(({ run, e }) => `${many ? run.label + ' ' : ''}${formatX(run.xs[e.row], e.row)}: ${eventText(e)}`)
      .join('\n');
    tip.hidden = false;
    tip.style.left = `${Math.min(left + 10, u.over.clientWidth - 200)}px`;
    tip.style.top = `${Math.max(0, top - 30)}px`;
  };

  return { draw: [draw], setCursor: [setCursor] };
}
