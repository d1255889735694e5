// The findings beside the events: the route file and the findings file
// they are measured against, a count per kind (per run when comparing,
// side by side), and the list, where a click zooms the panels to one.
// The findings are worked out before the panels draw, so that their bands
// can be drawn too.
import { $, el } from './dom.js';
import { findingsOf } from './findings.js';
import { parseRoute } from './route-file.js';
import { parseFindingsFile } from './finding-rules.js';
import { KINDS } from './findings.js';
import { SEVERITY_STYLES } from './severity.js';

export function severityMark(severity) {
  const s = SEVERITY_STYLES[severity];
  return el('span', {
    className: `sev sev${severity}`,
    textContent: s.symbol,
    title: s.name,
    style: `color:${s.color}`,
  });
}

const keyOf = (state, run) => [state.route, state.rules, run.log.rowCount, JSON.stringify(run.roles)];
const current = (state, run) => run.debriefKey && run.debriefKey.every((k, i) => k === keyOf(state, run)[i]);

/** Each run's findings (run.debrief), worked out again only when the log, its columns or the files changed. */
export function debriefRuns(state) {
  for (const run of state.runs) {
    if (current(state, run)) continue;
    run.debriefKey = keyOf(state, run);
    run.debrief = findingsOf(run.log, {
      route: state.route ? state.route.route : null,
      rules: state.rules ? state.rules.rules : undefined,
      roles: run.roles,
    });
  }
}

export function mount(app) {
  const { state } = app;
  readFiles(app);
  const zoom = (r, f) => {
    const xs = state.scene && state.scene.events[r] ? state.scene.events[r].xs : null;
    if (xs) app.zoomToXs(xs[f.startRow], xs[f.endRow]);
  };
  // The findings of a big log take a while (about a second a million
  // rows), so they are worked out once the panels have been drawn, and
  // while a log is followed, at most every few seconds.
  let pending = null;
  let last = 0;
  let cost = 0;
  const update = () => {
    pending = null;
    if (!state.log) return;
    const t0 = performance.now();
    debriefRuns(state);
    last = performance.now();
    cost = last - t0;
    if (state.scene) {
      state.scene.bands = state.runs.map((run) => run.debrief.findings);
      for (const u of state.plots) u.redraw(false);
    }
    renderFindings(state, zoom);
  };
  const schedule = (delay) => {
    if (pending) return;
    pending = setTimeout(() => requestAnimationFrame(() => setTimeout(update, 0)), Math.max(0, delay));
  };
  return {
    layout() {
      $('findings').hidden = !state.log;
    },
    render() {
      if (!state.log) return;
      if (state.runs.every((run) => current(state, run))) renderFindings(state, zoom);
      else {
        $('findings').replaceChildren(el('p', { className: 'hint', textContent: 'Working out the findings…' }));
        delete $('findings').dataset.ready;
        schedule(0);
      }
    },
    grow() {
      schedule(Math.max(5000, 10 * cost) - (performance.now() - last));
    },
    close() {
      clearTimeout(pending);
      pending = null;
    },
  };
}

// The route file and the findings file, each read when chosen.
function readFiles(app) {
  const { state } = app;
  state.route = null; // { name, route }
  state.rules = null; // { name, rules }
  const readInto = (input, parse, set) =>
    input.addEventListener('change', async () => {
      const file = input.files[0];
      input.value = '';
      if (!file) return;
      try {
        set({ name: file.name, ...parse(await file.text()) });
        app.render();
      } catch (err) {
        app.message(`${file.name}: ${err.message}`, 'error');
      }
    });
  readInto(
    $('route-file'),
    (text) => ({ route: parseRoute(text) }),
    (r) => (state.route = r),
  );
  readInto(
    $('findings-file'),
    (text) => ({ rules: parseFindingsFile(text, Object.keys(KINDS)) }),
    (r) => (state.rules = r),
  );
}

function countTable(state) {
  const runs = state.runs;
  const kinds = new Map();
  runs.forEach((run, r) => {
    for (const f of run.debrief.findings) {
      if (!kinds.has(f.kind))
        kinds.set(
          f.kind,
          runs.map(() => ({ n: 0, worst: 0 })),
        );
      const cell = kinds.get(f.kind)[r];
      cell.n++;
      cell.worst = Math.max(cell.worst, f.severity);
    }
  });
  if (!kinds.size) return el('p', { className: 'hint', textContent: 'No findings.' });
  const head =
    runs.length > 1 ? el('tr', {}, el('th'), ...runs.map((run) => el('th', { textContent: run.label }))) : '';
  const rows = [...kinds].map(([kind, cells]) =>
    el(
      'tr',
      {},
      el('td', { textContent: kind }),
      ...cells.map((c) => el('td', { className: 'count' }, c.n ? severityMark(c.worst) : '', ` ${c.n}`)),
    ),
  );
  return el('table', { id: 'finding-counts' }, el('thead', {}, head), el('tbody', {}, ...rows));
}

export function renderFindings(state, zoom) {
  const box = $('findings');
  const many = state.runs.length > 1;
  const items = state.runs.flatMap((run, r) =>
    run.debrief.findings.map((f) => {
      const li = el(
        'li',
        { tabIndex: 0, title: 'Show in the panels' },
        severityMark(f.severity),
        many ? el('span', { className: 'run', textContent: ` ${run.label}` }) : '',
        ` ${f.text}`,
      );
      li.dataset.severity = String(f.severity);
      li.addEventListener('click', () => zoom(r, f));
      li.addEventListener('keydown', (e) => e.key === 'Enter' && zoom(r, f));
      return li;
    }),
  );
  const unchecked = state.runs[0].debrief.unchecked;
  const files = [
    state.route ? `route ${state.route.name}` : 'no route file',
    state.rules ? `findings ${state.rules.name}` : 'default thresholds',
  ].join(', ');
  box.dataset.ready = '';
  box.replaceChildren(
    el(
      'div',
      { className: 'findings-head' },
      el('strong', { textContent: 'Findings ' }),
      el('span', { className: 'muted', textContent: files }),
    ),
    countTable(state),
    el('ol', { id: 'finding-list' }, ...items),
    unchecked.length
      ? el('p', {
          className: 'hint',
          id: 'findings-unchecked',
          textContent: 'Not checked: ' + unchecked.map((u) => `${u.kind} (${u.reason})`).join('; '),
        })
      : '',
  );
}
