// The stop report on the page: pickers to correct the guessed columns, the
// table, zooming to a row, saving as CSV.
import { $, el, download } from './dom.js';
import { ROLES, ROLE_NAMES, NONE } from './roles.js';
import { stopReport, reportRows, reportCsv, canReport, REPORT_COLUMNS } from './report.js';
import { visibleText } from './codepage.js';

/**
 * Fills the report section for `run` ({ name, log, roles }).
 * on.roles(roles): the user corrected a guess; on.zoom(fromRow, toRow).
 */
export function renderReport(run, on) {
  const { log, roles } = run;
  const pickers = ROLES.map((role) => {
    const select = el('select', { id: `role-${role}` });
    select.append(el('option', { value: String(NONE), textContent: '–' }));
    log.columns.forEach((col, c) => {
      select.append(el('option', { value: String(c), textContent: `${c + 1}: ${visibleText(col.label)}` }));
    });
    select.value = String(roles[role]);
    select.addEventListener('change', () => on.roles({ ...roles, [role]: Number(select.value) }));
    return el('label', {}, `${ROLE_NAMES[role]} `, select);
  });
  $('roles').replaceChildren(...pickers);

  const box = $('report-body');
  const save = $('report-csv');
  if (!canReport(roles)) {
    save.disabled = true;
    box.replaceChildren(
      el('p', {
        className: 'hint',
        textContent: 'The report needs the speed and the location or the clock: choose those columns above.',
      }),
    );
    return;
  }
  const entries = stopReport(log, roles);
  save.disabled = !entries.length;
  save.onclick = () =>
    download(new Blob([reportCsv(entries)], { type: 'text/csv' }), run.name.replace(/\.[^.]*$/, '') + '-stops.csv');
  if (!entries.length) {
    box.replaceChildren(
      el('p', { className: 'hint', textContent: 'The train does not stop in this log after moving.' }),
    );
    return;
  }
  const head = el('tr', {}, ...REPORT_COLUMNS.map((name) => el('th', { textContent: name })));
  const rows = reportRows(entries).map((r) => {
    const tr = el(
      'tr',
      { tabIndex: 0, title: 'Show in the panels' },
      ...r.cells.map((text) => el('td', { textContent: text })),
    );
    tr.className = r.cells[0].startsWith('Leg') ? 'leg' : 'stop';
    const go = () => on.zoom(r.from, r.to);
    tr.addEventListener('click', go);
    tr.addEventListener('keydown', (e) => e.key === 'Enter' && go());
    return tr;
  });
  box.replaceChildren(el('table', { id: 'report-table' }, el('thead', {}, head), el('tbody', {}, ...rows)));
}
