// The runs being compared: their short names (editable, used in legends,
// tables and exports), the line that lists them with their dash, how they
// are aligned, and whether another can be added.
import { MAX_RUNS, ALIGN_LOCATION, ALIGN_TIME, alignmentNote } from './compare.js';
import { lineSample } from './run-identity.js';
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

/** on.drop(r): stop comparing run r; on.rename(r, label). */
export function renderRuns(state, on) {
  const box = $('runs');
  box.hidden = state.runs.length < 2;
  box.replaceChildren(
    ...state.runs.map((run, r) => {
      const item = el('span', { className: 'run', title: run.name });
      item.innerHTML = lineSample(r, '#1f77b4', 40);
      const name = el('input', { className: 'run-name', value: run.label, size: Math.max(8, run.label.length) });
      name.addEventListener('change', () => on.rename(r, name.value.trim() || run.defaultLabel));
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
