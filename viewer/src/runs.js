// The runs being compared: their short names (editable, used in legends,
// tables and exports), the line that lists them with their dash, how they
// are aligned, and whether another can be added.
import { DASHES, MAX_RUNS, ALIGN_LOCATION, ALIGN_TIME, alignmentNote } from './compare.js';
import { $, el } from './dom.js';

export function mount(app) {
  const { state } = app;
  $('align').addEventListener('change', (e) => {
    state.align = e.target.value === ALIGN_TIME ? ALIGN_TIME : ALIGN_LOCATION;
    state.zoomed = false;
    app.render();
    app.message(alignmentNote(state.runs, state.align), 'warning');
  });
  const on = {
    drop: (r) => {
      state.runs.splice(r, 1);
      app.show([]);
    },
    rename: (r, label) => {
      state.runs[r].label = label;
      app.render();
    },
  };
  return {
    render() {
      $('add').disabled = !state.log || state.runs.length >= MAX_RUNS || !!state.follower;
      $('add-label').classList.toggle('disabled', $('add').disabled);
      $('align-label').hidden = state.runs.length < 2;
      if (!state.log) {
        $('runs').hidden = true;
        return;
      }
      $('align').value = state.align;
      renderRuns(state, on);
    },
    notes: () => alignmentNote(state.runs, state.align),
  };
}

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

/** on.drop(r): stop comparing run r; on.rename(r, label). */
export function renderRuns(state, on) {
  const box = $('runs');
  box.hidden = state.runs.length < 2;
  box.replaceChildren(
    ...state.runs.map((run, r) => {
      const dash = DASHES[r].length ? DASHES[r].join(' ') : 'none';
      const sample = `<svg width="40" height="10"><line x1="0" y1="5" x2="40" y2="5" stroke="#222" stroke-width="2" stroke-dasharray="${dash}"/></svg>`;
      const item = el('span', { className: 'run', title: run.name });
      item.innerHTML = sample;
      const name = el('input', { className: 'run-name', value: run.label, size: Math.max(8, run.label.length) });
      name.addEventListener('change', () => on.rename(r, name.value.trim() || shortName(run.name)));
      item.append(
        name,
        el('span', { className: 'muted', textContent: r === 0 ? `${run.name} (first run)` : run.name }),
      );
      if (r > 0) {
        const drop = el('button', { type: 'button', textContent: '×', title: `Stop comparing ${run.name}` });
        drop.addEventListener('click', () => on.drop(r));
        item.append(drop);
      }
      return item;
    }),
  );
}
