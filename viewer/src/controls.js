// The controls beside the panels: the code page of the labels, the x axis
// or the alignment of runs, the list of runs, and the column table.
import { ENCODINGS, ENCODING_NAMES, visibleText } from './codepage.js';
import { KIND_NAMES } from './parse.js';
import { ROW_X, plottable } from './view.js';
import { DASHES } from './compare.js';
import { $, el } from './dom.js';

/**
 * Fills them from the page's state. on.dropRun(r): stop comparing run r;
 * on.assign(column, panel): move a column to a panel (-1 for none).
 */
export function renderControls(state, on) {
  renderEncoding(state);
  renderXSelect(state);
  renderRuns(state, on);
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
  $('align').value = state.align;
}

function renderRuns(state, on) {
  const box = $('runs');
  box.hidden = state.runs.length < 2;
  box.replaceChildren(
    ...state.runs.map((run, r) => {
      const dash = DASHES[r].length ? DASHES[r].join(' ') : 'none';
      const sample = `<svg width="40" height="10"><line x1="0" y1="5" x2="40" y2="5" stroke="#222" stroke-width="2" stroke-dasharray="${dash}"/></svg>`;
      const item = el('span', { className: 'run' });
      item.innerHTML = sample;
      item.append(el('span', { textContent: r === 0 ? `${run.name} (first run)` : run.name }));
      if (r > 0) {
        const drop = el('button', { type: 'button', textContent: '×', title: `Stop comparing ${run.name}` });
        drop.addEventListener('click', () => on.dropRun(r));
        item.append(drop);
      }
      return item;
    }),
  );
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
    body.append(
      el(
        'tr',
        {},
        el('td', { className: 'num', textContent: String(c + 1) }),
        el('td', { className: 'label', textContent: visibleText(col.label) || '(no label)', title: kind }),
        el('td', {}, control),
      ),
    );
  });
}
