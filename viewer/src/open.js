// Opening logs: "Open log…" (one to look at, the rest beside it) and
// "Compare with…", and reading the files into runs.
import { readLogFile } from './parse.js';
import { decodeLabels, LogFormatError } from './log-model.js';
import { matchRoles } from './roles.js';
import { MAX_RUNS } from './compare.js';
import { nameRuns } from './run-identity.js';
import { $, nextTask } from './dom.js';

/** Parses a file (or its bytes, read ahead), saying how far it got through progress(text). */
export async function readLog(file, bytes = file.arrayBuffer(), encoding = '', progress = () => {}) {
  const log = await readLogFile(bytes, async (done) => {
    progress(`Reading ${file.name}… ${Math.round(done * 100)} %`);
    await nextTask();
  });
  if (encoding) decodeLabels(log, encoding);
  return log;
}

// All files are read at once, while the first is parsed; each is parsed
// when its turn comes, and a read that failed is reported then.
export function readAhead(files) {
  const reads = files.map((f) => f.arrayBuffer());
  for (const r of reads) r.catch(() => {});
  return reads;
}

/** Reads `files` as runs to compare, appended to `runs`; returns notes on what was left out. */
export async function readRuns(files, reads, runs, encoding, progress) {
  const notes = [];
  for (const [k, file] of files.entries()) {
    if (runs.length >= MAX_RUNS) {
      notes.push(`Only ${MAX_RUNS} logs can be compared at once; ${file.name} was left out.`);
      continue;
    }
    try {
      const log = await readLog(file, reads[k], encoding, progress);
      if (!log.rowCount) {
        notes.push(`${file.name} has no data rows and was left out.`);
        continue;
      }
      runs.push({ name: file.name, log, roles: matchRoles(runs[0], log) });
    } catch (err) {
      notes.push(
        err instanceof LogFormatError
          ? `${file.name}: ${err.message}`
          : `${file.name} could not be read: ${err.message}`,
      );
    }
  }
  nameRuns(runs);
  return notes;
}

/** Wires the two file inputs; adds app.open(files) and app.add(files). */
export function mount(app) {
  const chosen = (input) => {
    const files = [...input.files];
    input.value = '';
    return files;
  };
  $('file').addEventListener('change', (e) => openFiles(app, chosen(e.target)));
  // The files menu closes once a file in it was chosen.
  $('more-files').addEventListener('change', () => ($('more-files').open = false));
  $('add').addEventListener('change', (e) => addRuns(app, chosen(e.target)));
  app.open = (files) => openFiles(app, files);
  app.add = (files) => addRuns(app, files);
  app.message(
    'Open a cablog log (Log_YYMMDD-HHMMSS.csv, or Log_YYMMDD-HHMMSS-2.csv and so on for a second run started ' +
      'within the same second) with the button above, or drop it on this page.',
    'info',
  );
}

const progressOf = (app) => (text) => app.message(text, 'info');

/** Opens `files[0]` as the log to look at, and the rest beside it. */
async function openFiles(app, files) {
  const { state } = app;
  if (!files.length) return;
  const t0 = performance.now();
  app.close();
  app.status('loading');
  app.message(`Reading ${files[0].name}…`, 'info');
  // Let the message paint before the parser holds the thread.
  await new Promise((r) => setTimeout(r, 0));
  const reads = readAhead(files);
  let log;
  try {
    log = await readLog(files[0], reads[0], state.encoding, progressOf(app));
  } catch (err) {
    app.fail(files[0].name, err);
    return;
  }
  state.loadTimes = { read: performance.now() - t0 };
  app.setLog(files[0].name, log);
  const notes = [...log.warnings];
  if (files.length > 1) notes.push(...(await addRuns(app, files.slice(1), false, reads.slice(1))));
  await app.show(notes);
  state.loadTimes.total = performance.now() - t0;
}

/** Adds logs to compare with the open one; returns notes for the message line. */
async function addRuns(app, files, redraw = true, reads = readAhead(files)) {
  const { state } = app;
  if (state.follower) {
    const note = 'A log that is being followed cannot be compared; open it with "Open log…" to compare it.';
    if (redraw) app.message(note, 'warning');
    return [note];
  }
  const t0 = performance.now();
  const notes = await readRuns(files, reads, state.runs, state.encoding, progressOf(app));
  if (redraw) {
    await app.show(notes);
    state.loadTimes = { ...state.loadTimes, compare: performance.now() - t0 };
  }
  return notes;
}
