// What the findings are measured against: the thresholds of the built-in
// kinds, each with its default, and the findings file that changes them
// and adds findings of its own. package/README.txt documents this table;
// a unit test holds the two together.
//
//   set overspeed_margin 3
//   finding hot_bc when "Brake cylinder [kPa]" > 400 for 3 severity 3
// prettier-ignore
export const THRESHOLDS = [
  // name, default, unit, what it sets
  ['overspeed_margin', 2, 'km/h', 'overspeed: speed above the limit by more than this'],
  ['overspeed_time', 2, 's', 'overspeed: held for at least this long'],
  ['overspeed_warning', 5, 'km/h', 'overspeed: a warning when the worst speed is this far above the limit, else a note'],
  ['overspeed_serious', 10, 'km/h', 'overspeed: serious when the worst speed is this far above the limit'],
  ['stop_tolerance', 1, 'm', 'stop outside tolerance: short or long of a station by more than this'],
  ['stop_serious', 5, 'm', 'stop outside tolerance: serious beyond this, else a warning'],
  ['harsh_braking', 4, 'km/h/s', 'harsh braking: the speed falls faster than this'],
  ['harsh_braking_time', 1, 's', 'harsh braking: for at least this long'],
  ['harsh_acceleration', 4, 'km/h/s', 'harsh acceleration: the speed rises faster than this'],
  ['harsh_acceleration_time', 1, 's', 'harsh acceleration: for at least this long'],
];

export const OPERATORS = {
  '=': (a, b) => a === b,
  '!=': (a, b) => a !== b,
  '<': (a, b) => a < b,
  '<=': (a, b) => a <= b,
  '>': (a, b) => a > b,
  '>=': (a, b) => a >= b,
};

export class FindingsFileError extends Error {
  constructor(message) {
    super(message);
    this.name = 'FindingsFileError';
  }
}

/** The defaults: { thresholds: { name: value }, userFindings: [] }. */
export function defaultRules() {
  return { thresholds: Object.fromEntries(THRESHOLDS.map(([name, value]) => [name, value])), userFindings: [] };
}

// Words of a line; a double-quoted heading is one word ("" inside is a
// quote), and a # outside quotes starts a comment.
function words(line, fail) {
  const out = [];
  let i = 0;
  while (i < line.length) {
    if (/\s/.test(line[i])) i++;
    else if (line[i] === '#') break;
    else if (line[i] === '"') {
      let text = '';
      for (i++; ; i++) {
        if (i >= line.length) fail('a quoted heading has no closing quote');
        if (line[i] === '"' && line[i + 1] === '"') text += line[i++];
        else if (line[i] === '"') break;
        else text += line[i];
      }
      out.push({ text, quoted: true });
      i++;
    } else {
      const start = i;
      while (i < line.length && !/\s/.test(line[i])) i++;
      out.push({ text: line.slice(start, i), quoted: false });
    }
  }
  return out;
}

const NUMBER = /^[-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?$/;
const NAME = /^[a-z_][a-z0-9_]*$/i;

/**
 * Reads a findings file over the defaults. `builtinKinds` are names a
 * finding of the file may not take. Throws FindingsFileError naming the line.
 */
export function parseFindingsFile(text, builtinKinds = []) {
  const rules = defaultRules();
  text.split(/\r?\n/).forEach((raw, n) => {
    const fail = (why) => {
      throw new FindingsFileError(`findings file, line ${n + 1}: ${why}`);
    };
    const w = words(raw, fail);
    if (!w.length) return;
    const num = (word, what) => {
      if (!word || word.quoted || !NUMBER.test(word.text))
        fail(`${what} ${word ? `'${word.text}' is not a number` : 'is missing'}`);
      return Number(word.text);
    };
    if (w[0].text === 'set' && !w[0].quoted) {
      if (w.length !== 3) fail("'set' takes a threshold's name and a value");
      if (!(w[1].text in rules.thresholds)) fail(`no threshold is named '${w[1].text}'`);
      const value = num(w[2], w[1].text);
      if (!(value >= 0)) fail(`${w[1].text} must not be below 0`);
      rules.thresholds[w[1].text] = value;
    } else if (w[0].text === 'finding' && !w[0].quoted) {
      rules.userFindings.push(userFinding(w, num, fail, builtinKinds, rules.userFindings));
    } else {
      fail(`'${w[0].text}' is not a findings line (known: set, finding)`);
    }
  });
  return rules;
}

// finding NAME when COLUMN OP VALUE [for SECONDS] [severity K]
function userFinding(w, num, fail, builtinKinds, earlier) {
  const usage = 'a finding reads: finding NAME when COLUMN OP VALUE [for SECONDS] [severity K]';
  if (w.length < 6 || w[2].text !== 'when') fail(usage);
  const name = w[1].text;
  if (!NAME.test(name)) fail(`'${name}' is not a name (letters, digits and _)`);
  if (builtinKinds.includes(name) || earlier.some((f) => f.name === name)) fail(`a finding is named '${name}' already`);
  const op = w[4].text;
  if (!(op in OPERATORS)) fail(`'${op}' is not one of = != < <= > >=`);
  const v = w[5].text;
  const value = v === 'true' ? 1 : v === 'false' ? 0 : num(w[5], 'value');
  const rule = { name, column: w[3].text, op, value, seconds: 0, severity: 2 };
  for (let i = 6; i < w.length; i += 2) {
    if (w[i].text === 'for') rule.seconds = num(w[i + 1], "'for'");
    else if (w[i].text === 'severity') rule.severity = num(w[i + 1], "'severity'");
    else fail(usage);
  }
  if (!(rule.seconds >= 0)) fail("'for' must not be below 0");
  if (![1, 2, 3].includes(rule.severity)) fail('severity is 1, 2 or 3');
  return rule;
}
