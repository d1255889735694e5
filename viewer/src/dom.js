// The two helpers every DOM module uses.
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

/** Resizing the window calls resized() once it settles; whatever goes wrong shows through shout(text), not only in a console nobody has open. */
export function wireWindow(resized, shout) {
  let timer = 0;
  window.addEventListener('resize', () => {
    clearTimeout(timer);
    timer = setTimeout(resized, 100);
  });
  window.addEventListener('error', (e) => shout(`Something went wrong: ${e.message}`));
  window.addEventListener('unhandledrejection', (e) =>
    shout(`Something went wrong: ${e.reason && e.reason.message ? e.reason.message : e.reason}`),
  );
}
