// The page: the parts it is made of. Each part wires its own controls and
// draws itself when asked (app.js says how); a new one is a module with
// mount(app), imported here and given its place in the list below.
import 'uplot/dist/uPlot.min.css';
import './style.css';
import { createApp } from './app.js';
import { reportErrors } from './dom.js';
import * as open from './open.js';
import * as drop from './drop.js';
import * as follow from './follow.js';
import * as controls from './controls.js';
import * as runs from './runs.js';
import * as report from './report-ui.js';
import * as panels from './panels.js';
import * as events from './events-ui.js';
import * as findings from './findings-ui.js';
import * as printSheet from './print-ui.js';
import * as library from './library-ui.js';

const app = createApp();
// Only the test build (build.mjs) lets tests and the benchmark read the page's state.
if (TEST_HOOKS) window.cablogViewer = app.state;
reportErrors((text) => app.message(text, 'error'));
app.status('idle');

// Drawn in this order: what sits above or beside the panels takes its room
// before the panels measure theirs, and the events list needs their scene.
// The findings come in a task of their own once the panels are drawn.
for (const part of [open, drop, follow, controls, runs, report, findings, panels, events, printSheet, library])
  app.mount(part);
app.render();
