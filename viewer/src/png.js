// "Save PNG": the panels and their legends as one picture.
import { download } from './dom.js';

export function savePng(plots, title, fileName) {
  if (!plots.length) return;
  const ratio = window.devicePixelRatio || 1;
  const font = `${Math.round(13 * ratio)}px system-ui, sans-serif`;
  const legendH = Math.round(24 * ratio);
  const titleH = Math.round(28 * ratio);
  const width = Math.max(...plots.map((u) => u.ctx.canvas.width));
  const height = titleH + plots.reduce((h, u) => h + legendH + u.ctx.canvas.height, 0);
  const out = document.createElement('canvas');
  out.width = width;
  out.height = height;
  const ctx = out.getContext('2d');
  ctx.fillStyle = '#fff';
  ctx.fillRect(0, 0, width, height);
  ctx.textBaseline = 'middle';
  ctx.font = `bold ${font}`;
  ctx.fillStyle = '#222';
  ctx.fillText(title, 8 * ratio, titleH / 2);
  ctx.font = font;
  let y = titleH;
  for (const u of plots) {
    let x = 8 * ratio;
    u.series.forEach((s, i) => {
      if (i === 0 || !s.show) return;
      ctx.fillStyle = s._stroke || s.stroke;
      ctx.fillRect(x, y + legendH / 2 - 2 * ratio, 14 * ratio, 4 * ratio);
      x += 18 * ratio;
      ctx.fillStyle = '#222';
      ctx.fillText(s.label, x, y + legendH / 2);
      x += ctx.measureText(s.label).width + 16 * ratio;
    });
    y += legendH;
    ctx.drawImage(u.ctx.canvas, 0, y);
    y += u.ctx.canvas.height;
  }
  out.toBlob((blob) => download(blob, fileName.replace(/\.[^.]*$/, '') + '.png'), 'image/png');
}
