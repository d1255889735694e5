// The stop reports of several runs side by side: stops matched by
// location, with each run's arrival, position and dwell, the differences
// to the first run, and how far each stopped from a target position.
export const MATCH_METRES = 50;

/** "2.5 m short", "1.0 m long" or "on target" for the target nearest `location` within MATCH_METRES, else ''. */
export function targetText(location, targets) {
  let best = null;
  for (const t of targets)
    if (Math.abs(location - t) <= MATCH_METRES && (best === null || Math.abs(location - t) < Math.abs(location - best)))
      best = t;
  if (best === null) return '';
  const d = location - best;
  if (Math.abs(d) < 0.05) return 'on target';
  return `${Math.abs(d).toFixed(1)} m ${d < 0 ? 'short' : 'long'}`;
}

/**
 * For each stop of the first run, the nearest stop of each other run
 * within MATCH_METRES (each used once); stops only later runs made follow,
 * in order of location. Returns [[entry or null per run]].
 */
export function matchStops(reports) {
  const used = reports.map(() => new Set());
  const rows = reports[0].map((e) => [e]);
  for (let r = 1; r < reports.length; r++) {
    for (const row of rows) {
      const at = row[0] ? row[0].stop.location : null;
      let best = -1;
      reports[r].forEach((e, k) => {
        if (used[r].has(k) || at === null) return;
        const d = Math.abs(e.stop.location - at);
        if (d <= MATCH_METRES && (best < 0 || d < Math.abs(reports[r][best].stop.location - at))) best = k;
      });
      if (best >= 0) used[r].add(best);
      row[r] = best >= 0 ? reports[r][best] : null;
    }
    reports[r].forEach((e, k) => {
      if (used[r].has(k)) return;
      const row = reports.map(() => null);
      row[r] = e;
      rows.push(row);
    });
  }
  const where = (row) => row.find(Boolean).stop.location;
  return rows.sort((a, b) => where(a) - where(b));
}

// Seconds from setting off at the start of the run to each arrival, so
// that runs begun at different clocks compare.
function arrivalSince(entries, e) {
  if (e.stop.arrival == null || !entries.length) return null;
  const off = entries.start ? entries.start.departure : null;
  return off == null ? null : e.stop.arrival - off;
}

const num = (x, digits) => (x == null ? '' : x.toFixed(digits));
const signed = (x, digits) => (x == null ? '' : (x > 0 ? '+' : '') + x.toFixed(digits));

/**
 * The side-by-side table: { columns, runOf, rows: [{ cells, from, to }] },
 * runOf naming the run of each column (null for none), from and to being
 * the first run's rows of the stop (-1 when it has none). `runs` are {
 * label }, `reports` their stopReport results.
 */
export function sideBySide(runs, reports, targets = []) {
  const columns = ['Stop'];
  const runOf = [null];
  runs.forEach((run, r) => {
    const names = ['arrival [s]', 'at [m]', 'dwell [s]'];
    if (r > 0) names.push('Δ arrival [s]', 'Δ position [m]', 'Δ dwell [s]');
    if (targets.length) names.push('vs target');
    for (const name of names) {
      columns.push(`${run.label}: ${name}`);
      runOf.push(r);
    }
  });
  const rows = matchStops(reports).map((row, n) => {
    const cells = [`Stop ${n + 1}`];
    const base = row[0];
    const since = row.map((e, r) => (e ? arrivalSince(reports[r], e) : null));
    row.forEach((e, r) => {
      cells.push(num(since[r], 1), e ? num(e.stop.location, 1) : '', e ? num(e.stop.dwell, 1) : '');
      if (r > 0) {
        const both = base && e;
        cells.push(
          both && since[0] != null && since[r] != null ? signed(since[r] - since[0], 1) : '',
          both ? signed(e.stop.location - base.stop.location, 1) : '',
          both && base.stop.dwell != null && e.stop.dwell != null ? signed(e.stop.dwell - base.stop.dwell, 1) : '',
        );
      }
      if (targets.length) cells.push(e ? targetText(e.stop.location, targets) : '');
    });
    return {
      cells,
      from: base ? (base.braking ? base.braking.startRow : base.stop.arrivalRow) : -1,
      to: base ? base.stop.lastRow : -1,
    };
  });
  return { columns, runOf, rows };
}

/** Rows of cells as CSV text (quoted where a cell needs it), CR LF line ends. */
export function csvText(lines) {
  const q = (s) => (/[",\r\n]/.test(s) ? `"${s.replace(/"/g, '""')}"` : s);
  return lines.map((cells) => cells.map(q).join(',')).join('\r\n') + '\r\n';
}
