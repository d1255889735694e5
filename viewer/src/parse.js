// Where logs come from: bytes in memory, a file read in slices, or a file
// that is still being written. The grammar of a cell is in cells.js, the
// rows in rows.js, and what a log holds in log-model.js.
import { LogFormatError, newLog, decodeLabels } from './log-model.js';
import { readHeader, newReader, readRows, countLines } from './rows.js';

function bytesOf(input) {
  const b = input instanceof Uint8Array ? input : new Uint8Array(input);
  if (b.length === 0) throw new LogFormatError('The file is empty.');
  return b;
}

function readerOf(b, encoding) {
  const header = readHeader(b);
  if (!header) {
    throw new LogFormatError(
      'This file is not a cablog log: it has no line break, so there is not even a complete header row.',
    );
  }
  const log = newLog(header);
  if (encoding) decodeLabels(log, encoding);
  return { rd: newReader(log, countLines(b, header.dataStart) + 1), dataStart: header.dataStart };
}

/**
 * Parses a whole log (see newLog in log-model.js for what it returns).
 * `encoding` (a TextDecoder name) overrides the guessed code page of the
 * labels. Throws LogFormatError, with a message meant for the person who
 * opened the file, when the bytes are not a cablog log.
 */
export function parseLog(input, { encoding } = {}) {
  const b = bytesOf(input);
  const { rd, dataStart } = readerOf(b, encoding);
  readRows(rd, b, dataStart, b.length, true);
  return rd.log;
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
  const { rd, dataStart } = readerOf(b);
  let pos = dataStart;
  while (pos < b.length) {
    pos = readRows(rd, b, pos, Math.min(b.length, pos + sliceBytes), true);
    await yieldTo(pos / b.length);
  }
  return rd.log;
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
    this.reader = null;
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
    if (!this.reader) {
      const header = b.length ? readHeader(b) : null;
      if (!header) {
        this.pending = b;
        return 0;
      }
      this.log = newLog(header);
      this.reader = newReader(this.log, Math.ceil(countLines(b, header.dataStart) * 1.25) + 1024);
      pos = header.dataStart;
    }
    const before = this.log.rowCount;
    pos = readRows(this.reader, b, pos, b.length, false);
    this.pending = b.slice(pos);
    return this.log.rowCount - before;
  }
}
