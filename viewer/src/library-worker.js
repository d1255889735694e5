// The library's worker: reads and summarises the files it is sent, one
// message per file, so that the page stays responsive. build.mjs bundles
// it into the page as text (LIBRARY_WORKER_SOURCE).
import { summariseFiles } from './library.js';

self.onmessage = async ({ data: { files, route, rules } }) => {
  await summariseFiles(files, { route, rules }, (index, summary) => self.postMessage({ index, summary }));
  self.postMessage({ done: true });
};
