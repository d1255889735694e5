// The events beside the panels: which column holds them, a legend of their
// kinds (click to hide a kind's marks), and the list, filtered by kind,
// where clicking an event zooms the panels to it.
import { $, el } from './dom.js';
import { KIND_EVENTS } from './log-model.js';
import { NONE } from './roles.js';
import { visibleText } from './codepage.js';
import { xText } from './scene.js';
import { eventStyle, shapePath, kindCounts, eventKind, eventText } from './events.js';

const LIST_MAX = 2000;

export function mount(app) {
  const { state } = app;
  const section = () =>
    renderEvents(state, {
      pick: (c) => app.setRoles({ ...state.runs[0].roles, events: c }),
      toggle: (kind) => {
        if (!state.hiddenKinds.delete(kind)) state.hiddenKinds.add(kind);
        for (const u of state.plots) u.redraw(false);
        section();
      },
      filter: (kind) => {
        state.eventFilter = kind;
        section();
      },
      zoom: (x) => app.zoomToX(x),
    });
  return {
    layout: () => placeEvents(state),
    render() {
      if (state.log) section();
    },
    grow: section,
  };
}

export function markSvg(kind, size = 12) {
  const r = size / 2 - 2;
  const svg = `<svg width="${size}" height="${size}" viewBox="${-size / 2} ${-size / 2} ${size} ${size}"><path d="${shapePath(eventStyle(kind).shape, r)}" fill="${eventStyle(kind).color}"/></svg>`;
  const span = el('span', { className: 'mark' });
  span.innerHTML = svg;
  return span;
}

const eventColumns = (run) => (run ? run.log.columns.flatMap((col, c) => (col.kind === KIND_EVENTS ? [c] : [])) : []);

/** Shows or hides the events aside before the panels take their width. */
export function placeEvents(state) {
  $('events').hidden = !eventColumns(state.runs[0]).length;
}

/**
 * Fills the events aside from the page's state (runs, scene, hiddenKinds,
 * eventFilter). on.pick(column): the events column of the first run;
 * on.toggle(kind): hide or show a kind's marks; on.filter(kind);
 * on.zoom(x): centre the panels on x.
 */
export function renderEvents(state, on) {
  const box = $('events');
  const base = state.runs[0];
  const candidates = eventColumns(base);
  box.hidden = !candidates.length;
  if (box.hidden) return;
  const runs = state.scene ? state.scene.events : [];
  const counts = kindCounts(runs.flatMap((r) => r.rows));
  const filter = kindFilter(counts, state.eventFilter, on);
  const items = eventItems(state.scene, runs, filter.value, on);
  const list = el('ol', { id: 'event-list' }, ...items.map(([, li]) => li));
  const note =
    items.length >= LIST_MAX
      ? el('p', { className: 'hint', textContent: `The first ${LIST_MAX} are listed; choose a kind to see others.` })
      : '';
  box.replaceChildren(
    el(
      'div',
      { className: 'events-head' },
      el('strong', { textContent: 'Events ' }),
      eventsPicker(base, candidates, on),
    ),
    kindLegend(counts, state.hiddenKinds, on),
    el('label', {}, 'List ', filter),
    list,
    note,
  );
}

function eventsPicker(base, candidates, on) {
  const picker = el('select', { id: 'role-events-side', title: 'The column that holds the events' });
  picker.append(el('option', { value: String(NONE), textContent: '–' }));
  for (const c of candidates)
    picker.append(el('option', { value: String(c), textContent: `${c + 1}: ${visibleText(base.log.labels[c])}` }));
  picker.value = String(base.roles.events);
  picker.addEventListener('change', () => on.pick(Number(picker.value)));
  return picker;
}

// A button per kind with its count, to hide or show its marks.
function kindLegend(counts, hiddenKinds, on) {
  return el(
    'div',
    { id: 'event-kinds' },
    ...[...counts].map(([kind, n]) => {
      const item = el(
        'button',
        { type: 'button', className: 'kind', title: `Show or hide the ${kind} marks` },
        markSvg(kind),
        ` ${kind} ${n}`,
      );
      item.dataset.kind = kind;
      item.classList.toggle('off', hiddenKinds.has(kind));
      item.addEventListener('click', () => on.toggle(kind));
      return item;
    }),
  );
}

function kindFilter(counts, eventFilter, on) {
  const filter = el('select', { id: 'event-filter', title: 'List only events of one kind' });
  filter.append(el('option', { value: '', textContent: 'All kinds' }));
  for (const kind of counts.keys()) filter.append(el('option', { value: kind, textContent: kind }));
  filter.value = counts.has(eventFilter) ? eventFilter : '';
  filter.addEventListener('change', () => on.filter(filter.value));
  return filter;
}

// The list's items as [x, li], at most LIST_MAX of the kind `want` (any
// when empty), in order along x when several runs are shown.
function eventItems(scene, runs, want, on) {
  const items = [];
  const many = runs.length > 1;
  outer: for (const run of runs) {
    for (const e of run.rows) {
      if (want && !e.names.some((n) => eventKind(n) === want)) continue;
      if (items.length >= LIST_MAX) break outer;
      const x = run.xs[e.row];
      const li = el(
        'li',
        { tabIndex: 0, title: 'Show in the panels' },
        ...e.kinds.map((k) => markSvg(k, 10)),
        el('span', { className: 'at', textContent: xText(scene.x, x, e.row) }),
        many ? el('span', { className: 'run', textContent: run.label }) : '',
        ` ${eventText(e)}`,
      );
      li.dataset.x = String(x);
      li.addEventListener('click', () => on.zoom(x));
      li.addEventListener('keydown', (ev) => ev.key === 'Enter' && on.zoom(x));
      items.push([x, li]);
    }
  }
  if (many) items.sort((a, b) => a[0] - b[0]);
  return items;
}
