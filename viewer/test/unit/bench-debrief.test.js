// The bench and the debrief measure one drive against one route file: the
// built-in drive with examples/builtin-route.txt must give the same stops
// from the stand-in as from its log, and cablog-debrief the findings the
// viewer's module gives. Needs the Linux build, as plugin-logs.test.js.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { copyFileSync, mkdtempSync, readdirSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { basename, join, resolve } from 'node:path';
import { parseLog } from '../../src/parse.js';
import { parseRoute } from '../../src/route-file.js';
import { findingsOf } from '../../src/findings.js';
import { debrief } from '../../cli/debrief.js';
import { repoFile } from './logs.js';

const moduleFile = process.env.CABLOG_MODULE && resolve(process.env.CABLOG_MODULE);
const host = process.env.CABLOG_HOST && resolve(process.env.CABLOG_HOST);
const skip = moduleFile && host ? false : 'set CABLOG_MODULE and CABLOG_HOST to run it';
const routeFile = repoFile('examples', 'builtin-route.txt');

test('the stand-in and the debrief give the built-in drive the same stops and findings', { skip }, () => {
  const dir = mkdtempSync(join(tmpdir(), 'cablog-debrief-'));
  try {
    const mod = join(dir, basename(moduleFile));
    copyFileSync(moduleFile, mod);
    copyFileSync(repoFile('package', 'cablog.csv'), mod.replace(/\.[^.]*$/, '.csv'));
    const out = execFileSync(host, ['--module', mod, '--workdir', dir, '--route', routeFile], { encoding: 'utf8' });
    const bench = [...out.matchAll(/^ {2}(.+) \((\d+) m\): stopped at ([\d.]+) m, ([\d.]+) m (short|long)$/gm)];
    const logPath = join(
      dir,
      readdirSync(dir).find((f) => /^Log_.*\.csv$/.test(f)),
    );
    const result = findingsOf(parseLog(readFileSync(logPath)), { route: parseRoute(readFileSync(routeFile, 'utf8')) });
    assert.ok(bench.length > 0, out);
    assert.deepEqual(
      bench.map((m) => [m[1], Number(m[2]), m[3], `${m[4]} m ${m[5]}`]),
      result.stations.map((s) => [
        s.name,
        s.at,
        s.entry.stop.location.toFixed(2),
        `${Math.abs(s.error).toFixed(1)} m ${s.error < 0 ? 'short' : 'long'}`,
      ]),
    );
    const cli = debrief([logPath, '--route', routeFile]).out;
    for (const f of result.findings) assert.ok(cli.includes(`  ${f.text}\n`), f.text);
    assert.deepEqual(
      result.findings.map((f) => f.kind),
      ['overspeed', 'stop outside tolerance'],
    );
  } finally {
    rmSync(dir, { recursive: true, force: true });
  }
});
