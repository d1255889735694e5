// Charts drawn as SVG text, for the trend across runs and the printed
// debrief: small, fixed in size, and the same on screen and on paper.
import { limitAt } from './route-file.js';
import { SEVERITY_STYLES } from './severity.js';

const esc = (s) => String(s).replace(/[&<>"]/g, (c) => `&#${c.charCodeAt(0)};`);
const W = 720;
const H = 220;
const PAD = { left: 46, right: 46, top: 14, bottom: 30 };

// Ticks at a round step, about five, from 0 to at least max.
function ticks(max) {
  const raw = max / 5;
  const p = 10 ** Math.floor(Math.log10(raw || 1));
  const step = [1, 2, 5, 10].map((m) => m * p).find((s) => s >= raw) || p;
  const out = [0];
  // The last tick at or above max, so that nothing is drawn above the axis.
  while (out[out.length - 1] < max - 1e-9) out.push(+(out.length * step).toFixed(6));
  return out;
}

function axis(values, at, side) {
  const x = side === 'left' ? PAD.left - 4 : W - PAD.right + 4;
  return values
    .map((v) => `<text x="${x}" y="${at(v) + 4}" text-anchor="${side === 'left' ? 'end' : 'start'}">${v}</text>`)
    .join('');
}

/**
 * The trend: per run (in the order made) a bar of its findings, stacked by
 * severity, and a line of its mean absolute stop error on the right axis.
 */
export function trendSvg(points) {
  const n = points.length;
  const iw = W - PAD.left - PAD.right;
  const ih = H - PAD.top - PAD.bottom;
  const maxF = Math.max(1, ...points.map((p) => p.findings));
  const errors = points.map((p) => p.meanStopError).filter((e) => e !== null);
  const maxE = Math.max(1, ...errors);
  const fy = ticks(maxF);
  const ey = ticks(maxE);
  const yF = (v) => PAD.top + ih - (v / fy[fy.length - 1]) * ih;
  const yE = (v) => PAD.top + ih - (v / ey[ey.length - 1]) * ih;
  const bw = iw / Math.max(n, 1);
  const cx = (i) => PAD.left + bw * (i + 0.5);
  const bars = points
    .map((p, i) => {
      let base = 0;
      return p.counts
        .map((count, s) => {
          if (!count) return '';
          const y0 = yF(base);
          base += count;
          const rect = `<rect class="sev${s + 1}" x="${cx(i) - bw * 0.35}" y="${yF(base)}" width="${bw * 0.7}" height="${y0 - yF(base)}" fill="${SEVERITY_STYLES[s + 1].color}"><title>${esc(p.name)}: ${count} ${SEVERITY_STYLES[s + 1].name}</title></rect>`;
          return rect;
        })
        .join('');
    })
    .join('');
  const line = points
    .map((p, i) => (p.meanStopError === null ? null : `${cx(i).toFixed(1)},${yE(p.meanStopError).toFixed(1)}`))
    .filter(Boolean);
  const dots = points
    .map((p, i) =>
      p.meanStopError === null
        ? ''
        : `<circle cx="${cx(i)}" cy="${yE(p.meanStopError)}" r="3"><title>${esc(p.name)}: ${p.meanStopError.toFixed(2)} m</title></circle>`,
    )
    .join('');
  return `<svg class="trend" viewBox="0 0 ${W} ${H}" role="img" aria-label="Findings per run and mean absolute stop error">
<g class="grid">${fy.map((v) => `<line x1="${PAD.left}" x2="${W - PAD.right}" y1="${yF(v)}" y2="${yF(v)}"/>`).join('')}</g>
<g class="bars">${bars}</g>
<polyline class="stop-error" fill="none" points="${line.join(' ')}"/><g class="stop-error">${dots}</g>
<g class="axis">${axis(fy, yF, 'left')}${axis(ey, yE, 'right')}
<text x="${PAD.left}" y="${H - 8}">Findings per run (bars, left) and mean absolute stop error [m] (line, right), ${n} run${n === 1 ? '' : 's'} in the order made</text></g>
</svg>`;
}

/**
 * Speed against location (or time, without a location) with the route's
 * limit drawn as steps. `xs`, `speeds` are the run's values.
 */
export function speedSvg(xs, speeds, route, byLocation) {
  const iw = W - PAD.left - PAD.right;
  const ih = H - PAD.top - PAD.bottom;
  let lo = Infinity;
  let hi = -Infinity;
  let top = 0;
  for (let i = 0; i < xs.length; i++) {
    if (xs[i] !== xs[i] || speeds[i] !== speeds[i]) continue;
    lo = Math.min(lo, xs[i]);
    hi = Math.max(hi, xs[i]);
    top = Math.max(top, Math.abs(speeds[i]));
  }
  if (!(hi > lo)) hi = lo + 1;
  const limits = byLocation && route ? route.limits : [];
  for (const l of limits) top = Math.max(top, l.kmh);
  const yt = ticks(top || 1);
  const X = (v) => PAD.left + ((v - lo) / (hi - lo)) * iw;
  const Y = (v) => PAD.top + ih - (v / yt[yt.length - 1]) * ih;
  // One point a pixel column is enough for paper.
  const pts = [];
  let lastPx = -1;
  for (let i = 0; i < xs.length; i++) {
    if (xs[i] !== xs[i] || speeds[i] !== speeds[i]) continue;
    const px = Math.round(X(xs[i]) * 2);
    if (px === lastPx) continue;
    lastPx = px;
    pts.push(`${X(xs[i]).toFixed(1)},${Y(Math.abs(speeds[i])).toFixed(1)}`);
  }
  let limit = '';
  if (limits.length) {
    const steps = [];
    const edges = [lo, ...limits.map((l) => l.at).filter((a) => a > lo && a < hi), hi];
    for (let k = 0; k + 1 < edges.length; k++) {
      const kmh = limitAt(route, edges[k]);
      if (kmh !== null) steps.push(`M${X(edges[k]).toFixed(1)} ${Y(kmh).toFixed(1)}H${X(edges[k + 1]).toFixed(1)}`);
    }
    limit = `<path class="limit" d="${steps.join('')}"/>`;
  }
  const xt = ticks(hi - lo).map((v) => v + lo);
  const xLabels = xt
    .filter((v) => v <= hi)
    .map((v) => `<text x="${X(v)}" y="${PAD.top + ih + 14}" text-anchor="middle">${Math.round(v)}</text>`)
    .join('');
  return `<svg class="speed-chart" viewBox="0 0 ${W} ${H}" role="img" aria-label="Speed against ${byLocation ? 'location' : 'time'}">
<g class="grid">${yt.map((v) => `<line x1="${PAD.left}" x2="${W - PAD.right}" y1="${Y(v)}" y2="${Y(v)}"/>`).join('')}</g>
${limit}<polyline class="speed" fill="none" points="${pts.join(' ')}"/>
<g class="axis">${axis(yt, Y, 'left')}${xLabels}
<text x="${PAD.left}" y="${H - 2}">Speed [km/h] against ${byLocation ? 'location [m]' : 'time [s]'}${limits.length ? '; the limit dashed' : ''}</text></g>
</svg>`;
}
