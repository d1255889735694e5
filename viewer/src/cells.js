// The cell grammar: what one cell of a log may hold. Cells hold numbers in
// the C++ stream's general form, true/false, the clock text HH:MM:SS.mmm,
// or nothing; the one text the logger writes is an events cell: upper-case
// names separated by single spaces, the last word maybe "+N" for N left out.
// Anything else means the file did not come from the logger.
//
// A reader owns a scratch object (newScratch) that these functions fill in
// instead of returning a fresh object, so that reading a million rows
// allocates nothing per cell.
import { KIND_NUMBER, KIND_BOOL, KIND_CLOCK, KIND_EVENTS } from './log-model.js';

export const LF = 10;
export const CR = 13;
export const COMMA = 44;
export const MINUS = 45;
export const DOT = 46;
export const COLON = 58;
/** The kind of a cell the logger never writes. */
export const KIND_ODD = -1;

const EVENTS_CELL = /^[A-Z][A-Z0-9_]*(?:-\d+)?(?: [A-Z][A-Z0-9_]*(?:-\d+)?)*(?: \+\d+)?$/;

// Non-finite values are whatever the C runtime prints for them; several
// runtimes are in use, so accept the spellings they are known to produce.
const NON_FINITE = /^([-+]?)(?:(inf(?:inity)?)|nan(?:\([a-z0-9_]*\))?|1\.#(inf|qnan|snan|ind)\d*)$/i;

export const POW10 = [];
for (let i = 0; i <= 22; i++) POW10.push(Number('1e' + i));

export const latin = new TextDecoder('latin1');

/** What the functions below found: the cell's kind, whether it is a non-finite number, and the number's parts. */
export function newScratch() {
  return { kind: KIND_ODD, nonFinite: false, m: 0, sig: 0, exp: 0, inexact: false, colon: false };
}

/**
 * Scans the digits, fraction and exponent of a number from b[i] (after
 * any minus), no further than e. Leaves the mantissa (at most 15
 * significant digits) and exponent in `sc` and returns the position after
 * the number; -1 for an exponent with no digits. Digits followed by a
 * colon may be the hours of a clock time: then sc.colon is set, sc.m holds
 * them, and the position is the colon's.
 */
function scanNumber(b, i, e, sc) {
  let m = 0;
  let sig = 0;
  let exp = 0;
  let inexact = false; // digits beyond what m can hold exactly were dropped
  let ch = b[i];
  while (i < e && ch >= 48 && ch <= 57) {
    if (sig < 15) {
      m = m * 10 + (ch - 48);
      if (m !== 0) sig++;
    } else {
      exp++;
      if (ch !== 48) inexact = true;
    }
    ch = b[++i];
  }
  sc.colon = i < e && ch === COLON;
  if (sc.colon) {
    sc.m = m;
    sc.sig = sig;
    return i;
  }
  if (i < e && ch === DOT) {
    ch = b[++i];
    while (i < e && ch >= 48 && ch <= 57) {
      if (sig < 15) {
        m = m * 10 + (ch - 48);
        if (m !== 0) sig++;
        exp--;
      } else if (ch !== 48) {
        inexact = true;
      }
      ch = b[++i];
    }
  }
  if (i < e && (ch === 101 || ch === 69)) {
    ch = b[++i];
    let eneg = false;
    if (i < e && (ch === 43 || ch === MINUS)) {
      eneg = ch === MINUS;
      ch = b[++i];
    }
    if (!(i < e && ch >= 48 && ch <= 57)) return -1;
    let ev = 0;
    while (i < e && ch >= 48 && ch <= 57) {
      if (ev < 100000) ev = ev * 10 + (ch - 48);
      ch = b[++i];
    }
    exp += eneg ? -ev : ev;
  }
  sc.m = m;
  sc.sig = sig;
  sc.exp = exp;
  sc.inexact = inexact;
  return i;
}

/** m × 10^exp when one correctly rounded operation gives it, else NaN. */
function exactValue(m, exp, inexact) {
  if (m === 0) return 0;
  if (inexact) return NaN;
  if (exp >= 0 && exp <= 22) return m * POW10[exp];
  if (exp < 0 && exp >= -22) return m / POW10[-exp];
  return NaN;
}

// The seven digits of MM:SS.mmm after the hours' colon at j, as milliseconds, or -1.
export function clockRest(b, j) {
  if (b[j + 3] !== COLON || b[j + 6] !== DOT) return -1;
  const m1 = digit(b[j + 1]);
  const m2 = digit(b[j + 2]);
  const s1 = digit(b[j + 4]);
  const s2 = digit(b[j + 5]);
  const f1 = digit(b[j + 7]);
  const f2 = digit(b[j + 8]);
  const f3 = digit(b[j + 9]);
  if ((m1 | m2 | s1 | s2 | f1 | f2 | f3) < 0 || m1 > 5 || s1 > 5) return -1;
  return ((m1 * 10 + m2) * 60 + s1 * 10 + s2) * 1000 + f1 * 100 + f2 * 10 + f3;
}

// The value of a decimal digit byte, or -1.
function digit(c) {
  return c >= 48 && c <= 57 ? c - 48 : -1;
}

/**
 * Reads one non-empty cell b[s..e). Returns the value and sets sc.kind
 * (KIND_ODD when the text is not something the logger writes) and
 * sc.nonFinite.
 */
export function readCell(b, s, e, sc) {
  sc.nonFinite = false;
  const neg = b[s] === MINUS;
  const i = neg ? s + 1 : s;
  if (b[i] >= 48 && b[i] <= 57) {
    const j = scanNumber(b, i, e, sc);
    if (sc.colon) return readClock(b, i, j, e, neg, sc);
    if (j !== e) return readOdd(b, s, e, sc);
    sc.kind = KIND_NUMBER;
    let v = exactValue(sc.m, sc.exp, sc.inexact);
    // Too many digits or too large an exponent for a single correctly
    // rounded operation: let the engine's own conversion do it.
    if (Number.isNaN(v)) v = Math.abs(Number(latin.decode(b.subarray(i, e))));
    if (!Number.isFinite(v)) sc.nonFinite = true;
    return neg ? -v : v;
  }
  const len = e - s;
  if (len === 4 && b[s] === 116 && b[s + 1] === 114 && b[s + 2] === 117 && b[s + 3] === 101) {
    sc.kind = KIND_BOOL;
    return 1;
  }
  if (len === 5 && b[s] === 102 && b[s + 1] === 97 && b[s + 2] === 108 && b[s + 3] === 115 && b[s + 4] === 101) {
    sc.kind = KIND_BOOL;
    return 0;
  }
  return readOdd(b, s, e, sc);
}

// The rare texts: non-finite numbers, events, or something the logger never writes.
function readOdd(b, s, e, sc) {
  sc.kind = KIND_ODD;
  if (e - s <= 16) {
    const match = NON_FINITE.exec(latin.decode(b.subarray(s, e)));
    if (match) {
      sc.kind = KIND_NUMBER;
      sc.nonFinite = true;
      if (match[2] !== undefined || (match[3] && match[3].toLowerCase() === 'inf')) {
        return match[1] === '-' ? -Infinity : Infinity;
      }
      return NaN;
    }
  }
  if (b[s] >= 65 && b[s] <= 90 && EVENTS_CELL.test(latin.decode(b.subarray(s, e)))) sc.kind = KIND_EVENTS;
  return 0;
}

// HH:MM:SS.mmm with at least two hour digits; minutes and seconds below 60.
function readClock(b, i, j, e, neg, sc) {
  const rest = e - j === 10 ? clockRest(b, j) : -1;
  if (j - i < 2 || rest < 0) {
    sc.kind = KIND_ODD;
    return 0;
  }
  let h = 0;
  for (let k = i; k < j; k++) h = h * 10 + (b[k] - 48);
  sc.kind = KIND_CLOCK;
  const total = h * 3600000 + rest;
  return (neg ? -total : total) / 1000;
}
