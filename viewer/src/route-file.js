// The route file: where the limits, signals and stations are on the line.
// The bench reads the same lines from a drive script or from --route FILE,
// so the two agree on where things are; beacons are the bench's business
// and are passed over here.
//
//   line 0 3000                # the line's two ends (optional)
//   at 0    limit 65           # km/h from here on, in increasing location
//   at 2700 signal             # a signal stands here (the bench's aspect may follow)
//   at 2660 station Platform 2 # a stop target
export class RouteFileError extends Error {
  constructor(message) {
    super(message);
    this.name = 'RouteFileError';
  }
}

const NUMBER = /^[-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?$/;

function number(word, what, fail) {
  if (word === undefined || !NUMBER.test(word))
    fail(`${what} ${word === undefined ? 'is missing' : `'${word}' is not a number`}`);
  return Number(word);
}

/** Returns { line: { from, to } | null, limits: [{ at, kmh }], signals: [{ at, aspect }], stations: [{ at, name }] }, each ordered by location. Throws RouteFileError naming the line. */
export function parseRoute(text) {
  const route = { line: null, limits: [], signals: [], stations: [] };
  const seen = new Map(); // "kind@location" -> line number
  text.split(/\r?\n/).forEach((raw, n) => {
    const fail = (why) => {
      throw new RouteFileError(`route file, line ${n + 1}: ${why}`);
    };
    const hash = raw.indexOf('#');
    const words = (hash >= 0 ? raw.slice(0, hash) : raw).trim().split(/\s+/).filter(Boolean);
    if (!words.length) return;
    if (words[0] === 'line') {
      if (words.length !== 3) fail("'line' takes the locations of its two ends");
      const from = number(words[1], 'line end', fail);
      const to = number(words[2], 'line end', fail);
      if (!(from < to)) fail("the line's first end must lie below its second");
      route.line = { from, to };
      return;
    }
    if (words[0] !== 'at') fail(`'${words[0]}' is not a route line (known: at, line)`);
    const at = number(words[1], 'location', fail);
    const what = words[2];
    const key = `${what}@${at}`;
    if (seen.has(key)) fail(`a ${what} at ${at} m already (line ${seen.get(key)})`);
    seen.set(key, n + 1);
    if (what === 'limit') {
      if (words.length !== 4) fail("'limit' takes one speed in km/h");
      const kmh = number(words[3], 'speed limit', fail);
      if (!(kmh > 0)) fail(`speed limit ${words[3]} is not above 0`);
      route.limits.push({ at, kmh });
    } else if (what === 'signal') {
      if (words.length > 4) fail("'signal' takes at most an aspect");
      route.signals.push({ at, aspect: words.length === 4 ? number(words[3], 'signal aspect', fail) : null });
    } else if (what === 'station') {
      if (words.length < 4) fail("'station' takes a name");
      route.stations.push({ at, name: words.slice(3).join(' ') });
    } else if (what !== 'beacon') {
      fail(`unknown thing on the line '${what ?? ''}' (known: limit, signal, station, beacon)`);
    }
  });
  for (const list of [route.limits, route.signals, route.stations]) list.sort((a, b) => a.at - b.at);
  return route;
}

/** The limit in force at `location`: the last one placed at or before it, or null. */
export function limitAt(route, location) {
  let kmh = null;
  for (const l of route.limits) {
    if (l.at > location) break;
    kmh = l.kmh;
  }
  return kmh;
}
