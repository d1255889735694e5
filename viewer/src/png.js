// "Save PNG": a picture of the panels that reads alone: the runs with their
// line styles, each panel's legend in full (wrapped, never cut off), the x
// axis with its unit and, when given, the stop table below.
import { download } from './dom.js';
import { runShade, runDash } from './run-identity.js';

const INK = '#222';
const RUN_COLOR = '#1f77b4';

// A legend swatch: the series' own line, dash and colour.
function swatch(ctx, x, y, color, dash, ratio) {
  ctx.save();
  ctx.strokeStyle = color;
  ctx.lineWidth = 2 * ratio;
  ctx.setLineDash(dash.map((d) => d * ratio));
  ctx.beginPath();
  ctx.moveTo(x, y);
  ctx.lineTo(x + 28 * ratio, y);
  ctx.stroke();
  ctx.restore();
  return 34 * ratio;
}

/** Lays entries ({ color, dash, text }) out in lines no wider than `width`; returns [{ x, line, entry }] and the line count. */
export function wrapEntries(entries, width, textWidth, ratio) {
  const placed = [];
  let x = 0;
  let line = 0;
  for (const entry of entries) {
    const w = 34 * ratio + textWidth(entry.text) + 16 * ratio;
    if (x > 0 && x + w > width) {
      x = 0;
      line++;
    }
    placed.push({ x, line, entry });
    x += w;
  }
  return { placed, lines: entries.length ? line + 1 : 0 };
}

function legendEntries(u) {
  return u.series.flatMap((s, i) =>
    i === 0 || !s.show ? [] : [{ color: s._stroke || s.stroke, dash: s.dash || [], text: s.label }],
  );
}

// Draws wrapped entries from y; returns the height used.
function drawEntries(ctx, entries, y, width, ratio, lineH) {
  const pad = 8 * ratio;
  const { placed, lines } = wrapEntries(entries, width - 2 * pad, (t) => ctx.measureText(t).width, ratio);
  for (const { x, line, entry } of placed) {
    const mid = y + line * lineH + lineH / 2;
    const w = swatch(ctx, pad + x, mid, entry.color, entry.dash, ratio);
    ctx.fillStyle = INK;
    ctx.fillText(entry.text, pad + x + w, mid);
  }
  return lines * lineH;
}

// The stop table as rows of text under a line of run names.
function tableLayout(ctx, table, ratio) {
  const pad = 6 * ratio;
  const head = table.columns.map((c, k) => {
    const run = table.runOf[k];
    return run == null ? c : c.slice(table.runLabels[run].length + 2);
  });
  const font = ctx.font;
  ctx.font = `bold ${font}`;
  const heads = head.map((h) => ctx.measureText(h).width);
  ctx.font = font;
  const widths = head.map(
    (h, k) => Math.max(heads[k], ...table.rows.map((r) => ctx.measureText(r.cells[k]).width)) + 2 * pad,
  );
  return { head, widths, width: widths.reduce((a, b) => a + b, 0) + 16 * ratio };
}

function drawTable(ctx, table, layout, y, ratio, lineH) {
  const { head, widths } = layout;
  let x = 8 * ratio;
  const lefts = widths.map((w) => ((x += w), x - w));
  // Each run's columns under its name and line.
  table.runLabels.forEach((label, r) => {
    const k = table.runOf.indexOf(r);
    swatch(ctx, lefts[k] + 4 * ratio, y + lineH / 2, runShade(RUN_COLOR, r), runDash(r), ratio);
    ctx.fillStyle = INK;
    ctx.fillText(label, lefts[k] + 38 * ratio, y + lineH / 2);
  });
  const rows = [head, ...table.rows.map((r) => r.cells)];
  rows.forEach((cells, i) => {
    const mid = y + (i + 1.5) * lineH;
    ctx.font = i === 0 ? ctx.font.replace(/^(bold )?/, 'bold ') : ctx.font.replace(/^bold /, '');
    cells.forEach((text, k) => ctx.fillText(text, lefts[k] + 6 * ratio, mid));
  });
  ctx.font = ctx.font.replace(/^bold /, '');
  return (rows.length + 1) * lineH;
}

/**
 * Saves the plots as one PNG. `runs` are { label }, `xLabel` names the
 * x axis with its unit, `table` (or null) is the side-by-side stop table
 * ({ columns, runOf, rows }), `fileName` the name to offer.
 */
export function savePng({ plots, runs, xLabel, table, fileName }) {
  if (!plots.length) return;
  const ratio = window.devicePixelRatio || 1;
  const font = `${Math.round(13 * ratio)}px system-ui, sans-serif`;
  const lineH = Math.round(22 * ratio);
  const probe = document.createElement('canvas').getContext('2d');
  probe.font = font;
  const tabled = table && table.rows.length ? { ...table, runLabels: runs.map((r) => r.label) } : null;
  const layout = tabled ? tableLayout(probe, tabled, ratio) : null;
  const width = Math.max(layout ? layout.width : 0, ...plots.map((u) => u.ctx.canvas.width));
  const header = runs.map((r, i) => ({ color: runShade(RUN_COLOR, i), dash: runDash(i), text: r.label }));
  const heightOf = (entries, bold = false) => {
    probe.font = bold ? `bold ${font}` : font;
    return wrapEntries(entries, width - 16 * ratio, (t) => probe.measureText(t).width, ratio).lines * lineH;
  };
  const height =
    heightOf(header, true) +
    plots.reduce((h, u) => h + heightOf(legendEntries(u)) + u.ctx.canvas.height, 0) +
    lineH * 1.5 +
    (tabled ? (tabled.rows.length + 3) * lineH : 0);
  const out = document.createElement('canvas');
  out.width = Math.ceil(width);
  out.height = Math.ceil(height);
  const ctx = out.getContext('2d');
  ctx.fillStyle = '#fff';
  ctx.fillRect(0, 0, out.width, out.height);
  ctx.textBaseline = 'middle';
  ctx.font = `bold ${font}`;
  let y = drawEntries(ctx, header, 0, width, ratio, lineH);
  ctx.font = font;
  for (const u of plots) {
    y += drawEntries(ctx, legendEntries(u), y, width, ratio, lineH);
    ctx.drawImage(u.ctx.canvas, 0, y);
    y += u.ctx.canvas.height;
  }
  ctx.fillStyle = INK;
  ctx.fillText(`x axis: ${xLabel}`, 8 * ratio, y + lineH / 2);
  y += lineH * 1.5;
  if (tabled) drawTable(ctx, tabled, layout, y, ratio, lineH);
  out.toBlob((blob) => download(blob, fileName), 'image/png');
}
