// The logs the unit tests read: every committed fixture, plus a log the
// real plug-in wrote when the test run is given one.
import { readdirSync } from 'node:fs';
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
