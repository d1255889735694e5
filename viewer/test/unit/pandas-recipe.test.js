// The guides' pandas recipe, run on the logs it is for: headings in code
// page 932, a log cut inside its last row, true/false columns with empty
// cells. Python with pandas is no part of the viewer, so without it this is
// skipped with a note.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { existsSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';

const here = dirname(fileURLToPath(import.meta.url));
const read = (...path) => readFileSync(resolve(here, ...path), 'latin1');
// The repository: above this folder, or above the copy that mutation testing runs.
const repo = (function up(dir) {
  return existsSync(join(dir, 'package', 'README.txt')) || dir === dirname(dir) ? dir : up(dirname(dir));
})(here);
// The indented block from "import pandas as pd" to its call of read_log, unindented.
function recipeIn(file) {
  const lines = readFileSync(join(repo, file), 'latin1').split('\n');
  const from = lines.findIndex((l) => /^ +import pandas as pd$/.test(l));
  const to = lines.findIndex((l, i) => i > from && /^ *log = read_log\(/.test(l));
  return lines.slice(from, to).map((l) => l.slice(lines[from].indexOf('import')));
}
// The first Python with pandas: the one on the PATH, or Debian's own.
const python = ['python3', '/usr/bin/python3'].find(
  (p) => spawnSync(p, ['-c', 'import pandas'], { stdio: 'ignore' }).status === 0,
);

test('the guides give one pandas recipe', () => {
  assert.deepEqual(recipeIn('viewer/README.md'), recipeIn('package/README.txt'));
});

test(
  'the pandas recipe reads code page 932 headings, a log cut inside a row, and true/false columns with gaps',
  { skip: !python && 'python3 with pandas is not installed (Debian: python3-pandas)' },
  () => {
    const dir = mkdtempSync(join(tmpdir(), 'cablog-pandas-'));
    const drive = read('..', 'fixtures', 'drive.csv');
    const logs = {
      cp932: read('..', 'fixtures', 'labels-cp932.csv'),
      cut: drive.slice(0, drive.lastIndexOf('\r\n', drive.length - 3) + 9),
      keys: 'Clock,Key 3,Lamp,\r\n10:00:00.000,,true,\r\n10:00:01.000,true,false,\r\n',
    };
    const args = Object.entries(logs).map(([name, text]) => {
      writeFileSync(join(dir, name), text, 'latin1');
      return [join(dir, name), name === 'cp932' ? '時刻' : 'Clock'];
    });
    const program = `${recipeIn('viewer/README.md').join('\n')}
import json, sys
out = []
for path, clock in json.loads(sys.argv[1]):
    log = read_log(path, clock)
    cells = {c: [None if v != v else v for v in log[c].tolist()] for c in log.columns[1:]}
    out.append([list(log.columns), [str(t) for t in log.dtypes], log[clock].iloc[-1].total_seconds(), cells])
print(json.dumps(out, default=str))`;
    const run = spawnSync(python, ['-c', program, JSON.stringify(args)], { encoding: 'utf8' });
    rmSync(dir, { recursive: true, force: true });
    assert.equal(run.status, 0, run.stderr);
    const [jp, cut, keys] = JSON.parse(run.stdout);
    assert.deepEqual([jp[0], jp[2]], [['時刻', '位置 [m]', '速度 [km/h]', 'ブレーキ', 'BC [kPa]'], 36002]);
    // The cut row is left out: the last row read is the one before it.
    const lines = drive.trim().split('\r\n');
    const [h, m, s] = lines.at(-2).split(',')[0].split(':').map(Number);
    assert.deepEqual([cut[3]['Location [m]'].length, cut[2]], [lines.length - 2, h * 3600 + m * 60 + s]);
    assert.deepEqual(keys.slice(1), [
      ['timedelta64[ns]', 'object', 'bool'],
      36001,
      { 'Key 3': [null, true], Lamp: [true, false] },
    ]);
  },
);
