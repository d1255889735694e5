// What tells runs apart wherever they are shown together: a name of their
// own, and a line style (dash and shade of the column's colour) that every
// legend, the stop table and the saved picture repeat.
import { DASHES } from './compare.js';

/**
 * A run's default name: the date and time from the log's file name
 * (Log_YYMMDD-HHMMSS.csv gives "MM-DD HH:MM:SS"; a second log of the same
 * second, Log_YYMMDD-HHMMSS-2.csv, gives "MM-DD HH:MM:SS #2"), else the
 * file name without ".csv".
 */
export function shortName(fileName) {
  const m = /^Log_\d\d(\d\d)(\d\d)-(\d\d)(\d\d)(\d\d)(?:-(\d+))?\.csv$/i.exec(fileName);
  if (!m) return fileName.replace(/\.csv$/i, '');
  return `${m[1]}-${m[2]} ${m[3]}:${m[4]}:${m[5]}${m[6] ? ` #${m[6]}` : ''}`;
}

/** Default names for runs, each its own: names alike (logs of the same name from different folders) are numbered #1, #2, … */
export function runLabels(fileNames) {
  const labels = fileNames.map(shortName);
  const taken = new Set(labels);
  const seen = new Map();
  return labels.map((label) => {
    if (labels.indexOf(label) === labels.lastIndexOf(label)) return label;
    let k = seen.get(label) || 0;
    let name;
    do name = `${label} #${++k}`;
    while (taken.has(name));
    seen.set(label, k);
    taken.add(name);
    return name;
  });
}

/** Gives runs still under their default name a unique one; a name the user typed stays. */
export function nameRuns(runs) {
  const labels = runLabels(runs.map((r) => r.name));
  runs.forEach((run, r) => {
    if (run.label === run.defaultLabel) run.label = labels[r];
    run.defaultLabel = labels[r];
  });
}

// The first run in the column's own colour, the others darker or lighter.
const SHADES = [0, -0.4, 0.45, -0.65, 0.3];

/** `color` (#rrggbb) in run r's shade. */
export function runShade(color, r) {
  const f = SHADES[r % SHADES.length];
  if (!f) return color;
  const to = f < 0 ? 0 : 255;
  const mix = (i) => Math.round(parseInt(color.slice(i, i + 2), 16) * (1 - Math.abs(f)) + to * Math.abs(f));
  return '#' + [1, 3, 5].map((i) => mix(i).toString(16).padStart(2, '0')).join('');
}

/** Run r's dash (canvas form: [] is solid). */
export const runDash = (r) => DASHES[r % DASHES.length];

/** A sample of run r's line, as SVG markup, for tables and lists. */
export function lineSample(r, color = '#222', width = 36) {
  const dash = runDash(r).length ? runDash(r).join(' ') : 'none';
  return (
    `<svg width="${width}" height="10" aria-hidden="true"><line x1="0" y1="5" x2="${width}" y2="5" ` +
    `stroke="${runShade(color, r)}" stroke-width="2" stroke-dasharray="${dash}"/></svg>`
  );
}

/** A file name for a picture of the runs: every log's name (its run's name when two logs share one). */
export function pictureName(runs) {
  let names = runs.map((r) => r.name.replace(/\.[^.]*$/, ''));
  if (new Set(names).size < names.length) names = runs.map((r) => r.label);
  return names.join(' vs ').replace(/[\\/:*?"<>|]/g, '-') + '.png';
}
