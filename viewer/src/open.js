// Reading log files into runs: the first to look at, others to compare.
import { readLogFile, decodeLabels, LogFormatError } from './parse.js';
import { matchRoles } from './roles.js';
import { MAX_RUNS } from './compare.js';
import { shortName } from './runs.js';

const nextTask = () =>
  new Promise((r) => {
    const ch = new MessageChannel();
    ch.port1.onmessage = r;
    ch.port2.postMessage(0);
  });

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
      runs.push({ name: file.name, label: shortName(file.name), log, roles: matchRoles(runs[0], log) });
    } catch (err) {
      notes.push(
        err instanceof LogFormatError
          ? `${file.name}: ${err.message}`
          : `${file.name} could not be read: ${err.message}`,
      );
    }
  }
  return notes;
}
