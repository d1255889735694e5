// The library of runs, apart from the page: reading a file into its
// summary, sorting and filtering the table, and the trend across runs.
import { parseLog } from './parse.js';
import { summariseRun, runCells, byDate, RUN_COLUMNS } from './run-summary.js';

/** A file's bytes as its summary, or { name, error } when it is not a log. */
export function summariseBytes(name, bytes, options) {
  try {
    const log = parseLog(bytes);
    return summariseRun(name, log, options);
  } catch (err) {
    return { name, error: err.message };
  }
}

/**
 * Summaries of `files` (Blobs with a name), each passed to
 * `each(index, summary)` as it is made; awaits `pause()` between files so
 * that a page can draw.
 */
export async function summariseFiles(files, options, each, pause = async () => {}) {
  for (let i = 0; i < files.length; i++) {
    const bytes = new Uint8Array(await files[i].arrayBuffer());
    each(i, summariseBytes(files[i].name, bytes, options));
    await pause();
  }
}

const NUMERIC = new Set(RUN_COLUMNS.slice(2).filter((c) => c !== 'Stops'));

/** The runs sorted by a column of RUN_COLUMNS (numbers as numbers, empty last), `descending` or not. */
export function sortRuns(runs, column, descending = false) {
  const c = RUN_COLUMNS.indexOf(column);
  const key = (run) => {
    const cell = runCells(run)[c];
    return NUMERIC.has(column) ? (cell === '' ? null : Number(cell)) : cell;
  };
  const keyed = runs.map((run) => [key(run), run]);
  keyed.sort(([a, x], [b, y]) => {
    if (a === null || b === null) return (a === null) - (b === null);
    const order = typeof a === 'number' ? a - b : a.localeCompare(b);
    return (descending ? -order : order) || byDate(x, y);
  });
  return keyed.map(([, run]) => run);
}

/** The runs with every word of `text` in one of their cells, in any case. */
export function filterRuns(runs, text) {
  const words = text.toLowerCase().split(/\s+/).filter(Boolean);
  return runs.filter((run) => {
    const cells = runCells(run).join('\n').toLowerCase();
    return words.every((w) => cells.includes(w));
  });
}

/** Points of the trend, in the order the runs were made: { name, findings, counts, meanStopError }. */
export function trend(runs) {
  return [...runs].sort(byDate).map((run) => ({
    name: run.name,
    date: run.date,
    findings: run.counts.reduce((a, b) => a + b, 0),
    counts: run.counts,
    meanStopError: run.meanStopError,
  }));
}
