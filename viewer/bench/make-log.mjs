// Writes a synthetic log in the logger's exact format: a drive of ROWS
// sampled frames over 20 columns, with the value texts the logger would
// write (six significant digits, three-digit exponents, empty cells until
// the first beacon).
//
//   node bench/make-log.mjs OUT.csv [ROWS] [SPEED_FACTOR]
//
// SPEED_FACTOR makes another run of the same line, that much faster or slower.
import { createWriteStream } from 'node:fs';

const [out, rowsArg, factorArg] = process.argv.slice(2);
if (!out) {
  console.error('usage: node bench/make-log.mjs OUT.csv [ROWS] [SPEED_FACTOR]');
  process.exit(2);
}
const rows = Number(rowsArg || 1000000);
const factor = Number(factorArg || 1);

function general(v) {
  if (v === 0) return Object.is(v, -0) ? '-0' : '0';
  const [mant, e] = v.toExponential(5).split('e');
  const x = Number(e);
  if (x < -4 || x >= 6) {
    const m = mant.includes('.') ? mant.replace(/\.?0+$/, '') : mant;
    return `${m}e${x < 0 ? '-' : '+'}${String(Math.abs(x)).padStart(3, '0')}`;
  }
  const fixed = v.toFixed(5 - x);
  return fixed.includes('.') ? fixed.replace(/\.?0+$/, '') : fixed;
}
const f32 = (v) => general(Math.fround(v));
const pad = (n, w) => String(n).padStart(w, '0');
function clock(t) {
  return `${pad(Math.floor(t / 3600000), 2)}:${pad(Math.floor(t / 60000) % 60, 2)}:${pad(Math.floor(t / 1000) % 60, 2)}.${pad(t % 1000, 3)}`;
}

const labels = [
  'Clock',
  'Location [m]',
  'Speed [km/h]',
  'Time [ms]',
  'BC [kPa]',
  'MR [kPa]',
  'ER [kPa]',
  'BP [kPa]',
  'SAP [kPa]',
  'Current [A]',
  'Accel [km/h/s]',
  'Power',
  'Brake',
  'Reverser',
  'Signal',
  'Doors shut',
  'Beacon type',
  'Beacon signal',
  'Beacon distance',
  'Beacon optional',
];

const stream = createWriteStream(out);
stream.write(labels.map((l) => l + ',').join('') + '\r\n');
let t = 6 * 3600000;
let loc = 0;
let speed = 0;
let lastSpeed = 0;
let chunk = [];
for (let i = 0; i < rows; i++) {
  t += 1000;
  const phase = (i % 3000) / 3000;
  speed = factor * Math.max(0, 90 * Math.sin(Math.PI * phase) + 3 * Math.sin(i / 17));
  loc += speed / 3.6;
  const accel = ((speed - lastSpeed) * 1000) / 1000;
  lastSpeed = speed;
  const braking = phase > 0.6;
  const bc = braking ? 300 + 80 * Math.sin(i / 40) : 0;
  const beacon = i >= 500;
  const cells = [
    clock(t),
    general(loc),
    f32(speed),
    String(t),
    f32(bc),
    f32(800 + 50 * Math.sin(i / 300)),
    f32(490 - bc / 2),
    f32(490 - bc / 3),
    f32(bc * 0.9),
    f32(braking ? -200 : 400 * (1 - phase)),
    f32(accel),
    String(braking ? 0 : 4),
    String(braking ? 3 : 0),
    '1',
    String(Math.floor(i / 700) % 6),
    phase > 0.05 ? 'true' : 'false',
    beacon ? String(i % 7) : '',
    beacon ? String(Math.floor(i / 900) % 6) : '',
    beacon ? f32(1000 - (i % 1000)) : '',
    beacon ? String(i % 100) : '',
  ];
  chunk.push(cells.join(',') + ',\r\n');
  if (chunk.length === 10000) {
    if (!stream.write(chunk.join(''))) await new Promise((r) => stream.once('drain', r));
    chunk = [];
  }
}
stream.end(chunk.join(''));
await new Promise((r) => stream.on('finish', r));
console.log(`wrote ${out}: ${rows} rows, ${labels.length} columns`);
