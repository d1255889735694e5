// The pandas recipe of the guides, run on the logs it is for: headings in
// code page 932, a log cut inside its last row, and true/false columns with
// empty cells. Python with pandas is not needed to build or use the viewer,
// so without it this is skipped with a note.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { copyFileSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';

const here = dirname(fileURLToPath(import.meta.url));
const repo = resolve(here, '..', '..', '..');
const fixtures = resolve(here, '..', 'fixtures');

// The indented block from "import pandas as pd" to its call of read_log, indentation removed.
function recipeIn(file) {
  const lines = readFileSync(join(repo, file), 'utf8').split('\n');
  const from = lines.findIndex((l) => /^ +import pandas as pd$/.test(l));
  const indent = lines[from].indexOf('import');
  const to = lines.findIndex((l, i) => i > from && /^ *log = read_log\(/.test(l));
  return lines.slice(from, to + 1).map((l) => l.slice(indent));
}

// The first Python that has pandas: the one on the PATH, or Debian's own.
const python = ['python3', '/usr/bin/python3'].find(
  (p) => spawnSync(p, ['-c', 'import pandas'], { stdio: 'ignore' }).status === 0,
);

test('the guides give one pandas recipe', () => {
  const [viewer, user] = ['viewer/README.md', 'package/README.txt'].map(recipeIn);
  assert.deepEqual(viewer.slice(0, -1), user.slice(0, -1));
  assert.ok(viewer.length > 10);
});

test(
  'the pandas recipe reads code page 932 headings, a log cut inside a row, and true/false columns with gaps',
  { skip: !python && 'python3 with pandas is not installed (Debian: python3-pandas)' },
  () => {
    const dir = mkdtempSync(join(tmpdir(), 'cablog-pandas-'));
    try {
      const cp932 = join(dir, 'cp932.csv');
      copyFileSync(join(fixtures, 'labels-cp932.csv'), cp932);
      const cut = join(dir, 'cut.csv');
      const drive = readFileSync(join(fixtures, 'drive.csv'), 'latin1');
      writeFileSync(cut, drive.slice(0, drive.lastIndexOf('\r\n', drive.length - 3) + 9), 'latin1');
      const keys = join(dir, 'keys.csv');
      writeFileSync(keys, 'Clock,Key 3,Lamp,\r\n10:00:00.000,,true,\r\n10:00:01.000,true,false,\r\n');
      const program = [
        ...recipeIn('viewer/README.md').slice(0, -1),
        'import json, sys',
        'out = []',
        'for path, clock in json.loads(sys.argv[1]):',
        '    log = read_log(path, clock)',
        '    cells = {c: [None if v != v else v for v in log[c].tolist()] for c in log.columns[1:]}',
        '    out.append([list(log.columns), [str(t) for t in log.dtypes], log[clock].iloc[-1].total_seconds(), cells])',
        'print(json.dumps(out, default=str))',
      ].join('\n');
      const args = JSON.stringify([
        [cp932, '時刻'],
        [cut, 'Clock'],
        [keys, 'Clock'],
      ]);
      const run = spawnSync(python, ['-c', program, args], { encoding: 'utf8' });
      assert.equal(run.status, 0, run.stderr);
      const [jp, short, bools] = JSON.parse(run.stdout);
      assert.deepEqual(jp[0], ['時刻', '位置 [m]', '速度 [km/h]', 'ブレーキ', 'BC [kPa]']);
      assert.equal(jp[2], 36002);
      const lines = drive.trim().split('\r\n');
      assert.equal(short[3]['Location [m]'].length, lines.length - 2, 'the cut row is left out');
      const [h, m, sec] = lines.at(-2).split(',')[0].split(':').map(Number);
      assert.equal(short[2], h * 3600 + m * 60 + sec);
      assert.deepEqual(bools[1], ['timedelta64[ns]', 'object', 'bool']);
      assert.deepEqual(bools[3], { 'Key 3': [null, true], Lamp: [true, false] });
    } finally {
      rmSync(dir, { recursive: true, force: true });
    }
  },
);
