// The printed debrief: one page an instructor hands back, with the run,
// the route, the stops, the findings and the speed against location with
// the limit. It is laid out in #print-sheet, which only print shows, so
// the browser's "Save as PDF" makes the same page.
import { $, el } from './dom.js';
import { NONE, secondsOf } from './roles.js';
import { stopReport } from './report.js';
import { metres } from './findings.js';
import { debriefRuns, severityMark } from './findings-ui.js';
import { speedSvg } from './svg-charts.js';
import { dateOf, stopText } from './run-summary.js';

// More lines than this would run onto a second page; the rest are counted.
const MAX_FINDINGS = 22;
const MAX_STOPS = 10;
const plural = (n, word) => `${n} ${word}${n === 1 ? '' : 's'}`;

const table = (columns, rows) =>
  el(
    'table',
    {},
    el('thead', {}, el('tr', {}, ...columns.map((c) => el('th', { textContent: c })))),
    el('tbody', {}, ...rows.map((cells) => el('tr', {}, ...cells.map((c) => el('td', { textContent: c }))))),
  );

function stopsTable(run) {
  const { debrief, log, roles } = run;
  if (debrief.stations.length) {
    const rows = debrief.stations.map((s) => [
      s.name,
      metres(s.at),
      s.entry ? s.entry.stop.location.toFixed(1) : s.passed ? 'passed' : 'not reached',
      s.error === null ? '' : stopText({ ...s, name: '' }).trim(),
      s.entry && s.entry.stop.dwell !== null ? s.entry.stop.dwell.toFixed(0) : '',
    ]);
    return table(['Station', 'At [m]', 'Stopped at [m]', 'Error', 'Dwell [s]'], rows.slice(0, MAX_STOPS));
  }
  const rows = stopReport(log, roles).map((e, n) => [
    `Stop ${n + 1}`,
    e.stop.location.toFixed(1),
    e.stop.dwell === null ? '' : e.stop.dwell.toFixed(0),
  ]);
  return rows.length
    ? table(['Stop', 'At [m]', 'Dwell [s]'], rows.slice(0, MAX_STOPS))
    : el('p', { textContent: 'No stops.' });
}

function routeText(route) {
  if (!route) return 'No route file: findings that need the route were not checked.';
  const r = route.route;
  const parts = [route.name];
  if (r.line) parts.push(`line ${metres(r.line.from)} to ${metres(r.line.to)} m`);
  if (r.limits.length) parts.push(`limits ${r.limits.map((l) => `${l.kmh} from ${metres(l.at)} m`).join(', ')}`);
  if (r.stations.length) parts.push(`stations ${r.stations.map((s) => `${s.name} (${metres(s.at)} m)`).join(', ')}`);
  if (r.signals.length) parts.push(`${r.signals.length} signal${r.signals.length === 1 ? '' : 's'}`);
  return parts.join('; ');
}

/** Lays out the sheet for the first run. */
export function layoutSheet(state) {
  debriefRuns(state);
  const run = state.runs[0];
  const { log, roles, debrief } = run;
  const findings = debrief.findings;
  const byLocation = roles.location !== NONE;
  const xs = byLocation
    ? log.columns[roles.location].values
    : roles.clock !== NONE
      ? secondsOf(log.columns[roles.clock])
      : null;
  const chart = el('div', { className: 'sheet-chart' });
  if (xs && roles.speed !== NONE)
    chart.innerHTML = speedSvg(xs, log.columns[roles.speed].values, state.route && state.route.route, byLocation);
  const list = el(
    'ol',
    { className: 'sheet-findings' },
    ...findings.slice(0, MAX_FINDINGS).map((f) => el('li', {}, severityMark(f.severity), ` ${f.text}`)),
  );
  if (findings.length > MAX_FINDINGS)
    list.append(el('li', { textContent: `… and ${findings.length - MAX_FINDINGS} more` }));
  const counts = [1, 2, 3].map((s) => findings.filter((f) => f.severity === s).length);
  $('print-sheet').replaceChildren(
    el('h1', { textContent: `Debrief: ${run.label}` }),
    el('p', { textContent: [run.name, dateOf(run.name)].filter(Boolean).join(' · ') }),
    el('p', {}, el('strong', { textContent: 'Route: ' }), routeText(state.route)),
    el('h2', { textContent: 'Stops' }),
    stopsTable(run),
    el('h2', {
      textContent: `Findings: ${counts[2]} serious, ${plural(counts[1], 'warning')}, ${plural(counts[0], 'note')}`,
    }),
    findings.length ? list : el('p', { textContent: 'No findings.' }),
    debrief.unchecked.length
      ? el('p', {
          className: 'sheet-unchecked',
          textContent: 'Not checked: ' + debrief.unchecked.map((u) => `${u.kind} (${u.reason})`).join('; '),
        })
      : '',
    chart,
  );
}

export function mount(app) {
  const { state } = app;
  $('print').addEventListener('click', () => {
    layoutSheet(state);
    window.print();
  });
  // The browser's own print command gets the same sheet.
  window.addEventListener('beforeprint', () => state.log && layoutSheet(state));
  return {
    render() {
      $('print').disabled = !state.log;
    },
  };
}
