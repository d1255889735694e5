// Logs written by the real plug-in module, driven by the host stand-in:
// whatever column file a user writes, the log it produces must open, with
// every label byte for byte; and the stop report must tell the built-in
// drive's story. Needs the Linux build:
//
//   CABLOG_MODULE=build/linux/cablog.so CABLOG_HOST=build/linux/tools/host/cablog-host viewer/test.sh
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { copyFileSync, mkdtempSync, readdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { basename, join, resolve } from 'node:path';
import { parseLog } from '../../src/parse.js';
import { guessRoles } from '../../src/roles.js';
import { stopReport } from '../../src/report.js';
import { formatClock } from '../../src/format.js';
import { alignRun, timeDifference, ALIGN_LOCATION, ALIGN_TIME } from '../../src/compare.js';

const moduleFile = process.env.CABLOG_MODULE && resolve(process.env.CABLOG_MODULE);
const host = process.env.CABLOG_HOST && resolve(process.env.CABLOG_HOST);
const skip =
  moduleFile && host ? false : 'set CABLOG_MODULE (the built cablog.so) and CABLOG_HOST (cablog-host) to run it';

// Runs the built-in drive with `columns` (bytes) as the column file; returns the log's bytes.
function writeLog(columns, ini = '') {
  const dir = mkdtempSync(join(tmpdir(), 'cablog-plugin-'));
  try {
    const mod = join(dir, basename(moduleFile));
    copyFileSync(moduleFile, mod);
    writeFileSync(mod.replace(/\.[^.]*$/, '.csv'), columns);
    if (ini) writeFileSync(mod.replace(/\.[^.]*$/, '.ini'), ini);
    execFileSync(host, ['--module', mod, '--workdir', dir], { stdio: 'pipe' });
    const logs = readdirSync(dir).filter((f) => /^Log_.*\.csv$/.test(f));
    assert.equal(logs.length, 1, 'one log per run');
    return readFileSync(join(dir, logs[0]));
  } finally {
    rmSync(dir, { recursive: true, force: true });
  }
}

// The labels the plug-in takes from a column file: read as text (CR LF is
// one line break, Ctrl-Z ends the text), a definition per line with at
// least two fields, the second being the label.
function expectedLabels(bytes) {
  const z = bytes.indexOf(0x1a);
  const text = Buffer.from(z === -1 ? bytes : bytes.subarray(0, z))
    .toString('latin1')
    .replace(/\r\n/g, '\n');
  const lines = text.split('\n');
  if (lines.at(-1) === '') lines.pop();
  return lines.flatMap((line) => {
    const fields = line.split(',');
    if (line.endsWith(',')) fields.pop();
    return fields.length >= 2 ? [Buffer.from(fields[1], 'latin1')] : [];
  });
}

const KEYS = [
  'speed',
  'LOCATION',
  'Time',
  'TIME_HHMMSS',
  'bc',
  'BRAKE',
  'beacon_type',
  'PILOTLAMP',
  'SIGNAL',
  'EVENTS',
  'NOSUCHKEY',
  '',
];

// A column file as an editor might leave it, with labels of any byte but
// comma and line feed: NUL, CR, Ctrl-Z, byte-order marks, high bytes.
function randomColumns(rand) {
  const pick = (a) => a[Math.floor(rand() * a.length)];
  const byte = () => {
    const r = rand();
    if (r < 0.05) return 0;
    if (r < 0.1) return 13;
    if (r < 0.12) return 0x1a;
    if (r < 0.5) return 32 + Math.floor(rand() * 95);
    const b = Math.floor(rand() * 256);
    return b === 10 || b === 44 ? 0x20 : b;
  };
  const out = [];
  if (rand() < 0.1) out.push(0xef, 0xbb, 0xbf);
  const lines = Math.floor(rand() * 12);
  for (let l = 0; l < lines; l++) {
    const shape = rand();
    const label = Array.from({ length: Math.floor(rand() * 12) }, byte);
    if (shape < 0.08) {
      // an empty line, or a key alone: skipped
      if (rand() < 0.5) out.push(...Buffer.from(pick(KEYS)));
    } else {
      out.push(...Buffer.from(pick(KEYS) + ','), ...label);
      if (shape > 0.85) out.push(...Buffer.from(rand() < 0.5 ? ',' : ',extra,'));
    }
    if (l < lines - 1 || rand() < 0.7) out.push(...(rand() < 0.5 ? [13, 10] : [10]));
  }
  return Buffer.from(out);
}

test('every log the plug-in writes opens, labels byte for byte', { skip }, async (t) => {
  let seed = 20261209;
  const rand = () => (seed = (seed * 1103515245 + 12345) % 2147483648) / 2147483648;
  for (let n = 0; n < 40; n++) {
    const columns = randomColumns(rand);
    await t.test(`column file ${n}: ${JSON.stringify(columns.toString('latin1')).slice(0, 60)}`, () => {
      const bytes = writeLog(columns);
      const log = parseLog(bytes);
      const want = expectedLabels(columns);
      assert.deepEqual(
        log.labelBytes.map((b) => Buffer.from(b).toString('hex')),
        want.map((b) => b.toString('hex')),
      );
      // Every line of the file is a row below the header.
      const lines = bytes.toString('latin1').split('\r\n').length - 2;
      assert.equal(log.rowCount, lines);
      assert.ok(log.rowCount > 0);
      assert.deepEqual(log.warnings, []);
    });
  }
});

test('the stop report of the built-in drive', { skip }, () => {
  const bytes = writeLog(
    'TIME_HHMMSS,Clock\nLOCATION,Location [m]\nSPEED,Speed [km/h]\nBRAKE,Brake notch\nBC,BC [kPa]\n',
  );
  const log = parseLog(bytes);
  const roles = guessRoles(log);
  assert.deepEqual(roles, { clock: 0, location: 1, speed: 2, brake: 3, events: -1 });
  const report = stopReport(log, roles);
  // From rest at the first platform to rest at the next: one stop, and the log ends standing there.
  assert.equal(report.length, 1);
  const [{ leg, stop, braking }] = report;
  const cells = bytes
    .toString('latin1')
    .split('\r\n')
    .slice(1, -1)
    .map((l) => l.split(','));
  const at = (row, c) => Number(cells[row][c]);
  const clock = (row) => cells[row][0];
  // The drive releases the brake at 10 s, and the train sets off once the cylinders have
  // emptied enough; it starts to brake at 165 s, then holds at notch 2 until 212 s, after
  // the stop; a row is logged every second.
  assert.ok(clock(leg.fromRow) >= '10:00:09.000' && clock(leg.fromRow) <= '10:00:12.000', clock(leg.fromRow));
  assert.equal(at(leg.fromRow, 2), 0);
  assert.ok(at(leg.fromRow + 1, 2) > 0);
  assert.equal(clock(braking.startRow), '10:02:45.000');
  assert.equal(formatClock(braking.start), '10:02:45.000');
  assert.ok(clock(stop.arrivalRow) > '10:03:16.000' && clock(stop.arrivalRow) < '10:03:32.000');
  assert.equal(at(stop.arrivalRow, 2), 0);
  assert.ok(at(stop.arrivalRow - 1, 2) > 0);
  assert.equal(stop.departureRow, -1);
  assert.equal(stop.dwell, 240 - (stop.arrivalRow + 1));
  assert.equal(leg.distance, at(stop.arrivalRow, 1) - at(leg.fromRow, 1));
  assert.equal(leg.topSpeed, Math.max(...cells.map((c) => Number(c[2]))));
  assert.equal(braking.distance, at(stop.arrivalRow, 1) - at(braking.startRow, 1));
  const seconds = stop.arrivalRow - braking.startRow;
  assert.ok(Math.abs(braking.deceleration - at(braking.startRow, 2) / seconds) < 1e-9);
});

test('the built-in drive at two intervals compares by location within one interval', { skip }, () => {
  const columns = 'TIME_HHMMSS,Clock\nLOCATION,Location [m]\nSPEED,Speed [km/h]\n';
  const [coarse, fine] = ['[Frame]\nSkip=60\n', '[Frame]\nSkip=6\n'].map((ini) => {
    const log = parseLog(writeLog(columns, ini));
    const roles = guessRoles(log);
    return [alignRun(log, roles, ALIGN_LOCATION), alignRun(log, roles, ALIGN_TIME)];
  });
  for (const [a, b] of [
    [coarse, fine],
    [fine, coarse],
  ]) {
    const d = timeDifference(a[0], a[1], b[0], b[1]).filter((v) => !Number.isNaN(v));
    assert.ok(d.length > 0);
    assert.ok(Math.max(...d.map(Math.abs)) <= 1, `largest difference ${Math.max(...d.map(Math.abs))} s`);
  }
});
