// The stop report on the page: pickers to correct the guessed columns, the
// route's target stop positions, the table (one run, or every run side by
// side), zooming to a row, saving as CSV.
import { $, el, download } from './dom.js';
import { ROLES, ROLE_NAMES, NONE } from './roles.js';
import { stopReport, reportRows, canReport, reportColumns, dwellMeasure } from './report.js';
import { sideBySide, targetText, csvText } from './stops-compare.js';
import { visibleText } from './codepage.js';
import { lineSample } from './run-identity.js';

/** Wires "Stops": the section is one folded line until opened (by it or the button above). */
export function mount(app) {
  const { state } = app;
  let open = false;
  const section = () =>
    renderReport(
      state.runs,
      {
        redo: section,
        roles: (roles) => app.setRoles(roles),
        zoom: (from, to) => app.zoomToRows(from, to),
      },
      state.route,
    );
  const toggle = () => {
    open = !open;
    app.render();
  };
  app.stopTable = () => comparedStops(state.runs, state.route);
  $('stops').addEventListener('click', toggle);
  $('report-fold').addEventListener('click', toggle);
  return {
    layout() {
      $('report').hidden = !state.log;
      $('report').classList.toggle('folded', !open);
      $('report-fold').setAttribute('aria-expanded', String(open));
      $('stops').classList.toggle('on', open && !!state.log);
      $('stops').disabled = !state.log;
      if (state.log && open) section();
    },
    grow() {
      if (open) section();
    },
  };
}

// Target stop positions per route name, kept in the browser.
const STORE = 'cablog.targets';
const LAST_ROUTE = 'cablog.route';

function savedTargets() {
  try {
    return JSON.parse(localStorage.getItem(STORE)) || {};
  } catch {
    return {};
  }
}

/** The target positions [m] typed for `route`, as numbers. */
export function targetsOf(route) {
  const list = savedTargets()[route];
  return Array.isArray(list) ? list.filter(Number.isFinite) : [];
}

function storeTargets(route, text) {
  const all = savedTargets();
  const list = text
    .split(/[\s,;]+/)
    .filter(Boolean)
    .map(Number)
    .filter(Number.isFinite);
  if (list.length) all[route] = list;
  else delete all[route];
  try {
    localStorage.setItem(STORE, JSON.stringify(all));
    localStorage.setItem(LAST_ROUTE, route);
  } catch {
    // Storage off (private window, file:// in some browsers): the targets last for this page.
  }
}

function lastRoute() {
  try {
    return localStorage.getItem(LAST_ROUTE) || '';
  } catch {
    return '';
  }
}

function targetInputs(onChange) {
  const route = lastRoute();
  const routeInput = el('input', { id: 'route', value: route, size: 12, placeholder: 'route name' });
  const routes = el(
    'datalist',
    { id: 'routes' },
    ...Object.keys(savedTargets()).map((r) => el('option', { value: r })),
  );
  routeInput.setAttribute('list', 'routes');
  const targetInput = el('input', {
    id: 'targets',
    value: targetsOf(route).join(', '),
    size: 24,
    placeholder: 'e.g. 1250, 3410.5',
    title: 'Where the train should stop, in metres, separated by commas; kept in this browser under the route name',
  });
  routeInput.addEventListener('change', () => {
    targetInput.value = targetsOf(routeInput.value).join(', ');
    storeTargets(routeInput.value, targetInput.value);
    onChange();
  });
  targetInput.addEventListener('change', () => {
    storeTargets(routeInput.value, targetInput.value);
    onChange();
  });
  return [el('label', {}, 'Route ', routeInput, routes), el('label', {}, 'Target stops [m] ', targetInput)];
}

// The stop targets: the route file's stations, else those typed for the route name.
function targetsFor(route) {
  if (route) return route.route.stations.map((s) => s.at);
  return targetsOf($('route') ? $('route').value : lastRoute());
}

/** The runs' stops side by side, or null when there are not several runs or they cannot be reported. */
export function comparedStops(runs, route = null) {
  if (runs.length < 2 || !canReport(runs[0].roles)) return null;
  return sideBySide(
    runs,
    runs.map((r) => stopReport(r.log, r.roles)),
    targetsFor(route),
  );
}

// A header cell; in a table of several runs, with the line of its run.
function headCell(name, run) {
  const th = el('th', { textContent: name });
  if (run != null) {
    const sample = el('span', { className: 'run-line' });
    sample.innerHTML = lineSample(run, '#1f77b4', 24);
    th.prepend(sample);
  }
  return th;
}

function table(columns, rows, zoom, runOf = []) {
  const head = el('tr', {}, ...columns.map((name, k) => headCell(name, runOf[k])));
  const trs = rows.map((r) => {
    const tr = el('tr', {}, ...r.cells.map((text) => el('td', { textContent: text })));
    tr.className = /^(Leg|Start)/.test(r.cells[0]) ? 'leg' : 'stop';
    if (r.from >= 0) {
      tr.tabIndex = 0;
      tr.title = 'Show in the panels';
      const go = () => zoom(r.from, r.to);
      tr.addEventListener('click', go);
      tr.addEventListener('keydown', (e) => e.key === 'Enter' && go());
    }
    return tr;
  });
  return el('table', { id: 'report-table' }, el('thead', {}, head), el('tbody', {}, ...trs));
}

// With a route file open, its stations are the targets.
function routeTargets(route) {
  const at = route.route.stations.map((s) => s.at);
  return [
    el('span', {
      id: 'route-targets',
      textContent: `Target stops from ${route.name}: ${at.length ? at.join(', ') : 'none (no station in it)'}`,
    }),
  ];
}

/**
 * Fills the report section for `runs` ({ name, label, log, roles }; the
 * first one's columns are picked here). on.roles(roles): the user corrected
 * a guess; on.zoom(fromRow, toRow) in the first run; on.redo(): draw again.
 * `route`: the open route file ({ name, route }), whose stations are then
 * the targets, or null for the targets typed in.
 */
export function renderReport(runs, on, route = null) {
  const run = runs[0];
  const { roles } = run;
  $('roles').replaceChildren(...rolePickers(run, on), ...(route ? routeTargets(route) : targetInputs(on.redo)));

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
  const reports = runs.map((r) => stopReport(r.log, r.roles));
  const targets = targetsFor(route);
  const { columns, rows, runOf } = runs.length > 1 ? sideBySide(runs, reports, targets) : oneRun(reports[0], targets);
  save.disabled = !rows.length;
  save.onclick = () =>
    download(
      new Blob([csvText([columns, ...rows.map((r) => r.cells)])], { type: 'text/csv' }),
      (runs.length > 1 ? 'compared' : run.name.replace(/\.[^.]*$/, '')) + '-stops.csv',
    );
  if (!rows.length) {
    box.replaceChildren(
      el('p', { className: 'hint', textContent: 'The train does not stop in this log after moving.' }),
    );
    return;
  }
  const notes = reports.map((r, k) => (runs.length > 1 ? `${runs[k].label}: ` : '') + dwellMeasure(r));
  if (runs.length > 1) notes.push('Arrival: seconds since setting off from the first station.');
  box.replaceChildren(
    el('p', { className: 'hint', id: 'report-measure', textContent: notes.join(' ') }),
    el('div', { className: 'table-scroll' }, table(columns, rows, on.zoom, runOf)),
  );
}

// A column picker for each role the report reads, in the first run.
function rolePickers({ log, roles }, on) {
  return ROLES.map((role) => {
    const select = el('select', { id: `role-${role}` });
    select.append(el('option', { value: String(NONE), textContent: '–' }));
    log.columns.forEach((col, c) => {
      select.append(el('option', { value: String(c), textContent: `${c + 1}: ${visibleText(col.label)}` }));
    });
    select.value = String(roles[role]);
    select.addEventListener('change', () => on.roles({ ...roles, [role]: Number(select.value) }));
    return el('label', {}, `${ROLE_NAMES[role]} `, select);
  });
}

// One run's table, each stop measured against the targets when there are any.
function oneRun(entries, targets) {
  const columns = reportColumns(entries);
  const rows = reportRows(entries);
  if (!targets.length) return { columns, rows };
  let n = 0;
  return {
    columns: [...columns, 'Vs target'],
    rows: rows.map((r) => ({
      ...r,
      cells: [...r.cells, r.cells[0].startsWith('Stop') ? targetText(entries[n++].stop.location, targets) : ''],
    })),
  };
}
