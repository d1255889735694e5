// What a read log is: its columns, the kinds of value a column holds, and
// the error that says a file is not a log. Most of the page needs only
// this, not the reader.
import { detectEncoding, decodeText } from './codepage.js';

export const KIND_NONE = 0; // no cell in the column holds a value
export const KIND_NUMBER = 1;
export const KIND_BOOL = 2;
export const KIND_CLOCK = 3; // stored as seconds
export const KIND_EVENTS = 4; // stored as an index into column.texts

export const KIND_NAMES = ['empty', 'number', 'true/false', 'clock', 'events'];

export class LogFormatError extends Error {
  constructor(message) {
    super(message);
    this.name = 'LogFormatError';
  }
}

export function notALog(reason) {
  return new LogFormatError('This file is not a cablog log: ' + reason);
}

/** Labels as text in the given code page, or the guessed one. */
export function decodeLabels(log, encoding = log.detectedEncoding) {
  log.encoding = encoding;
  log.labels = log.labelBytes.map((l) => decodeText(l, encoding));
  log.columns.forEach((col, c) => (col.label = log.labels[c]));
  return log;
}

/**
 * An empty log for the header's labels: { labels, labelBytes, encoding,
 * detectedEncoding, columns, rowCount, warnings }, where each column is {
 * label, kind, values: Float64Array (NaN where the cell is empty), gaps:
 * number of empty cells, nonFinite: Map(row -> logged text), texts }.
 */
export function newLog(header) {
  const log = {
    labelBytes: header.labelBytes,
    labels: [],
    detectedEncoding: detectEncoding(header.headerBytes),
    encoding: '',
    columns: header.labelBytes.map(() => ({
      label: '',
      kind: KIND_NONE,
      values: new Float64Array(0),
      gaps: 0,
      nonFinite: new Map(),
      texts: [],
    })),
    rowCount: 0,
    warnings: [],
  };
  return decodeLabels(log);
}
