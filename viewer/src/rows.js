// The row scanner: the header row, then the data rows, read straight from
// the bytes into one Float64Array per column; only labels and odd cells
// become strings. Every line the logger writes is its cells, each followed
// by a comma, ended by CR LF.
import { KIND_NONE, KIND_NUMBER, KIND_BOOL, KIND_CLOCK, KIND_EVENTS, KIND_NAMES, notALog } from './log-model.js';
import { LF, CR, COMMA, MINUS, DOT, COLON, KIND_ODD, latin, newScratch, POW10, clockRest, readCell } from './cells.js';

const plural = (n, word) => `${n} ${word}${n === 1 ? '' : 's'}`;

function quote(bytes, start, end) {
  const max = 40;
  const text = latin.decode(bytes.subarray(start, Math.min(end, start + max)));
  return JSON.stringify(end - start > max ? text + '…' : text);
}

// A line whose cells do not match the header. Checked after the fact so
// that the common, well-formed line is scanned only once.
function cellCountError(b, start, end, lineNo, k) {
  let commas = 0;
  for (let i = start; i < end; i++) if (b[i] === COMMA) commas++;
  if (commas === k) return notALog(`line ${lineNo} does not end in a comma.`);
  return notALog(`line ${lineNo} has ${plural(commas, 'comma')}, but the header names ${plural(k, 'column')}.`);
}

export function countLines(b, from) {
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
 * yet (a log that is still being written), else { labelBytes, headerBytes,
 * dataStart }.
 */
export function readHeader(b) {
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

/** The state of reading rows into `log`, kept so that rows appended later continue it. */
export function newReader(log, capacity) {
  const k = log.columns.length;
  return {
    log,
    k,
    buffers: log.columns.map(() => new Float64Array(Math.max(16, capacity))),
    kinds: new Int8Array(k),
    gaps: new Int32Array(k),
    lineNo: 2,
    blankLine: 0,
    rowGaps: new Int32Array(k), // empty cells of the row fastRow reads, counted once it is whole
    rowGapCount: 0,
    sc: newScratch(),
  };
}

function grow(rd, rows) {
  rd.buffers = rd.buffers.map((old) => {
    if (old.length >= rows) return old;
    const next = new Float64Array(Math.max(rows, Math.ceil(old.length * 1.5)));
    next.set(old);
    return next;
  });
}

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

// HH:MM:SS.mmm, at least two hour digits, ended by a comma; returns the position after it, or -1.
function fastClock(b, i, col, row) {
  const neg = b[i] === MINUS;
  if (neg) i++;
  let h = 0;
  let j = i;
  while (b[j] >= 48 && b[j] <= 57 && j - i < 15) h = h * 10 + (b[j++] - 48);
  if (j - i < 2 || b[j] !== COLON || b[j + 10] !== COMMA) return -1;
  const rest = clockRest(b, j);
  if (rest < 0) return -1;
  const ms = h * 3600000 + rest;
  col[row] = (neg ? -ms : ms) / 1000;
  return j + 11;
}

// An events cell whose text the column already holds; a new one is checked the careful way.
function fastEvents(b, i, col, row, column) {
  const start = i;
  while (i < b.length && b[i] !== COMMA && b[i] !== LF) i++;
  if (b[i] !== COMMA) return -1;
  const index = column.textIndex.get(latin.decode(b.subarray(start, i)));
  if (index === undefined) return -1;
  col[row] = index;
  return i + 1;
}

function fastBool(b, i, col, row) {
  if (b[i] === 116 && b[i + 1] === 114 && b[i + 2] === 117 && b[i + 3] === 101 && b[i + 4] === COMMA) {
    col[row] = 1;
    return i + 5;
  }
  if (b[i] === 102 && b[i + 1] === 97 && b[i + 2] === 108 && b[i + 3] === 115 && b[i + 4] === 101) {
    if (b[i + 5] !== COMMA) return -1;
    col[row] = 0;
    return i + 6;
  }
  return -1;
}

// A cell of a column that does not hold numbers, the fast way: its position after, or -1.
function fastOther(b, i, kind, col, row, column) {
  if (kind === KIND_CLOCK) return fastClock(b, i, col, row);
  if (kind === KIND_BOOL) return fastBool(b, i, col, row);
  if (kind === KIND_EVENTS) return fastEvents(b, i, col, row, column);
  return -1;
}

// The digits of an exponent from b[i] (after the e) into sc.exp; the position after them, or -1.
function fastExponent(b, i, sc) {
  const neg = b[i] === MINUS;
  if (neg || b[i] === 43) i++;
  if (!(b[i] >= 48 && b[i] <= 57)) return -1;
  let ev = 0;
  for (; b[i] >= 48 && b[i] <= 57; i++) if (ev < 100000) ev = ev * 10 + (b[i] - 48);
  sc.exp = neg ? -ev : ev;
  return i;
}

/**
 * Reads one ordinary line in a single pass: every cell a number, clock
 * time, true/false, known events text or empty, of the kind its column
 * already has, and the line ended by CR LF or LF. Returns the position
 * after the line, or -1 for anything else, which readRows then reads the
 * careful way (and explains, if it is wrong). Most of a big log goes
 * through here, so numbers are scanned in this loop itself: a call per
 * cell made reading a big log take a fifth longer.
 */
function fastRow(b, pos, n, rd, row) {
  const { k, kinds, buffers, rowGaps } = rd;
  let i = pos;
  let gapCount = 0;
  for (let c = 0; c < k; c++) {
    if (i >= n) return -1;
    let ch = b[i];
    if (ch === COMMA) {
      buffers[c][row] = NaN;
      rowGaps[gapCount++] = c;
      i++;
      continue;
    }
    const kind = kinds[c];
    if (kind !== KIND_NUMBER) {
      if (kind === KIND_CLOCK) i = fastClock(b, i, buffers[c], row);
      else if (kind === KIND_BOOL) i = fastBool(b, i, buffers[c], row);
      else if (kind === KIND_EVENTS) i = fastEvents(b, i, buffers[c], row, rd.log.columns[c]);
      else return -1;
      if (i < 0) return -1;
      continue;
    }
    const neg = ch === MINUS;
    if (neg) ch = b[++i];
    if (!(ch >= 48 && ch <= 57)) return -1;
    // Up to 15 digits, m holds them exactly; the logger writes six, and
    // anything longer is left to the careful way.
    let m = 0;
    let digits = 0;
    let exp = 0;
    for (; ch >= 48 && ch <= 57; ch = b[++i], digits++) m = m * 10 + (ch - 48);
    if (ch === DOT) {
      for (ch = b[++i]; ch >= 48 && ch <= 57; ch = b[++i], digits++, exp--) m = m * 10 + (ch - 48);
    }
    if (digits > 15) return -1;
    if (ch === 101 || ch === 69) {
      i = fastExponent(b, i + 1, rd.sc);
      if (i < 0) return -1;
      exp += rd.sc.exp;
    }
    if (b[i] !== COMMA) return -1;
    let v;
    if (m === 0) v = 0;
    else if (exp >= 0 && exp <= 22) v = m * POW10[exp];
    else if (exp < 0 && exp >= -22) v = m / POW10[-exp];
    else return -1;
    buffers[c][row] = neg ? -v : v;
    i++;
  }
  if (b[i] === CR && b[i + 1] === LF) i += 2;
  else if (b[i] === LF) i += 1;
  else return -1;
  rd.rowGapCount = gapCount;
  return i;
}

function kindError(rd, b, s, e, c) {
  const where = `line ${rd.lineNo}, column ${JSON.stringify(rd.log.labels[c])}: ${quote(b, s, e)}`;
  const kind = rd.sc.kind;
  if (kind === KIND_ODD) return notALog(`${where} is not a number, true/false, clock time or list of event names.`);
  const name = KIND_NAMES[kind];
  return notALog(
    `${where} is ${/^[aeiou]/.test(name) ? 'an' : 'a'} ${name} value in a column of ${KIND_NAMES[rd.kinds[c]]} values.`,
  );
}

// One non-empty cell read the careful way; the first value a column holds sets its kind.
function slowCell(rd, b, s, e, c, row) {
  const { sc, kinds } = rd;
  const column = rd.log.columns[c];
  const v = readCell(b, s, e, sc);
  if (sc.kind !== kinds[c]) {
    if (sc.kind === KIND_ODD || kinds[c] !== KIND_NONE) throw kindError(rd, b, s, e, c);
    kinds[c] = sc.kind;
  }
  if (sc.nonFinite) column.nonFinite.set(row, latin.decode(b.subarray(s, e)));
  return sc.kind === KIND_EVENTS ? internText(column, latin.decode(b.subarray(s, e))) : v;
}

// A line b[pos..end) (line break left off) into `row`, cell by cell.
function readLine(rd, b, pos, end, row) {
  const { k, gaps, buffers } = rd;
  let c = 0;
  let cs = pos;
  for (let i = pos; i < end; i++) {
    if (b[i] !== COMMA) continue;
    if (c === k) throw cellCountError(b, pos, end, rd.lineNo, k);
    if (i === cs) {
      buffers[c][row] = NaN;
      gaps[c]++;
    } else {
      buffers[c][row] = slowCell(rd, b, cs, i, c, row);
    }
    c++;
    cs = i + 1;
  }
  if (c !== k || cs !== end) throw cellCountError(b, pos, end, rd.lineNo, k);
}

// A line fastRow did not take. Returns the rows it adds (0 or 1), or -1
// for a last line that was cut short.
function slowLine(rd, b, pos, end, terminated, row) {
  const k = rd.k;
  if (k === 0) {
    // No columns: every row the logger writes is an empty line.
    if (end !== pos) throw notALog(`its header row is empty but line ${rd.lineNo} is not.`);
    return 1;
  }
  if (end === pos) {
    if (!rd.blankLine) rd.blankLine = rd.lineNo;
    return 0;
  }
  if (rd.blankLine) throw notALog(`line ${rd.blankLine} is empty, but the header names ${plural(k, 'column')}.`);
  if (!terminated) {
    let commas = 0;
    for (let i = pos; i < end; i++) if (b[i] === COMMA) commas++;
    // The logger ends every line, so a ragged tail means the file was
    // cut short (copied while being written, or a partial download).
    if (commas !== k || b[end - 1] !== COMMA) {
      rd.log.warnings.push(`The last line (${rd.lineNo}) is incomplete, probably cut off, and was left out.`);
      return -1;
    }
  }
  if (row >= rd.buffers[0].length) grow(rd, row + 1);
  readLine(rd, b, pos, end, row);
  return 1;
}

function publish(rd, rows) {
  rd.log.rowCount = rows;
  rd.log.columns.forEach((column, c) => {
    column.kind = rd.kinds[c];
    column.gaps = rd.gaps[c];
    column.values = rd.buffers[c].subarray(0, rows);
  });
}

/**
 * Reads the lines that start in b[pos..stop) into the reader's log.
 * `atEnd` says b ends where the file does: a last line without its line
 * break is then either complete (kept) or cut short (left out with a
 * warning); when the file may still grow, such a line is left for later.
 * Returns the position after the last line read.
 */
export function readRows(rd, b, pos, stop, atEnd) {
  const n = b.length;
  let row = rd.log.rowCount;
  while (pos < stop) {
    if (rd.k > 0 && !rd.blankLine && row < rd.buffers[0].length) {
      const next = fastRow(b, pos, n, rd, row);
      if (next >= 0) {
        for (let g = 0; g < rd.rowGapCount; g++) rd.gaps[rd.rowGaps[g]]++;
        row++;
        rd.lineNo++;
        pos = next;
        continue;
      }
    }
    const lf = b.indexOf(LF, pos);
    if (lf === -1 && !atEnd) break;
    let end = lf === -1 ? n : lf;
    if (end > pos && b[end - 1] === CR) end--;
    const added = slowLine(rd, b, pos, end, lf !== -1, row);
    if (added < 0) {
      pos = n;
      break;
    }
    row += added;
    rd.lineNo++;
    pos = lf === -1 ? n : lf + 1;
  }
  publish(rd, row);
  return pos;
}
