// The events column: what the plug-in saw happen between two rows, as
// names separated by spaces ("SIGNAL BEACON KEY_DOWN_3 +2"), and how each
// kind of event is marked on the panels.
import { KIND_EVENTS } from './log-model.js';
import { NONE } from './roles.js';

// A mark and a colour for every kind the plug-in writes; a kind it may
// write one day gets the last style.
// prettier-ignore
const STYLES = {
  SIGNAL: ['diamond', '#d62728'],
  BEACON: ['triangle', '#1f77b4'],
  DOOR_OPEN: ['square', '#2ca02c'],
  DOOR_CLOSE: ['square', '#8c564b'],
  KEY_DOWN: ['down', '#9467bd'],
  KEY_UP: ['triangle', '#c490d1'],
  HORN: ['circle', '#ff7f0e'],
  POWER: ['plus', '#17becf'],
  BRAKE: ['cross', '#e6550d'],
  REVERSER: ['bar', '#393b79'],
  INITIALIZE: ['circle', '#222222'],
  VEHICLE: ['square', '#7f7f7f'],
  PLUGIN_BRAKE: ['cross', '#bcbd22'],
  PLUGIN_POWER: ['plus', '#bcbd22'],
  PLUGIN_REVERSER: ['bar', '#bcbd22'],
  PLUGIN_CONSTANT_SPEED: ['diamond', '#bcbd22'],
  PLUGIN_FAULT: ['cross', '#7b1fa2'],
};
const OTHER = ['circle', '#999999'];
export const KIND_ORDER = Object.keys(STYLES);

/** The kind of an event: its name without the key or horn number ("KEY_DOWN_3" is a KEY_DOWN). */
export const eventKind = (name) => name.replace(/_-?\d+$/, '');

export function eventStyle(kind) {
  const [shape, color] = STYLES[kind] || OTHER;
  return { shape, color };
}

// Marks as SVG path data around (0, 0), r the half size; the canvas draws
// the same paths, so the legend shows what the panels do.
const SHAPES = {
  circle: (r) => `M${-r} 0a${r} ${r} 0 1 0 ${2 * r} 0a${r} ${r} 0 1 0 ${-2 * r} 0z`,
  square: (r) => `M${-r} ${-r}h${2 * r}v${2 * r}h${-2 * r}z`,
  diamond: (r) => `M0 ${-r - 1}L${r + 1} 0L0 ${r + 1}L${-r - 1} 0z`,
  triangle: (r) => `M0 ${-r - 1}L${r + 1} ${r}L${-r - 1} ${r}z`,
  down: (r) => `M0 ${r + 1}L${r + 1} ${-r}L${-r - 1} ${-r}z`,
  plus: (r) =>
    `M${-r / 3} ${-r - 1}h${(2 * r) / 3}v${r * 0.7}h${r * 0.7}v${(2 * r) / 3}h${-r * 0.7}v${r * 0.7}h${(-2 * r) / 3}v${-r * 0.7}h${-r * 0.7}v${(-2 * r) / 3}h${r * 0.7}z`,
  cross: (r) =>
    `M${-r} ${-r + 2}l2 -2l${r - 2} ${r - 2}l${r - 2} ${2 - r}l2 2l${2 - r} ${r - 2}l${r - 2} ${r - 2}l-2 2l${2 - r} ${2 - r}l${2 - r} ${r - 2}l-2 -2l${r - 2} ${2 - r}z`,
  bar: (r) => `M-1.5 ${-r - 1}h3v${2 * r + 2}h-3z`,
};
export const shapePath = (shape, r) => SHAPES[shape](r);

/**
 * The rows with events: [{ row, names, kinds, more }], kinds being the
 * distinct kinds of the row's names and more the count of names the
 * plug-in left out ("+N").
 */
export function eventRows(column) {
  if (!column || column.kind !== KIND_EVENTS) return [];
  const cells = column.texts.map((text) => {
    const words = text.split(' ');
    const more = /^\+\d+$/.test(words[words.length - 1]) ? Number(words.pop().slice(1)) : 0;
    return { names: words, kinds: [...new Set(words.map(eventKind))], more };
  });
  const out = [];
  const v = column.values;
  for (let i = 0; i < v.length; i++) if (v[i] === v[i]) out.push({ row: i, ...cells[v[i]] });
  return out;
}

/** How often each kind occurs, in the order of KIND_ORDER, then unknown kinds as met. */
export function kindCounts(rows) {
  const counts = new Map(KIND_ORDER.map((k) => [k, 0]));
  for (const r of rows) for (const name of r.names) counts.set(eventKind(name), (counts.get(eventKind(name)) || 0) + 1);
  return new Map([...counts].filter(([, n]) => n > 0));
}

/** The text of an event row: its names, and how many were left out. */
export const eventText = (e) => e.names.join(' ') + (e.more ? ` (+${e.more} more)` : '');

/**
 * Each run's events where the panels draw them: [{ run, xs, rows, dash }],
 * xs being the run's x values and rows its event rows.
 */
export function sceneEvents(runs, xsOf, dashes) {
  return runs.map((run, r) => ({
    run: r,
    label: run.label,
    xs: xsOf[r],
    rows: run.roles.events === NONE ? [] : eventRows(run.log.columns[run.roles.events]),
    dash: dashes[r] || [],
  }));
}
