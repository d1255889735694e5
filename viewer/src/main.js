// The page: opening a log, the column table, the stacked panels.
import uPlot from 'uplot';
import 'uplot/dist/uPlot.min.css';
import './style.css';
import { parseLog, LogFormatError, KIND_BOOL, KIND_CLOCK, KIND_NAMES } from './parse.js';
import { formatCell, formatClockTick, formatNumberTick, CLOCK_INCRS } from './format.js';
import { buildPyramid, pyramidPaths, rangeOf, yLimits } from './decimate.js';
import {
  ROW_X,
  xCandidates,
  defaultView,
  viewToFragment,
  fragmentToView,
  assignColumn,
  setX,
  plottable,
} from './view.js';

const COLORS = ['#1f77b4', '#d62728', '#2ca02c', '#ff7f0e', '#9467bd', '#8c564b', '#e377c2', '#17becf', '#7f7f7f', '#bcbd22'];
const SYNC_KEY = 'cablog';

const $ = (id) => document.getElementById(id);
const el = (tag, props = {}, ...children) => {
  const node = Object.assign(document.createElement(tag), props);
  node.append(...children);
  return node;
};

const state = {
  fileName: '',
  log: null,
  candidates: [],
  view: null,
  plots: [],
  xData: null,
  loadTimes: null,
};
// Tests and the benchmark read the page's state through this.
window.cablogViewer = state;

function setStatus(name) {
  document.body.dataset.state = name;
}

function showMessage(text, kind = 'error') {
  const box = $('message');
  box.textContent = text;
  box.className = kind;
  box.hidden = !text;
}

function clearPlots() {
  for (const u of state.plots) u.destroy();
  state.plots = [];
  $('panels').replaceChildren();
}

// ---------------------------------------------------------------- loading

async function openFile(file) {
  const t0 = performance.now();
  setStatus('loading');
  showMessage(`Reading ${file.name}…`, 'info');
  clearPlots();
  state.log = null;
  renderColumnTable();
  // Let the message paint before the parser holds the thread.
  await new Promise((r) => setTimeout(r, 0));
  let log;
  try {
    const bytes = new Uint8Array(await file.arrayBuffer());
    const t1 = performance.now();
    log = parseLog(bytes);
    state.loadTimes = { read: t1 - t0, parse: performance.now() - t1 };
  } catch (err) {
    fail(file.name, err);
    return;
  }
  state.fileName = file.name;
  state.log = log;
  state.candidates = xCandidates(log);
  $('fileinfo').textContent = `${file.name}: ${log.rowCount.toLocaleString('en')} rows, ${log.columns.length} columns`;
  document.title = `${file.name} – cablog viewer`;

  const notes = [...log.warnings];
  if (log.columns.length === 0) {
    notes.unshift('This log has no columns: the column definition file was missing or empty when it was written.');
  } else if (log.rowCount === 0) {
    notes.unshift('This log has a header row but no data rows: the run ended before the first sample.');
  } else if (!log.columns.some(plottable)) {
    notes.unshift('No column of this log holds a value to plot: every cell is empty.');
  }
  const fromLink = fragmentToView(location.hash, log, state.candidates);
  state.view = fromLink || defaultView(log, state.candidates);
  const drawn = log.rowCount > 0 && log.columns.some(plottable);
  showMessage(notes.join(' '), drawn ? 'warning' : 'error');
  render();
  await new Promise((r) => requestAnimationFrame(() => setTimeout(r, 0)));
  state.loadTimes.total = performance.now() - t0;
  setStatus(drawn ? 'ready' : 'empty');
}

function fail(name, err) {
  clearPlots();
  state.log = null;
  state.view = null;
  renderColumnTable();
  $('fileinfo').textContent = name;
  const text =
    err instanceof LogFormatError
      ? `${name}: ${err.message}`
      : `${name} could not be read: ${err && err.message ? err.message : err}`;
  showMessage(text, 'error');
  setStatus('error');
}

// ---------------------------------------------------------------- view

function updateFragment() {
  const hash = '#' + viewToFragment(state.view);
  if (location.hash !== hash) history.replaceState(null, '', hash);
}

function render() {
  updateFragment();
  renderXSelect();
  renderColumnTable();
  renderPlots();
}

function xLabel(x) {
  return x === ROW_X ? 'Row' : state.log.columns[x].label;
}

function renderXSelect() {
  const select = $('xaxis');
  select.replaceChildren(el('option', { value: ROW_X, textContent: 'Row number' }));
  for (const c of state.candidates) {
    select.append(el('option', { value: String(c), textContent: `${c + 1}: ${state.log.columns[c].label}` }));
  }
  select.value = String(state.view.x);
  select.disabled = false;
}

function renderColumnTable() {
  const body = $('columns-body');
  body.replaceChildren();
  $('columns').hidden = !state.log;
  $('xaxis').disabled = !state.log;
  if (!state.log) $('xaxis').replaceChildren();
  $('save').disabled = !state.log;
  $('reset').disabled = !state.log;
  if (!state.log) return;
  const { view, log } = state;
  log.columns.forEach((col, c) => {
    const where = view.panels.findIndex((p) => p.includes(c));
    let control;
    if (c === view.x) {
      control = el('span', { className: 'muted', textContent: 'x axis' });
    } else if (!plottable(col)) {
      control = el('span', { className: 'muted', textContent: 'no values' });
    } else {
      control = el('select', { title: `Panel for ${col.label}` });
      control.dataset.column = String(c);
      control.append(el('option', { value: '-1', textContent: '–' }));
      view.panels.forEach((_, i) => control.append(el('option', { value: String(i), textContent: `Panel ${i + 1}` })));
      control.append(el('option', { value: String(view.panels.length), textContent: 'New panel' }));
      control.value = String(where);
      control.addEventListener('change', () => {
        state.view = assignColumn(state.view, c, Number(control.value));
        render();
      });
    }
    const kind = KIND_NAMES[col.kind] + (col.gaps ? `, ${col.gaps.toLocaleString('en')} empty` : '');
    body.append(
      el(
        'tr',
        {},
        el('td', { className: 'num', textContent: String(c + 1) }),
        el('td', { className: 'label', textContent: col.label || '(no label)', title: kind }),
        el('td', {}, control),
      ),
    );
  });
}

function xValues() {
  const { log, view } = state;
  if (view.x !== ROW_X) return log.columns[view.x].values;
  const xs = new Float64Array(log.rowCount);
  for (let i = 0; i < xs.length; i++) xs[i] = i + 1;
  return xs;
}

// uPlot breaks a line at null; typed arrays cannot hold null, so columns with
// gaps or non-finite values are copied into a plain array once per render.
function yValues(col) {
  if (col.gaps === 0 && col.nonFinite.size === 0) return col.values;
  const v = col.values;
  const out = new Array(v.length);
  for (let i = 0; i < v.length; i++) out[i] = Number.isFinite(v[i]) ? v[i] : null;
  return out;
}

function colorOf(c) {
  return COLORS[c % COLORS.length];
}

let syncingScale = false;

// One width for every y axis, so that the stacked panels line up on x:
// room for the longest tick label that any panel's value range can need.
function yAxisWidth(columns) {
  let longest = 4;
  for (const col of columns) {
    if (col.kind === KIND_CLOCK) {
      longest = Math.max(longest, 13);
      continue;
    }
    let min = Infinity;
    let max = -Infinity;
    const v = col.values;
    for (let i = 0; i < v.length; i++) {
      if (v[i] < min) min = v[i];
      if (v[i] > max) max = v[i];
    }
    if (!(min <= max)) continue;
    const step = (max - min) / 4 || Math.abs(max) / 10 || 1;
    for (const end of [min, max]) longest = Math.max(longest, formatNumberTick(end, step).length + 1);
  }
  return Math.ceil(longest * 7.5) + 24;
}

function panelSize(count) {
  const width = Math.max(320, $('panels').clientWidth - 4);
  const room = window.innerHeight - $('panels').getBoundingClientRect().top - 16;
  const height = Math.max(170, Math.min(360, Math.floor(room / Math.max(1, count)) - 40));
  return { width, height };
}

function renderPlots() {
  const keep = state.plots.length ? state.plots[0].scales.x : null;
  const zoomed = keep && state.zoomed ? { min: keep.min, max: keep.max } : null;
  clearPlots();
  const { log, view } = state;
  if (!log || log.rowCount === 0) return;
  const xs = xValues();
  state.xData = xs;
  const isClockX = view.x !== ROW_X && log.columns[view.x].kind === KIND_CLOCK;
  const xFmt = view.x === ROW_X ? (v) => String(v) : (v, i) => formatCell(log.columns[view.x], i, v);
  const size = panelSize(view.panels.length);
  const yWidth = yAxisWidth(view.panels.flat().map((c) => log.columns[c]));

  view.panels.forEach((cols, p) => {
    const series = [
      {
        label: xLabel(view.x),
        value: (u, v, s, i) => (v == null ? '–' : xFmt(v, i)),
      },
      ...cols.map((c) => {
        const col = log.columns[c];
        return {
          label: col.label || `(column ${c + 1})`,
          stroke: colorOf(c),
          width: 1,
          show: !view.hidden.includes(c),
          // The panel's y range comes from yRange below, not from uPlot
          // scanning every visible row of every series on each zoom step.
          auto: false,
          value: (u, v, s, i) => (i == null ? '–' : formatCell(col, i, col.values[i])),
          paths: pyramidPaths(
            () => levels(c),
            col.kind === KIND_BOOL ? uPlot.paths.stepped({ align: 1 }) : uPlot.paths.linear(),
          ),
        };
      }),
    ];
    const yClock = cols.every((c) => log.columns[c].kind === KIND_CLOCK);
    const levels = (c) => (log.columns[c].pyramid ??= buildPyramid(log.columns[c].values));
    const yRange = (u) => {
      const [i0, i1] = u.series[0].idxs;
      let lo = Infinity;
      let hi = -Infinity;
      cols.forEach((c, k) => {
        if (!u.series[k + 1].show || i0 == null || i1 < i0) return;
        const r = rangeOf(log.columns[c].values, levels(c), i0, i1);
        if (r && r[0] < lo) lo = r[0];
        if (r && r[1] > hi) hi = r[1];
      });
      return lo <= hi ? yLimits(lo, hi, (a, b) => uPlot.rangeNum(a, b, 0.1, true)) : [0, 1];
    };
    const opts = {
      ...size,
      series,
      scales: { x: { time: false }, y: { range: yRange } },
      axes: [
        {
          space: isClockX ? 90 : 60,
          incrs: isClockX ? CLOCK_INCRS : undefined,
          values: (u, splits, ai, space, incr) =>
            splits.map((v) => (isClockX ? formatClockTick(v, incr) : formatNumberTick(v, incr))),
        },
        {
          size: yWidth,
          values: (u, splits, ai, space, incr) =>
            splits.map((v) => (yClock ? formatClockTick(v, incr) : formatNumberTick(v, incr))),
        },
      ],
      cursor: {
        // Only x is shared; a horizontal hair would mean nothing in the
        // panels the mouse is not over.
        sync: { key: SYNC_KEY, scales: ['x', null] },
        y: false,
        drag: { x: true, y: false, setScale: true },
      },
      legend: { live: true },
      hooks: {
        setScale: [
          (u, key) => {
            if (key !== 'x' || syncingScale) return;
            syncingScale = true;
            const { min, max } = u.scales.x;
            state.zoomed = !(min <= xs[0] && max >= xs[xs.length - 1]);
            for (const other of state.plots) if (other !== u) other.setScale('x', { min, max });
            syncingScale = false;
          },
        ],
        setSeries: [
          (u, si, opts) => {
            if (si == null || !opts || opts.show === undefined) return;
            const c = cols[si - 1];
            const hidden = new Set(state.view.hidden);
            if (opts.show) hidden.delete(c);
            else hidden.add(c);
            state.view = { ...state.view, hidden: [...hidden] };
            updateFragment();
          },
        ],
      },
    };
    const box = el('div', { className: 'panel' });
    box.dataset.panel = String(p);
    $('panels').append(box);
    const u = new uPlot(opts, [xs, ...cols.map((c) => yValues(log.columns[c]))], box);
    state.plots.push(u);
  });
  if (zoomed) state.plots.forEach((u) => u.setScale('x', zoomed));
  else state.zoomed = false;
  if (!view.panels.length) {
    $('panels').append(
      el('p', { className: 'hint', textContent: 'No column is plotted. Choose a panel for a column in the table on the left.' }),
    );
  }
}

function resetZoom() {
  const xs = state.xData;
  if (!xs || !xs.length || !state.plots.length) return;
  state.plots[0].setScale('x', { min: xs[0], max: xs[xs.length - 1] });
}

// ---------------------------------------------------------------- PNG

function savePng() {
  if (!state.plots.length) return;
  const ratio = window.devicePixelRatio || 1;
  const font = `${Math.round(13 * ratio)}px system-ui, sans-serif`;
  const legendH = Math.round(24 * ratio);
  const titleH = Math.round(28 * ratio);
  const width = Math.max(...state.plots.map((u) => u.ctx.canvas.width));
  const height = titleH + state.plots.reduce((h, u) => h + legendH + u.ctx.canvas.height, 0);
  const out = document.createElement('canvas');
  out.width = width;
  out.height = height;
  const ctx = out.getContext('2d');
  ctx.fillStyle = '#fff';
  ctx.fillRect(0, 0, width, height);
  ctx.textBaseline = 'middle';
  ctx.font = `bold ${font}`;
  ctx.fillStyle = '#222';
  ctx.fillText(state.fileName, 8 * ratio, titleH / 2);
  ctx.font = font;
  let y = titleH;
  for (const u of state.plots) {
    let x = 8 * ratio;
    u.series.forEach((s, i) => {
      if (i === 0 || !s.show) return;
      ctx.fillStyle = s._stroke || s.stroke;
      ctx.fillRect(x, y + legendH / 2 - 2 * ratio, 14 * ratio, 4 * ratio);
      x += 18 * ratio;
      ctx.fillStyle = '#222';
      ctx.fillText(s.label, x, y + legendH / 2);
      x += ctx.measureText(s.label).width + 16 * ratio;
    });
    y += legendH;
    ctx.drawImage(u.ctx.canvas, 0, y);
    y += u.ctx.canvas.height;
  }
  out.toBlob((blob) => {
    const a = el('a', { href: URL.createObjectURL(blob), download: state.fileName.replace(/\.[^.]*$/, '') + '.png' });
    document.body.append(a);
    a.click();
    a.remove();
    setTimeout(() => URL.revokeObjectURL(a.href), 10000);
  }, 'image/png');
}

// ---------------------------------------------------------------- wiring

function init() {
  setStatus('idle');
  showMessage('Open a cablog log (Log_….csv) with the button above, or drop it on this page.', 'info');
  renderColumnTable();

  $('file').addEventListener('change', (e) => {
    const file = e.target.files[0];
    e.target.value = '';
    if (file) openFile(file);
  });
  $('xaxis').addEventListener('change', (e) => {
    const v = e.target.value;
    state.view = setX(state.view, v === ROW_X ? ROW_X : Number(v));
    state.zoomed = false;
    render();
  });
  $('reset').addEventListener('click', resetZoom);
  $('save').addEventListener('click', savePng);

  // Dropping a file anywhere on the page opens it; the overlay says so.
  let depth = 0;
  const drop = $('drop');
  const hasFiles = (e) => e.dataTransfer && [...e.dataTransfer.types].includes('Files');
  document.addEventListener('dragenter', (e) => {
    if (!hasFiles(e)) return;
    depth++;
    drop.hidden = false;
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
    const file = e.dataTransfer.files[0];
    if (file) openFile(file);
  });

  // A fragment edited by hand or reached through history is a new view.
  window.addEventListener('hashchange', () => {
    if (!state.log) return;
    state.view = fragmentToView(location.hash, state.log, state.candidates) || defaultView(state.log, state.candidates);
    render();
  });

  let resizeTimer = 0;
  window.addEventListener('resize', () => {
    clearTimeout(resizeTimer);
    resizeTimer = setTimeout(() => {
      const size = panelSize(state.plots.length);
      for (const u of state.plots) u.setSize(size);
    }, 100);
  });

  // Whatever goes wrong shows on the page, not only in a console nobody has open.
  window.addEventListener('error', (e) => showMessage(`Something went wrong: ${e.message}`, 'error'));
  window.addEventListener('unhandledrejection', (e) =>
    showMessage(`Something went wrong: ${e.reason && e.reason.message ? e.reason.message : e.reason}`, 'error'),
  );
}

init();
