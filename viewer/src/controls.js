// The controls beside the panels: the code page of the labels, the x axis
// and the column table.
import { ENCODINGS, ENCODING_NAMES, visibleText } from './codepage.js';
import { KIND_NAMES, KIND_EVENTS, decodeLabels } from './log-model.js';
import { ROW_X, plottable, unshownColumns, assignColumn, setX } from './view.js';
import { $, el } from './dom.js';

export function mount(app) {
  const { state } = app;
  $('xaxis').addEventListener('change', (e) => {
    const v = e.target.value;
    state.view = setX(state.view, v === ROW_X ? ROW_X : Number(v));
    state.zoomed = false;
    app.render();
  });
  $('encoding').addEventListener('change', (e) => {
    state.encoding = e.target.value;
    for (const run of state.runs) decodeLabels(run.log, state.encoding || run.log.detectedEncoding);
    app.render();
  });
  const assign = (c, panel) => {
    state.view = assignColumn(state.view, c, panel);
    app.render();
  };
  return {
    render() {
      $('encoding').disabled = !state.log;
      $('xaxis-label').hidden = state.runs.length > 1;
      if (state.log) {
        renderControls(state, { assign });
        return;
      }
      $('columns').hidden = true;
      $('xaxis').replaceChildren();
      $('xaxis').disabled = true;
    },
  };
}

/**
 * Fills them from the page's state. on.assign(column, panel): move a
 * column to a panel (-1 for none).
 */
export function renderControls(state, on) {
  renderEncoding(state);
  renderXSelect(state);
  renderColumnTable(state, on);
}

function renderEncoding(state) {
  const select = $('encoding');
  const guessed = state.log.detectedEncoding;
  select.replaceChildren(
    el('option', { value: '', textContent: `Auto: ${ENCODING_NAMES[guessed]}` }),
    ...ENCODINGS.map((e) => el('option', { value: e, textContent: ENCODING_NAMES[e] })),
  );
  select.value = state.encoding;
}

function renderXSelect(state) {
  const select = $('xaxis');
  select.replaceChildren(el('option', { value: ROW_X, textContent: 'Row number' }));
  for (const c of state.candidates) {
    select.append(
      el('option', { value: String(c), textContent: `${c + 1}: ${visibleText(state.log.columns[c].label)}` }),
    );
  }
  select.value = String(state.view.x);
  select.disabled = false;
}

function renderColumnTable(state, on) {
  const body = $('columns-body');
  body.replaceChildren();
  $('columns').hidden = false;
  const { view, log } = state;
  log.columns.forEach((col, c) => {
    const where = view.panels.findIndex((p) => p.includes(c));
    let control;
    if (c === view.x && state.runs.length < 2) {
      control = el('span', { className: 'muted', textContent: 'x axis' });
    } else if (col.kind === KIND_EVENTS) {
      control = el('span', { className: 'muted', textContent: 'events: marks' });
    } else if (!plottable(col)) {
      control = el('span', { className: 'muted', textContent: 'no values' });
    } else {
      control = el('select', { title: `Panel for ${col.label}` });
      control.dataset.column = String(c);
      control.append(el('option', { value: '-1', textContent: '–' }));
      view.panels.forEach((_, i) => control.append(el('option', { value: String(i), textContent: `Panel ${i + 1}` })));
      control.append(el('option', { value: String(view.panels.length), textContent: 'New panel' }));
      control.value = String(where);
      control.addEventListener('change', () => on.assign(c, Number(control.value)));
    }
    const kind = KIND_NAMES[col.kind] + (col.gaps ? `, ${col.gaps.toLocaleString('en')} empty` : '');
    const name = visibleText(col.label) || '(no label)';
    body.append(
      el(
        'tr',
        {},
        el('td', { className: 'num', textContent: String(c + 1) }),
        el('td', { className: 'label', textContent: name, title: `${name}\n${kind}` }),
        el('td', {}, control),
      ),
    );
  });
}

/** The line above the panels that says how many columns are in no panel, with "Show all". */
export function renderUnshown(state, showAll) {
  const hidden = unshownColumns(state.log, state.view).length;
  if (!hidden) return;
  const all = el('button', { type: 'button', id: 'show-all', textContent: 'Show all' });
  all.addEventListener('click', showAll);
  $('panels').append(
    el(
      'p',
      { className: 'hint', id: 'unshown' },
      `${hidden} more column${hidden === 1 ? ' is' : 's are'} not shown. `,
      all,
    ),
  );
}
