// Watching a log that the plug-in is still writing: every second, read
// whatever the file gained since the last look. Works on anything with
// getFile() (a FileSystemFileHandle from the picker or from a dropped file).
import { GrowingLog } from './parse.js';

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
