// The logs the unit tests read: every committed fixture, plus a log the
// real plug-in wrote when the test run is given one.
import { existsSync, readdirSync } from 'node:fs';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';

const fixtures = resolve(dirname(fileURLToPath(import.meta.url)), '..', 'fixtures');

export function logFiles() {
  const files = readdirSync(fixtures)
    .filter((f) => f.endsWith('.csv'))
    .map((f) => join(fixtures, f));
  if (process.env.CABLOG_LOG_FILE) files.push(resolve(process.env.CABLOG_LOG_FILE));
  return files;
}

/**
 * A file of the repository outside viewer/, such as package/cablog.csv:
 * looked for upwards, since mutation testing runs the tests from a copy of
 * viewer/ deeper inside the repository's build folder.
 */
export function repoFile(...parts) {
  for (let dir = dirname(fileURLToPath(import.meta.url)); ; dir = dirname(dir)) {
    if (existsSync(join(dir, ...parts))) return join(dir, ...parts);
    if (dirname(dir) === dir) throw new Error(`${join(...parts)} is not in the repository`);
  }
}
