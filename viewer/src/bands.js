// Findings as bands on the panels: the span of each, tinted by its
// severity under the lines, with a strip of the severity's colour at the
// top so that a short one still shows.
import { SEVERITY_STYLES } from './severity.js';

const TINT = { 1: 'rgba(31,119,180,0.10)', 2: 'rgba(224,138,0,0.14)', 3: 'rgba(198,40,40,0.16)' };

/**
 * A uPlot hook that draws the bands of `scene.bands` (per run, its
 * findings) at the x values of `scene.events` (per run, its xs).
 */
export function bandHooks(scene) {
  const draw = (u) => {
    const { ctx, bbox } = u;
    const ratio = window.devicePixelRatio || 1;
    ctx.save();
    ctx.beginPath();
    ctx.rect(bbox.left, bbox.top, bbox.width, bbox.height);
    ctx.clip();
    (scene.bands || []).forEach((findings, r) => {
      const xs = scene.events && scene.events[r] ? scene.events[r].xs : null;
      if (!xs) return;
      for (const f of findings) {
        const a = xs[f.startRow];
        const b = xs[f.endRow];
        if (!(b >= u.scales.x.min && a <= u.scales.x.max)) continue;
        let left = u.valToPos(a, 'x', true);
        let right = u.valToPos(b, 'x', true);
        if (right - left < 3 * ratio)
          [left, right] = [(left + right) / 2 - 1.5 * ratio, (left + right) / 2 + 1.5 * ratio];
        ctx.fillStyle = TINT[f.severity];
        ctx.fillRect(left, bbox.top, right - left, bbox.height);
        ctx.fillStyle = SEVERITY_STYLES[f.severity].color;
        ctx.fillRect(left, bbox.top, right - left, 3 * ratio);
      }
    });
    ctx.restore();
  };
  return { drawClear: [draw] };
}
