// Bundles the viewer into one HTML file that needs nothing else at run time,
// and beside it a test build (`-test.html`) that also hands the page's state
// to the browser tests and the benchmark as window.cablogViewer. The page
// users get has no such hook.
import { build } from 'esbuild';
import { readFile, writeFile, mkdir } from 'node:fs/promises';
import { dirname, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';

const here = dirname(fileURLToPath(import.meta.url));
const out = resolve(process.argv[2] || resolve(here, '..', 'build', 'viewer', 'cablog-viewer.html'));

// The library's worker, bundled first and handed to the page as text: a
// single file has no other place to load it from.
const worker = await build({
  entryPoints: [resolve(here, 'src', 'library-worker.js')],
  bundle: true,
  minify: true,
  format: 'iife',
  target: ['chrome100', 'firefox100', 'safari15'],
  write: false,
  legalComments: 'none',
  logLevel: 'warning',
});
const workerSource = JSON.stringify(worker.outputFiles[0].text);

async function page(testHooks) {
  const result = await build({
    entryPoints: [resolve(here, 'src', 'main.js')],
    bundle: true,
    minify: true,
    format: 'iife',
    target: ['chrome100', 'firefox100', 'safari15'],
    write: false,
    outdir: 'out',
    legalComments: 'inline',
    logLevel: 'warning',
    define: { TEST_HOOKS: String(testHooks), LIBRARY_WORKER_SOURCE: workerSource },
  });
  const js = result.outputFiles.find((f) => f.path.endsWith('.js')).text;
  const css = result.outputFiles.find((f) => f.path.endsWith('.css')).text;
  // Inline scripts end at the first "</script" whatever the JS means by it.
  const safeJs = js.replace(/<\/(script)/gi, '<\\/$1');
  const template = await readFile(resolve(here, 'src', 'index.html'), 'utf8');
  return template.replace('/*CSS*/', () => css).replace('/*JS*/', () => safeJs);
}

await mkdir(dirname(out), { recursive: true });
const html = await page(false);
await writeFile(out, html);
await writeFile(out.replace(/(\.html)?$/, '-test.html'), await page(true));
console.log(`wrote ${out} (${(html.length / 1024).toFixed(0)} KiB) and its test build`);

// cablog-debrief, beside the page: the same findings modules, for Node.
// An .mjs, since Windows runs a double-clicked .js as a script of its own.
const cli = resolve(dirname(out), 'cablog-debrief.mjs');
await build({
  entryPoints: [resolve(here, 'cli', 'main.js')],
  bundle: true,
  platform: 'node',
  format: 'esm',
  target: ['node18'],
  outfile: cli,
  banner: { js: '#!/usr/bin/env node' },
  legalComments: 'inline',
  logLevel: 'warning',
});
console.log(`wrote ${cli}`);
