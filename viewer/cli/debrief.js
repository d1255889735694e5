// cablog-debrief: the viewer's findings over logs on the command line, so
// that a training centre or an author's build can gate on them. It runs
// the viewer's own modules; build.mjs bundles it into one file for Node.
import { readFileSync } from 'node:fs';
import { basename } from 'node:path';
import { parseLog } from '../src/parse.js';
import { parseRoute, RouteFileError } from '../src/route-file.js';
import { parseFindingsFile, FindingsFileError } from '../src/finding-rules.js';
import { KINDS } from '../src/findings.js';
import { SEVERITY_STYLES } from '../src/severity.js';
import { summariseRun, runCells, runsCsv, RUN_COLUMNS, byDate } from '../src/run-summary.js';

const USAGE = `usage: cablog-debrief LOG... [--route FILE] [--findings FILE] [--csv | --json] [--fail-at SEVERITY]

Prints a table of the runs and every finding (--csv: the table as CSV;
--json: every run with its findings). Exits 1 when a finding is at or
above SEVERITY (1 note, 2 warning, 3 serious), 2 on bad input, else 0.`;

class UsageError extends Error {}

export function parseArgs(argv) {
  const args = { logs: [], route: null, findings: null, format: 'text', failAt: null };
  for (let i = 0; i < argv.length; i++) {
    const a = argv[i];
    const value = () => {
      if (i + 1 >= argv.length) throw new UsageError(`${a} needs a value`);
      return argv[++i];
    };
    if (a === '--route') args.route = value();
    else if (a === '--findings') args.findings = value();
    else if (a === '--csv' || a === '--json') {
      if (args.format !== 'text') throw new UsageError('give --csv or --json, not both');
      args.format = a.slice(2);
    } else if (a === '--fail-at') {
      const v = value();
      if (!/^[123]$/.test(v)) throw new UsageError(`--fail-at takes 1, 2 or 3, not '${v}'`);
      args.failAt = Number(v);
    } else if (a === '--help' || a === '-h') args.help = true;
    else if (a.startsWith('-') && a !== '-') throw new UsageError(`unknown option ${a}`);
    else args.logs.push(a);
  }
  if (!args.logs.length && !args.help) throw new UsageError('no log given');
  return args;
}

function read(path, what) {
  try {
    return readFileSync(path);
  } catch (err) {
    throw new UsageError(`cannot read ${what} ${path}: ${err.code === 'ENOENT' ? 'no such file' : err.message}`);
  }
}

// Aligned columns for a terminal.
function table(rows) {
  const widths = rows[0].map((_, c) => Math.max(...rows.map((r) => r[c].length)));
  return rows
    .map((r) =>
      r
        .map((cell, c) => cell.padEnd(widths[c]))
        .join('  ')
        .trimEnd(),
    )
    .join('\n');
}

function text(runs) {
  const lines = [table([RUN_COLUMNS, ...runs.map(runCells)]), ''];
  for (const run of runs) {
    lines.push(`${run.name}:`);
    for (const f of run.findings) lines.push(`  ${SEVERITY_STYLES[f.severity].name.padEnd(7)}  ${f.text}`);
    for (const u of run.unchecked) lines.push(`  not checked: ${u.kind} (${u.reason})`);
    if (!run.findings.length && !run.unchecked.length) lines.push('  no findings');
  }
  return lines.join('\n') + '\n';
}

/** Runs the command; returns { out, err, status } instead of touching the process, for tests. */
export function debrief(argv) {
  try {
    const args = parseArgs(argv);
    if (args.help) return { out: USAGE + '\n', err: '', status: 0 };
    const route = args.route ? parseRoute(read(args.route, 'route file').toString('utf8')) : null;
    const rules = args.findings
      ? parseFindingsFile(read(args.findings, 'findings file').toString('utf8'), Object.keys(KINDS))
      : undefined;
    const runs = args.logs.map((path) => {
      let log;
      try {
        log = parseLog(read(path, 'log'));
      } catch (err) {
        if (err instanceof UsageError) throw err;
        throw new UsageError(`${path}: ${err.message}`);
      }
      return summariseRun(basename(path), log, { route, rules });
    });
    runs.sort(byDate);
    const out =
      args.format === 'csv'
        ? runsCsv(runs)
        : args.format === 'json'
          ? JSON.stringify({ runs }, null, 1) + '\n'
          : text(runs);
    const failed = args.failAt !== null && runs.some((r) => r.findings.some((f) => f.severity >= args.failAt));
    return { out, err: '', status: failed ? 1 : 0 };
  } catch (err) {
    if (![UsageError, RouteFileError, FindingsFileError].some((type) => err instanceof type)) throw err;
    const usage =
      err instanceof UsageError && / needs a value|no log given|unknown option/.test(err.message) ? `\n${USAGE}` : '';
    return { out: '', err: `cablog-debrief: ${err.message}${usage}\n`, status: 2 };
  }
}
