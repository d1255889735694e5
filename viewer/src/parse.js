// Reader for the CSV logs that cablog writes, whole or as they grow.
//
// The logger's output is narrow and regular: a header row of user labels,
// then one row per sampled frame, every cell followed by a comma and every
// line ended by CR LF. Cells hold numbers in the C++ stream's general form,
// true/false, the clock text HH:MM:SS.mmm, or nothing. Anything else means
// the file did not come from the logger, and we say so instead of guessing.
// The one text the logger writes is an events cell: upper-case names
// separated by single spaces, the last word maybe "+N" for N left out.
//
// Logs run to a million rows, so data rows are read straight from the bytes
// into one Float64Array per column; only labels and odd cells become strings.
import { detectEncoding, decodeText } from './codepage.js';

export const KIND_NONE = 0; // no cell in the column holds a value
export const KIND_NUMBER = 1;
export const KIND_BOOL = 2;
export const KIND_CLOCK = 3; // stored as seconds
export const KIND_EVENTS = 4; // stored as an index into column.texts

export const KIND_NAMES = ['empty', 'number', 'true/false', 'clock', 'events'];

const EVENTS_CELL = /^[A-Z][A-Z0-9_]*(?:-\d+)?(?: [A-Z][A-Z0-9_]*(?:-\d+)?)*(?: \+\d+)?$/;

// A cell of an events column as the index of its text in column.texts;
// the same few texts repeat, so each is kept once.
function internText(column, text) {
  const index = (column.textIndex ??= new Map());
  let i = index.get(text);
  if (i === undefined) {
    i = column.texts.length;
    column.texts.push(text);
    index.set(text, i);
  }
  return i;
}

export class LogFormatError extends Error {
  constructor(message) {
    super(message);
    this.name = 'LogFormatError';
  }
}

const LF = 10;
const CR = 13;
const COMMA = 44;
const MINUS = 45;
const DOT = 46;
const COLON = 58;

const POW10 = [];
for (let i = 0; i <= 22; i++) POW10.push(Number('1e' + i));

// Non-finite values are whatever the C runtime prints for them; several
// runtimes are in use, so accept the spellings they are known to produce.
const NON_FINITE = /^([-+]?)(?:(inf(?:inity)?)|nan(?:\([a-z0-9_]*\))?|1\.#(inf|qnan|snan|ind)\d*)$/i;

const latin = new TextDecoder('latin1');

function quote(bytes, start, end) {
  const max = 40;
  const text = latin.decode(bytes.subarray(start, Math.min(end, start + max)));
  return JSON.stringify(end - start > max ? text + '…' : text);
}

// Cell classification result, written by readCell so that the hot loop
// needs no allocation per cell.
let cellKind = KIND_NONE;
let cellNonFinite = false;

// Reads one non-empty cell. Returns the value and sets cellKind; cellKind is
// -1 when the text is not something the logger writes.
function readCell(b, s, e) {
  cellNonFinite = false;
  let i = s;
  let neg = false;
  if (b[i] === MINUS) {
    neg = true;
    i++;
  }
  const c0 = b[i];
  if (c0 >= 48 && c0 <= 57) {
    // Digits first: a number or a clock time.
    let m = 0;
    let sig = 0;
    let exp = 0;
    let inexact = false; // digits beyond what m can hold exactly were dropped
    let j = i;
    while (j < e && b[j] >= 48 && b[j] <= 57) {
      if (sig < 15) {
        m = m * 10 + (b[j] - 48);
        if (m !== 0) sig++;
      } else {
        exp++;
        if (b[j] !== 48) inexact = true;
      }
      j++;
    }
    if (j < e && b[j] === COLON) return readClock(b, s, e, i, j, neg);
    if (j < e && b[j] === DOT) {
      j++;
      while (j < e && b[j] >= 48 && b[j] <= 57) {
        if (sig < 15) {
          m = m * 10 + (b[j] - 48);
          if (m !== 0) sig++;
          exp--;
        } else if (b[j] !== 48) {
          inexact = true;
        }
        j++;
      }
    }
    if (j < e && (b[j] === 101 || b[j] === 69)) {
      j++;
      let eneg = false;
      if (j < e && (b[j] === 43 || b[j] === MINUS)) {
        eneg = b[j] === MINUS;
        j++;
      }
      if (j === e) return readOdd(b, s, e);
      let ev = 0;
      while (j < e && b[j] >= 48 && b[j] <= 57) {
        if (ev < 100000) ev = ev * 10 + (b[j] - 48);
        j++;
      }
      exp += eneg ? -ev : ev;
    }
    if (j !== e) return readOdd(b, s, e);
    cellKind = KIND_NUMBER;
    let v;
    if (m === 0) v = 0;
    else if (!inexact && exp >= 0 && exp <= 22) v = m * POW10[exp];
    else if (!inexact && exp < 0 && exp >= -22) v = m / POW10[-exp];
    // Too many digits or too large an exponent for a single correctly
    // rounded operation: let the engine's own conversion do it.
    else v = Math.abs(Number(latin.decode(b.subarray(i, e))));
    if (!Number.isFinite(v)) cellNonFinite = true;
    return neg ? -v : v;
  }
  const len = e - s;
  if (len === 4 && b[s] === 116 && b[s + 1] === 114 && b[s + 2] === 117 && b[s + 3] === 101) {
    cellKind = KIND_BOOL;
    return 1;
  }
  if (len === 5 && b[s] === 102 && b[s + 1] === 97 && b[s + 2] === 108 && b[s + 3] === 115 && b[s + 4] === 101) {
    cellKind = KIND_BOOL;
    return 0;
  }
  return readOdd(b, s, e);
}

// The rare texts: non-finite numbers, events, or something the logger never writes.
function readOdd(b, s, e) {
  if (e - s <= 16) {
    const match = NON_FINITE.exec(latin.decode(b.subarray(s, e)));
    if (match) {
      cellKind = KIND_NUMBER;
      cellNonFinite = true;
      if (match[2] !== undefined || (match[3] && match[3].toLowerCase() === 'inf')) {
        return match[1] === '-' ? -Infinity : Infinity;
      }
      return NaN;
    }
  }
  if (b[s] >= 65 && b[s] <= 90 && EVENTS_CELL.test(latin.decode(b.subarray(s, e)))) {
    cellKind = KIND_EVENTS;
    return 0;
  }
  cellKind = -1;
  return 0;
}

// HH:MM:SS.mmm with at least two hour digits; minutes and seconds below 60.
function readClock(b, s, e, i, j, neg) {
  if (j - i < 2 || e - j !== 10 || b[j + 3] !== COLON || b[j + 6] !== DOT) {
    cellKind = -1;
    return 0;
  }
  for (let k = j + 1; k < e; k++) {
    if (k === j + 3 || k === j + 6) continue;
    if (b[k] < 48 || b[k] > 57) {
      cellKind = -1;
      return 0;
    }
  }
  let h = 0;
  for (let k = i; k < j; k++) h = h * 10 + (b[k] - 48);
  const min = (b[j + 1] - 48) * 10 + (b[j + 2] - 48);
  const sec = (b[j + 4] - 48) * 10 + (b[j + 5] - 48);
  const ms = (b[j + 7] - 48) * 100 + (b[j + 8] - 48) * 10 + (b[j + 9] - 48);
  if (min > 59 || sec > 59) {
    cellKind = -1;
    return 0;
  }
  cellKind = KIND_CLOCK;
  const total = ((h * 60 + min) * 60 + sec) * 1000 + ms;
  return (neg ? -total : total) / 1000;
}

function notALog(reason) {
  return new LogFormatError('This file is not a cablog log: ' + reason);
}

// A line whose cells do not match the header. Checked after the fact so
// that the common, well-formed line is scanned only once.
function cellCountError(b, start, end, lineNo, k) {
  let commas = 0;
  for (let i = start; i < end; i++) if (b[i] === COMMA) commas++;
  if (commas === k) return notALog(`line ${lineNo} does not end in a comma.`);
  return notALog(
    `line ${lineNo} has ${commas} comma${commas === 1 ? '' : 's'}, but the header names ${k} column${k === 1 ? '' : 's'}.`,
  );
}

function countLines(b, from) {
  let n = 0;
  let p = b.indexOf(LF, from);
  while (p !== -1) {
    n++;
    p = b.indexOf(LF, p + 1);
  }
  return n;
}

/**
 * Reads the header row. Returns null when the first line is not complete
 * yet (a log that is still being written), else { labelBytes, dataStart }.
 */
function readHeader(b) {
  const n = b.length;
  let start = 0;
  // A UTF-8 byte-order mark in front is not part of the first label: the
  // logger copies the column file's mark when that file has one, and an
  // editor that touched the log may have put one there.
  if (n >= 3 && b[0] === 0xef && b[1] === 0xbb && b[2] === 0xbf) start = 3;
  const headerLf = b.indexOf(LF, start);
  if (headerLf === -1) return null;
  // Labels may hold any byte but comma and line feed, NUL included, so
  // binary data only shows below the header, where the logger writes text.
  if (b.subarray(headerLf, Math.min(n, headerLf + 4096)).indexOf(0) !== -1) {
    throw notALog('it contains binary data.');
  }
  let headerEnd = headerLf;
  if (headerEnd > start && b[headerEnd - 1] === CR) headerEnd--;
  const labelBytes = [];
  let cs = start;
  for (let i = start; i < headerEnd; i++) {
    if (b[i] === COMMA) {
      labelBytes.push(b.slice(cs, i));
      cs = i + 1;
    }
  }
  if (cs !== headerEnd) {
    throw notALog(
      'its first line does not end in a comma. A cablog header row is the column labels, each followed by a comma.',
    );
  }
  return { labelBytes, headerBytes: b.subarray(start, headerEnd), dataStart: headerLf + 1 };
}

/** Labels as text in the given code page, or the guessed one. */
export function decodeLabels(log, encoding = log.detectedEncoding) {
  log.encoding = encoding;
  log.labels = log.labelBytes.map((l) => decodeText(l, encoding));
  log.columns.forEach((col, c) => (col.label = log.labels[c]));
  return log;
}

function newLog(header, capacity) {
  const k = header.labelBytes.length;
  const log = {
    labelBytes: header.labelBytes,
    labels: [],
    detectedEncoding: detectEncoding(header.headerBytes),
    encoding: '',
    columns: [],
    rowCount: 0,
    warnings: [],
    // Reading state, kept so that rows appended later continue the log.
    _r: { k, buffers: [], kinds: new Int8Array(k), gaps: new Int32Array(k), lineNo: 2, blankLine: 0, emptyRows: 0 },
  };
  for (let c = 0; c < k; c++) {
    log._r.buffers.push(new Float64Array(Math.max(16, capacity)));
    log.columns.push({
      label: '',
      kind: KIND_NONE,
      values: new Float64Array(0),
      gaps: 0,
      nonFinite: new Map(),
      texts: [],
    });
  }
  return decodeLabels(log);
}

function grow(r, rows) {
  r.buffers = r.buffers.map((old) => {
    if (old.length >= rows) return old;
    const next = new Float64Array(Math.max(rows, Math.ceil(old.length * 1.5)));
    next.set(old);
    return next;
  });
}

// The value of a decimal digit byte, or -1.
function digit(c) {
  return c >= 48 && c <= 57 ? c - 48 : -1;
}

// Empty cells of the row read by fastRow, counted once the row is whole.
let rowGaps = new Int32Array(64);
let rowGapCount = 0;

/**
 * Reads one ordinary line in a single pass: every cell a number, clock
 * time, true/false or empty, of the kind its column already has, and the
 * line ended by CR LF or LF. Returns the position after the line, or -1
 * for anything else, which readRows then reads the careful way (and
 * explains, if it is wrong). Most of a big log goes through here.
 */
function fastRow(b, pos, n, k, vals, kinds, row, columns) {
  let i = pos;
  let gapCount = 0;
  if (rowGaps.length < k) rowGaps = new Int32Array(k);
  for (let c = 0; c < k; c++) {
    if (i >= n) return -1;
    let ch = b[i];
    if (ch === COMMA) {
      vals[c][row] = NaN;
      rowGaps[gapCount++] = c;
      i++;
      continue;
    }
    const kind = kinds[c];
    let neg = false;
    if (ch === MINUS) {
      neg = true;
      ch = b[++i];
    }
    if (ch >= 48 && ch <= 57) {
      const start = i;
      let m = 0;
      let sig = 0;
      let exp = 0;
      let inexact = false;
      while (ch >= 48 && ch <= 57) {
        if (sig < 15) {
          m = m * 10 + (ch - 48);
          if (m !== 0) sig++;
        } else {
          exp++;
          if (ch !== 48) inexact = true;
        }
        ch = b[++i];
      }
      if (ch === COLON) {
        // HH:MM:SS.mmm, at least two hour digits
        if (kind !== KIND_CLOCK || i - start < 2 || inexact || sig >= 15) return -1;
        if (b[i + 3] !== COLON || b[i + 6] !== DOT || b[i + 10] !== COMMA) return -1;
        const m1 = digit(b[i + 1]);
        const m2 = digit(b[i + 2]);
        const s1 = digit(b[i + 4]);
        const s2 = digit(b[i + 5]);
        const f1 = digit(b[i + 7]);
        const f2 = digit(b[i + 8]);
        const f3 = digit(b[i + 9]);
        if ((m1 | m2 | s1 | s2 | f1 | f2 | f3) < 0 || m1 > 5 || s1 > 5) return -1;
        const ms = ((m * 60 + m1 * 10 + m2) * 60 + s1 * 10 + s2) * 1000 + f1 * 100 + f2 * 10 + f3;
        vals[c][row] = (neg ? -ms : ms) / 1000;
        i += 11;
        continue;
      }
      if (kind !== KIND_NUMBER) return -1;
      if (ch === DOT) {
        ch = b[++i];
        while (ch >= 48 && ch <= 57) {
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
      if (ch === 101 || ch === 69) {
        ch = b[++i];
        let eneg = false;
        if (ch === 43 || ch === MINUS) {
          eneg = ch === MINUS;
          ch = b[++i];
        }
        if (!(ch >= 48 && ch <= 57)) return -1;
        let ev = 0;
        while (ch >= 48 && ch <= 57) {
          if (ev < 100000) ev = ev * 10 + (ch - 48);
          ch = b[++i];
        }
        exp += eneg ? -ev : ev;
      }
      if (ch !== COMMA) return -1;
      let v;
      if (m === 0) v = 0;
      else if (!inexact && exp >= 0 && exp <= 22) v = m * POW10[exp];
      else if (!inexact && exp < 0 && exp >= -22) v = m / POW10[-exp];
      else return -1;
      vals[c][row] = neg ? -v : v;
      i++;
      continue;
    }
    if (kind === KIND_EVENTS && !neg) {
      // Known texts take the fast way; a new one is checked the careful way.
      const start = i;
      while (i < n && b[i] !== COMMA && b[i] !== LF) i++;
      if (b[i] !== COMMA) return -1;
      const index = columns[c].textIndex.get(latin.decode(b.subarray(start, i)));
      if (index === undefined) return -1;
      vals[c][row] = index;
      i++;
      continue;
    }
    if (neg || kind !== KIND_BOOL) return -1;
    if (ch === 116 && b[i + 1] === 114 && b[i + 2] === 117 && b[i + 3] === 101 && b[i + 4] === COMMA) {
      vals[c][row] = 1;
      i += 5;
    } else if (
      ch === 102 &&
      b[i + 1] === 97 &&
      b[i + 2] === 108 &&
      b[i + 3] === 115 &&
      b[i + 4] === 101 &&
      b[i + 5] === COMMA
    ) {
      vals[c][row] = 0;
      i += 6;
    } else {
      return -1;
    }
  }
  if (b[i] === CR && b[i + 1] === LF) i += 2;
  else if (b[i] === LF) i += 1;
  else return -1;
  rowGapCount = gapCount;
  return i;
}

/**
 * Reads the lines that start in b[pos..stop) into the log. `atEnd` says b
 * ends where the file does: a last line without its line break is then
 * either complete (kept) or cut short (left out with a warning); when the
 * file may still grow, such a line is left for later. Returns the position
 * after the last line read.
 */
function readRows(log, b, pos, stop, atEnd) {
  const r = log._r;
  const { k, kinds, gaps } = r;
  const n = b.length;
  const labels = log.labels;
  const columns = log.columns;
  let vals = r.buffers;
  let row = log.rowCount;
  let lineNo = r.lineNo;
  while (pos < stop) {
    if (k > 0 && !r.blankLine && row < vals[0].length) {
      const next = fastRow(b, pos, n, k, vals, kinds, row, columns);
      if (next >= 0) {
        for (let g = 0; g < rowGapCount; g++) gaps[rowGaps[g]]++;
        row++;
        lineNo++;
        pos = next;
        continue;
      }
    }
    const lf = b.indexOf(LF, pos);
    const terminated = lf !== -1;
    if (!terminated && !atEnd) break;
    const next = terminated ? lf + 1 : n;
    let end = terminated ? lf : n;
    if (end > pos && b[end - 1] === CR) end--;

    if (k === 0) {
      // No columns: every row the logger writes is an empty line.
      if (end !== pos) throw notALog(`its header row is empty but line ${lineNo} is not.`);
      row++;
      pos = next;
      lineNo++;
      continue;
    }
    if (end === pos) {
      if (!r.blankLine) r.blankLine = lineNo;
      pos = next;
      lineNo++;
      continue;
    }
    if (r.blankLine) {
      throw notALog(`line ${r.blankLine} is empty, but the header names ${k} column${k === 1 ? '' : 's'}.`);
    }

    if (!terminated) {
      let commas = 0;
      for (let i = pos; i < end; i++) if (b[i] === COMMA) commas++;
      if (commas !== k || b[end - 1] !== COMMA) {
        // The logger ends every line, so a ragged tail means the file was
        // cut short (copied while being written, or a partial download).
        log.warnings.push(`The last line (${lineNo}) is incomplete, probably cut off, and was left out.`);
        pos = n;
        break;
      }
    }
    if (row >= vals[0].length) {
      grow(r, row + 1);
      vals = r.buffers;
    }

    let c = 0;
    let cs = pos;
    for (let i = pos; i < end; i++) {
      if (b[i] !== COMMA) continue;
      if (c === k) throw cellCountError(b, pos, end, lineNo, k);
      const col = vals[c];
      if (i === cs) {
        col[row] = NaN;
        gaps[c]++;
      } else {
        const v = readCell(b, cs, i);
        if (cellKind !== kinds[c]) {
          if (cellKind === -1) {
            throw notALog(
              `line ${lineNo}, column ${JSON.stringify(labels[c])}: ${quote(b, cs, i)} is not a number, true/false, clock time or list of event names.`,
            );
          }
          if (kinds[c] !== KIND_NONE) {
            throw notALog(
              `line ${lineNo}, column ${JSON.stringify(labels[c])}: ${quote(b, cs, i)} is ${/^[aeiou]/.test(KIND_NAMES[cellKind]) ? 'an' : 'a'} ${KIND_NAMES[cellKind]} value in a column of ${KIND_NAMES[kinds[c]]} values.`,
            );
          }
          kinds[c] = cellKind;
        }
        col[row] = cellKind === KIND_EVENTS ? internText(columns[c], latin.decode(b.subarray(cs, i))) : v;
        if (cellNonFinite) columns[c].nonFinite.set(row, latin.decode(b.subarray(cs, i)));
      }
      c++;
      cs = i + 1;
    }
    if (c !== k || cs !== end) throw cellCountError(b, pos, end, lineNo, k);
    row++;
    pos = next;
    lineNo++;
  }
  r.lineNo = lineNo;
  log.rowCount = row;
  for (let c = 0; c < k; c++) {
    columns[c].kind = kinds[c];
    columns[c].gaps = gaps[c];
    columns[c].values = vals[c].subarray(0, row);
  }
  return pos;
}

function bytesOf(input) {
  const b = input instanceof Uint8Array ? input : new Uint8Array(input);
  if (b.length === 0) throw new LogFormatError('The file is empty.');
  return b;
}

function headerOf(b) {
  const header = readHeader(b);
  if (!header) throw notALog('it has no line break, so there is not even a complete header row.');
  return header;
}

/**
 * Parses a whole log.
 *
 * Returns { labels, labelBytes, encoding, detectedEncoding, columns,
 * rowCount, warnings }, where each column is { label, kind, values:
 * Float64Array (NaN where the cell is empty), gaps: number of empty cells,
 * nonFinite: Map(row -> logged text) }. `encoding` (a TextDecoder name)
 * overrides the guessed code page of the labels. Throws LogFormatError,
 * with a message meant for the person who opened the file, when the bytes
 * are not a cablog log.
 */
export function parseLog(input, { encoding } = {}) {
  const b = bytesOf(input);
  const header = headerOf(b);
  const log = newLog(header, countLines(b, header.dataStart) + 1);
  if (encoding) decodeLabels(log, encoding);
  readRows(log, b, header.dataStart, b.length, true);
  return log;
}

/**
 * Reads a whole log from a Blob (a File) and parses it in slices of about
 * `sliceBytes`, awaiting `yieldTo(fraction)` after each so that the page
 * can show progress and stay alive. Same result as parseLog. (Reading the
 * file in pieces to parse while it loads was tried: Chromium then takes
 * longer to read it than to read it whole and parse it after.)
 */
export async function readLogFile(source, yieldTo = async () => {}, sliceBytes = 8 << 20) {
  // A file, or its bytes (or the promise of them, when read ahead).
  const bytes = await source;
  const b = bytesOf(typeof bytes.arrayBuffer === 'function' ? await bytes.arrayBuffer() : bytes);
  const header = headerOf(b);
  const log = newLog(header, countLines(b, header.dataStart) + 1);
  let pos = header.dataStart;
  while (pos < b.length) {
    const stop = Math.min(b.length, pos + sliceBytes);
    pos = readRows(log, b, pos, stop, true);
    await yieldTo(pos / b.length);
  }
  return log;
}

/**
 * A log that is still being written. `append(bytes)` takes the bytes that
 * follow those already given and reads every complete line among them; a
 * line whose line break has not arrived yet is held back until it has.
 * Returns the number of rows added.
 */
export class GrowingLog {
  constructor() {
    this.log = null;
    this.pending = new Uint8Array(0);
    this.bytesRead = 0; // bytes of the file taken in, held-back tail included
  }

  append(bytes) {
    let b = bytes;
    if (this.pending.length) {
      b = new Uint8Array(this.pending.length + bytes.length);
      b.set(this.pending);
      b.set(bytes, this.pending.length);
    }
    this.bytesRead += bytes.length;
    let pos = 0;
    if (!this.log) {
      const header = b.length ? readHeader(b) : null;
      if (!header) {
        this.pending = b;
        return 0;
      }
      this.log = newLog(header, Math.ceil(countLines(b, header.dataStart) * 1.25) + 1024);
      pos = header.dataStart;
    }
    const before = this.log.rowCount;
    pos = readRows(this.log, b, pos, b.length, false);
    this.pending = b.slice(pos);
    return this.log.rowCount - before;
  }
}
