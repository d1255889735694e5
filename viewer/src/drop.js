// Files dropped on the page: the overlay's zones say whether to open them,
// compare them with the open log or follow one as it grows.
import { $ } from './dom.js';

export function mount(app) {
  const hasLog = () => !!app.state.log;
  const warn = (text) => app.message(text, 'warning');
  let depth = 0;
  const drop = $('drop');
  const hasFiles = (e) => e.dataTransfer && [...e.dataTransfer.types].includes('Files');
  document.addEventListener('dragenter', (e) => {
    if (!hasFiles(e)) return;
    depth++;
    drop.hidden = false;
    drop.classList.toggle('with-log', hasLog());
  });
  document.addEventListener('dragleave', () => {
    depth = Math.max(0, depth - 1);
    if (!depth) drop.hidden = true;
  });
  document.addEventListener('dragover', (e) => {
    if (hasFiles(e)) e.preventDefault();
  });
  document.addEventListener('drop', (e) => {
    e.preventDefault();
    depth = 0;
    drop.hidden = true;
    const zone = e.target instanceof Element ? e.target.closest('[data-zone]')?.dataset.zone : null;
    const files = [...e.dataTransfer.files];
    if (!files.length) return;
    if (zone === 'follow') {
      const item = [...e.dataTransfer.items].find((i) => i.kind === 'file');
      if (!item || !item.getAsFileSystemHandle) {
        warn('This browser cannot watch a dropped file as it grows; it was opened as it is now.');
        app.open(files.slice(0, 1));
        return;
      }
      item.getAsFileSystemHandle().then((handle) => (handle ? app.follow(handle) : app.open(files.slice(0, 1))));
    } else if (zone === 'add' && hasLog()) app.add(files);
    else app.open(files);
  });
}
