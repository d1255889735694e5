// Reader for the CSV logs that cablog writes at the end of a run.
//
// The logger's output is narrow and regular: a header row of user labels,
// then one row per sampled frame, every cell followed by a comma and every
// line ended by CR LF. Cells hold numbers in the C++ stream's general form,
// true/false, the clock text HH:MM:SS.mmm, or nothing. Anything else means
// the file did not come from the logger, and we say so instead of guessing.
//
// Logs run to a million rows, so data rows are read straight from the bytes
// into one Float64Array per column; only labels and odd cells become strings.

export const KIND_NONE = 0; // no cell in the column holds a value
export const KIND_NUMBER = 1;
export const KIND_BOOL = 2;
export const KIND_CLOCK = 3; // stored as seconds

export const KIND_NAMES = ['empty', 'number', 'true/false', 'clock'];

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

function decodeLabels(bytes) {
  // Labels are copied byte for byte from the user's definition file, which
  // is in whatever code page their editor used. UTF-8 is the common case;
  // anything that is not valid UTF-8 is shown through the Windows Western
  // code page so that every byte still appears as some character.
  try {
    return new TextDecoder('utf-8', { fatal: true }).decode(bytes);
  } catch {
    return new TextDecoder('windows-1252').decode(bytes);
  }
}

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

// The rare texts: non-finite numbers, or something the logger never writes.
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

function countLines(b) {
  let n = 0;
  let p = b.indexOf(LF);
  while (p !== -1) {
    n++;
    p = b.indexOf(LF, p + 1);
  }
  return n;
}

/**
 * Parses a whole log.
 *
 * Returns { labels, columns, rowCount, warnings }, where each column is
 * { label, kind, values: Float64Array (NaN where the cell is empty),
 *   gaps: number of empty cells, nonFinite: Map(row -> logged text) }.
 * Throws LogFormatError, with a message meant for the person who opened
 * the file, when the bytes are not a cablog log.
 */
export function parseLog(input) {
  const b = input instanceof Uint8Array ? input : new Uint8Array(input);
  const n = b.length;
  if (n === 0) throw new LogFormatError('The file is empty.');

  let start = 0;
  // An editor that touched the file may have put a UTF-8 byte-order mark in
  // front; the logger never writes one.
  if (n >= 3 && b[0] === 0xef && b[1] === 0xbb && b[2] === 0xbf) start = 3;

  if (b.subarray(0, Math.min(n, 4096)).indexOf(0) !== -1) {
    throw notALog('it contains binary data.');
  }

  const headerLf = b.indexOf(LF, start);
  if (headerLf === -1) {
    throw notALog('it has no line break, so there is not even a complete header row.');
  }
  let headerEnd = headerLf;
  if (headerEnd > start && b[headerEnd - 1] === CR) headerEnd--;

  const labelSpans = [];
  let cs = start;
  for (let i = start; i < headerEnd; i++) {
    if (b[i] === COMMA) {
      labelSpans.push([cs, i]);
      cs = i + 1;
    }
  }
  if (cs !== headerEnd) {
    throw notALog(
      'its first line does not end in a comma. A cablog header row is the column labels, each followed by a comma.',
    );
  }
  const k = labelSpans.length;
  const labels = labelSpans.map(([a, z]) => decodeLabels(b.subarray(a, z)));

  const maxRows = countLines(b) + 1;
  const columns = labels.map((label) => ({
    label,
    kind: KIND_NONE,
    values: new Float64Array(maxRows),
    gaps: 0,
    nonFinite: new Map(),
  }));
  const vals = columns.map((c) => c.values);
  const kinds = new Int8Array(k);
  const gaps = new Int32Array(k);
  const warnings = [];

  let pos = headerLf + 1;
  let row = 0;
  let lineNo = 2;
  let blankLine = 0; // first blank line seen, tolerated only at the very end

  while (pos < n) {
    const lf = b.indexOf(LF, pos);
    const terminated = lf !== -1;
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
      if (!blankLine) blankLine = lineNo;
      pos = next;
      lineNo++;
      continue;
    }
    if (blankLine) {
      throw notALog(`line ${blankLine} is empty, but the header names ${k} column${k === 1 ? '' : 's'}.`);
    }

    if (!terminated) {
      let commas = 0;
      for (let i = pos; i < end; i++) if (b[i] === COMMA) commas++;
      if (commas !== k || b[end - 1] !== COMMA) {
        // The logger ends every line, so a ragged tail means the file was
        // cut short (copied while being written, or a partial download).
        warnings.push(`The last line (${lineNo}) is incomplete, probably cut off, and was left out.`);
        break;
      }
    }

    let c = 0;
    cs = pos;
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
              `line ${lineNo}, column ${JSON.stringify(labels[c])}: ${quote(b, cs, i)} is not a number, true/false or clock time.`,
            );
          }
          if (kinds[c] !== KIND_NONE) {
            throw notALog(
              `line ${lineNo}, column ${JSON.stringify(labels[c])}: ${quote(b, cs, i)} is a ${KIND_NAMES[cellKind]} value in a column of ${KIND_NAMES[kinds[c]]} values.`,
            );
          }
          kinds[c] = cellKind;
        }
        col[row] = v;
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

  for (let c = 0; c < k; c++) {
    columns[c].kind = kinds[c];
    columns[c].gaps = gaps[c];
    columns[c].values = columns[c].values.subarray(0, row);
  }
  return { labels, columns, rowCount: row, warnings };
}
