// Watching a log that the plug-in is still writing: every second, read
// whatever the file gained since the last look. Works on anything with
// getFile() (a FileSystemFileHandle from the picker or from a dropped file).
import { GrowingLog } from './parse.js';
import { guessRoles, ROLES, NONE } from './roles.js';
import { $, nextTask } from './dom.js';

export const POLL_MS = 1000;

export class Follower {
  /**
   * on.rows(log, added, first): rows arrived (first: the log just began)
   * on.error(err): the file stopped being a log or could not be read
   */
  constructor(handle, on, interval = POLL_MS) {
    this.handle = handle;
    this.on = on;
    this.interval = interval;
    this.growing = new GrowingLog();
    this.timer = 0;
    this.busy = false;
    this.stopped = false;
    this.bytesAt = 0;
  }

  get log() {
    return this.growing.log;
  }

  async start() {
    await this.poll();
    if (!this.stopped) this.timer = setInterval(() => this.poll(), this.interval);
  }

  stop() {
    this.stopped = true;
    clearInterval(this.timer);
  }

  async poll() {
    if (this.busy || this.stopped) return;
    this.busy = true;
    try {
      const file = await this.handle.getFile();
      // A smaller file is a new run written over the old one: start again.
      if (file.size < this.growing.bytesRead) this.growing = new GrowingLog();
      if (file.size === this.growing.bytesRead && this.growing.log) return;
      const bytes = new Uint8Array(await file.slice(this.growing.bytesRead).arrayBuffer());
      const hadLog = !!this.growing.log;
      this.bytesAt = performance.now(); // for the benchmark: new bytes in hand
      const added = this.growing.append(bytes);
      if (this.growing.log && (added || !hadLog)) this.on.rows(this.growing.log, added, !hadLog);
    } catch (err) {
      this.stop();
      this.on.error(err);
    } finally {
      this.busy = false;
    }
  }
}

export const NO_FOLLOW =
  'This browser cannot watch a file as it grows (it lacks the File System Access API, found in Chrome and Edge). ' +
  'Open the log the normal way instead; open it again to see the rows written since.';

/** A log file to follow, chosen by the user; null when none was, or the browser cannot (`unable()` is called). */
export async function pickFileToFollow(unable) {
  if (!window.showOpenFilePicker) {
    unable();
    return null;
  }
  try {
    const [handle] = await window.showOpenFilePicker({
      types: [{ description: 'cablog log', accept: { 'text/csv': ['.csv'] } }],
    });
    return handle;
  } catch {
    return null; // the user closed the picker
  }
}

/** Wires "Follow…"; adds app.follow(handle). */
export function mount(app) {
  const { state } = app;
  $('follow').addEventListener('click', async () => {
    const handle = await pickFileToFollow(() => {
      app.message(NO_FOLLOW, 'warning');
      $('file').click();
    });
    if (handle) await follow(app, handle);
  });
  app.follow = (handle) => follow(app, handle);

  return {
    close() {
      if (state.follower) state.follower.stop();
      state.follower = null;
      state.following = false;
      document.body.classList.remove('following');
    },
  };
}

async function follow(app, handle) {
  const { state } = app;
  app.close();
  app.status('loading');
  app.message(`Following ${handle.name}: waiting for the header row…`, 'info');
  // The kind of every column, as rows arrive: a column that starts empty
  // (a beacon, a key) takes its kind from its first value.
  const seen = { kinds: '' };
  const follower = new Follower(handle, {
    rows: (log, added, first) => (first ? started(app, seen, handle.name, log) : rowsArrived(app, seen, added)),
    error: (err) => app.fail(handle.name, err),
  });
  state.follower = follower;
  document.body.classList.add('following');
  await follower.start();
}

const kindsOf = (log) => log.columns.map((c) => c.kind).join();

function started(app, seen, name, log) {
  app.setLog(name, log);
  seen.kinds = kindsOf(log);
  app.state.following = true;
  app.show([]).then(() => app.followNewest());
}

// A column that had no value has one now: a role it fits that was unfilled is its.
function kindsChanged(state, seen, log) {
  const run = state.runs[0];
  const guess = guessRoles(log);
  for (const role of ROLES) if (run.roles[role] === NONE) run.roles[role] = guess[role];
  seen.kinds = kindsOf(log);
}

function rowsArrived(app, seen, added) {
  const { state } = app;
  const t0 = state.follower.bytesAt;
  const log = state.log;
  if (!state.plots.length || kindsOf(log) !== seen.kinds) {
    // The first rows of a log that had none, or a column that can now be
    // charted: draw from scratch, so that the column table offers it.
    kindsChanged(state, seen, log);
    app.show([]).then(() => state.following && app.followNewest());
    return;
  }
  app.grow(added);
  $('fileinfo').textContent =
    `${state.fileName}: ${log.rowCount.toLocaleString('en')} rows, ${log.columns.length} columns (following)`;
  // uPlot draws in microtasks; the next task sees every panel drawn.
  nextTask().then(() => state.appendTimes.push({ rows: added, ms: performance.now() - t0 }));
}
