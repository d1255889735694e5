// Events on the panels: a line across each panel and the kinds' marks at
// its foot, in the run's dash; hovering near one shows its names.
import { eventStyle, shapePath, eventText } from './events.js';

const HOVER_PX = 6;

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

  const draw = (u) => {
    const { ctx, bbox } = u;
    const ratio = window.devicePixelRatio || 1;
    const size = 4 * ratio;
    ctx.save();
    ctx.beginPath();
    ctx.rect(bbox.left, bbox.top, bbox.width, bbox.height);
    ctx.clip();
    for (const run of scene.events || []) {
      const { xs, rows } = run;
      if (!rows.length) continue;
      ctx.setLineDash(run.dash.map((d) => d * ratio));
      let lastPx = NaN;
      let lastKinds = '';
      const first = firstFrom(rows, xs, u.scales.x.min);
      for (let k = first; k < rows.length; k++) {
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
        kinds.forEach((kind, j) => {
          ctx.save();
          ctx.translate(px, bbox.top + bbox.height - size - 2 - j * (2 * size + 3));
          ctx.fillStyle = eventStyle(kind).color;
          ctx.fill(pathOf(kind, size));
          ctx.restore();
        });
      }
    }
    ctx.restore();
  };

  // The events nearest the cursor, within a few pixels, in every run.
  const near = (u, left) => {
    const found = [];
    for (const run of scene.events || []) {
      const { xs, rows } = run;
      if (!rows.length) continue;
      const x = u.posToVal(left, 'x');
      const k = firstFrom(rows, xs, x);
      let best = null;
      for (const c of [k - 1, k]) {
        if (c < 0 || c >= rows.length) continue;
        const d = Math.abs(u.valToPos(xs[rows[c].row], 'x') - left);
        if (d <= HOVER_PX && (!best || d < best.d)) best = { d, e: rows[c] };
      }
      if (best && best.e.kinds.some((kind) => !hidden.has(kind))) found.push({ run, e: best.e });
    }
    return found;
  };

  const setCursor = (u) => {
    const { left, top } = u.cursor;
    const found = left == null || left < 0 ? [] : near(u, left);
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
