// The helpers the page's modules share.
export const $ = (id) => document.getElementById(id);

export const el = (tag, props = {}, ...children) => {
  const node = Object.assign(document.createElement(tag), props);
  node.append(...children);
  return node;
};

/** Offers `blob` as a download named `name`. */
export function download(blob, name) {
  const a = el('a', { href: URL.createObjectURL(blob), download: name });
  document.body.append(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(a.href), 10000);
}

/** Calls resized() once a change of the window's size settles. */
export function whenResized(resized) {
  let timer = 0;
  window.addEventListener('resize', () => {
    clearTimeout(timer);
    timer = setTimeout(resized, 100);
  });
}

/** Whatever goes wrong shows through shout(text), not only in a console nobody has open. */
export function reportErrors(shout) {
  window.addEventListener('error', (e) => shout(`Something went wrong: ${e.message}`));
  window.addEventListener('unhandledrejection', (e) =>
    shout(`Something went wrong: ${e.reason && e.reason.message ? e.reason.message : e.reason}`),
  );
}

/** Resolves in a new task, after the microtasks queued before it (uPlot draws in those). */
export const nextTask = () =>
  new Promise((r) => {
    const ch = new MessageChannel();
    ch.port1.onmessage = r;
    ch.port2.postMessage(0);
  });
