// compile() of web/compiler.mjs in headless Chromium, inside a Worker as the
// playground runs it, with the browser WASI library the build copies into
// web/vendor: each run must give the native executable's exact standard
// output, standard error, status and files. Run with `node --test`;
// VORN_COMPILE names the native executable, VORN_WEB_BUILD the build's web/
// folder (vorn-compile.wasm and vendor/).
import test, { after, before } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { existsSync, mkdirSync, mkdtempSync, readdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { startServer } from '../web/server.mjs';

const here = dirname(fileURLToPath(import.meta.url));
const repo = resolve(here, '../..');
const CHROMIUM = process.env.VORN_CHROMIUM ?? '/usr/bin/chromium';
assert.ok(process.env.VORN_COMPILE && process.env.VORN_WEB_BUILD, 'set VORN_COMPILE and VORN_WEB_BUILD');
const native = resolve(process.env.VORN_COMPILE);
const webBuild = resolve(process.env.VORN_WEB_BUILD);
const playwright = join(repo, 'tests/web/node_modules/playwright-core');
assert.ok(existsSync(playwright), 'playwright-core is missing: run npm ci in tests/web');
const { chromium } = await import(join(playwright, 'index.mjs'));

// A project with a folder, an import upwards and diagnostics in two files.
const PROJECT = {
  'top.vorn': 'import add "lib/full.vorn"\ninput a, b, c, unused\nadd f(a=a, b=b, cin=c)\n' +
    'output s(in=f.sum)\noutput co(in=f.cout)\n',
  'lib/full.vorn': 'import half "../half.vorn"\ninput a, b, cin\nhalf h1(a=a, b=b)\nhalf h2(a=h1.sum, b=cin)\n' +
    'or c(a=h1.carry, b=h2.carry)\noutput sum(in=h2.sum)\noutput cout(in=c.out)\n',
  'half.vorn': 'input a, b\nxor x(a=a, b=b)\nand g(a=a, b=b)\noutput sum(in=x.out)\noutput carry(in=g.out)\n',
  'broken.vorn': 'input a\nnot n(in=a)\nnot n(in=zz)\noutput y(in=n.out\n',
};
const RUNS = [
  ['top.vorn', '-o', 'out/top.wasm'],
  ['top.vorn', '--emit-zig', '-o', 'top.zig'],
  ['top.vorn', '--preview', '--color=always'],
  ['top.vorn', '--truth-table', '--format=csv', '--diagnostics-format=json'],
  ['broken.vorn', '--inspect'],
  ['broken.vorn', '-o', 'x.wasm', '--diagnostics-format=json'],
  ['missing.vorn', '--preview'],
  ['--bogus'],
];

function nativeRun(args) {
  const work = mkdtempSync(join(tmpdir(), 'vorn-wasi-browser-'));
  try {
    for (const [path, text] of Object.entries(PROJECT)) {
      mkdirSync(dirname(join(work, path)), { recursive: true });
      writeFileSync(join(work, path), text);
    }
    const run = spawnSync(native, args, { cwd: work, env: {}, encoding: 'utf8', maxBuffer: 1 << 28 });
    const outputs = {};
    const walk = (prefix) => {
      for (const name of readdirSync(join(work, prefix), { withFileTypes: true })) {
        const path = prefix + name.name;
        if (name.isDirectory()) walk(`${path}/`);
        else if (!(path in PROJECT)) outputs[path] = [...readFileSync(join(work, path))];
      }
    };
    walk('');
    return { status: run.status, stdout: run.stdout, stderr: run.stderr, outputs };
  } finally {
    rmSync(work, { recursive: true, force: true });
  }
}

const work = mkdtempSync(join(tmpdir(), 'vorn-wasi-browser-profile-'));
let server;
let context;
before(async () => {
  writeFileSync(join(work, 'worker.mjs'), `import { compile } from '/compiler.mjs';
onmessage = async ({ data }) => {
  const results = [];
  for (const args of data.runs) {
    const result = await compile(data.files, args);
    results.push({ ...result, outputs: Object.fromEntries(Object.entries(result.outputs).map(([p, b]) => [p, [...b]])) });
  }
  postMessage(results);
};
`);
  writeFileSync(join(work, 'index.html'), '<!doctype html><link rel="icon" href="data:,"><title>compile()</title>');
  server = await startServer({
    '/': join(repo, 'web'),
    '/vorn-compile.wasm': join(webBuild, 'vorn-compile.wasm'),
    '/vendor/': join(webBuild, 'vendor'),
    '/test/': work,
  });
  context = await chromium.launchPersistentContext(join(work, 'profile'), {
    executablePath: CHROMIUM,
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync'],
  });
});
after(async () => {
  await context?.close();
  await server?.close();
  rmSync(work, { recursive: true, force: true });
});

test('compile() in a browser Worker gives the native bytes, status and files', async () => {
  const page = await context.newPage();
  const problems = [];
  page.on('console', (message) => {
    if (['error', 'warning'].includes(message.type())) problems.push(message.text());
  });
  page.on('pageerror', (error) => problems.push(error.message));
  await page.goto(`${server.url}/test/index.html`);
  const results = await page.evaluate(({ files, runs }) => new Promise((resolveRun, reject) => {
    const worker = new Worker('/test/worker.mjs', { type: 'module' });
    worker.onmessage = ({ data }) => resolveRun(data);
    worker.onerror = (event) => reject(new Error(event.message));
    worker.postMessage({ files, runs });
  }), { files: PROJECT, runs: RUNS });
  RUNS.forEach((args, i) => {
    const expected = nativeRun(args);
    assert.deepEqual(results[i], expected, args.join(' '));
  });
  // The runs cover what they are meant to: files, diagnostics, a failure.
  assert.ok(results[0].outputs['out/top.wasm'].length > 1000);
  assert.match(results[3].stderr.split('\n').at(-2), /^\{"diagnostics":\[\{"file":"top.vorn","code":"W001"/);
  assert.equal(results[5].status, 1);
  assert.equal(results[7].status, 2);
  assert.deepEqual(problems, []);
});
