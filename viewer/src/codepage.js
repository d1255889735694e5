// Labels are copied byte for byte from the user's column file, in whatever
// code page their editor used. The log does not say which, so guess from
// the bytes: UTF-8 when they are valid UTF-8, else Shift_JIS (code page
// 932, what Japanese editors on Windows write) when they are valid there,
// else the Windows Western code page, which gives every byte a character.

export const ENCODINGS = ['utf-8', 'shift_jis', 'windows-1252'];
export const ENCODING_NAMES = { 'utf-8': 'UTF-8', shift_jis: 'Shift_JIS (932)', 'windows-1252': 'Windows-1252' };

function valid(encoding, bytes) {
  try {
    new TextDecoder(encoding, { fatal: true }).decode(bytes);
    return true;
  } catch {
    return false;
  }
}

/** The code page the bytes were most likely written in (byte-order mark already removed). */
export function detectEncoding(bytes) {
  if (valid('utf-8', bytes)) return 'utf-8';
  if (valid('shift_jis', bytes)) return 'shift_jis';
  return 'windows-1252';
}

export function decodeText(bytes, encoding) {
  return new TextDecoder(encoding, { ignoreBOM: true }).decode(bytes);
}

/** Control characters (a label may hold a NUL or a lone CR) as visible symbols. */
export function visibleText(text) {
  return text.replace(/[\x00-\x1f\x7f]/g, (c) => String.fromCharCode(c === '\x7f' ? 0x2421 : 0x2400 + c.charCodeAt(0)));
}
