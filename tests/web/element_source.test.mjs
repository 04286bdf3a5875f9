// <vorn-circuit> with .vorn source, compiled in the page by vorn-compile.wasm:
// pages written here, served beside the built web folder (VORN_WEB_BUILD)
// from 127.0.0.1 in headless Chromium. What the pages show is checked
// against the native compiler (VORN_COMPILE) and against adders computed here.
import test, { after, before } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { existsSync, mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { launchChromium, startServer } from './server.mjs';

const here = dirname(fileURLToPath(import.meta.url));
const repo = resolve(here, '../..');
const CHROMIUM = process.env.VORN_CHROMIUM ?? '/usr/bin/chromium';
const compilerPath = process.env.VORN_COMPILE;
const webBuild = process.env.VORN_WEB_BUILD;

assert.ok(compilerPath, 'set VORN_COMPILE to the vorn-compile executable');
assert.ok(webBuild && existsSync(join(webBuild, 'vorn-compile.wasm')), 'set VORN_WEB_BUILD to the built web folder with vorn-compile.wasm');
assert.ok(existsSync(CHROMIUM), `${CHROMIUM} is missing: apt-get install chromium (scripts/ensure-tools.sh does)`);
const { chromium } = await import('playwright-core');

const pages = mkdtempSync(join(tmpdir(), 'vorn-element-source-'));
const halfAdder = readFileSync(join(repo, 'examples/half_adder.vorn'), 'utf8');
// The full adder with its half adder one folder down.
const fullAdder = readFileSync(join(repo, 'examples/full_adder.vorn'), 'utf8')
  .replace('import half "half_adder.vorn"', 'import half "parts/half_adder.vorn"');
assert.match(fullAdder, /"parts\/half_adder.vorn"/);

function write(path, text) {
  mkdirSync(dirname(join(pages, path)), { recursive: true });
  writeFileSync(join(pages, path), text);
}

// The native compiler on the same files, run in a folder of its own.
function native(files, args) {
  const dir = mkdtempSync(join(pages, 'native-'));
  for (const [path, text] of Object.entries(files)) {
    mkdirSync(dirname(join(dir, path)), { recursive: true });
    writeFileSync(join(dir, path), text);
  }
  return { ...spawnSync(compilerPath, args, { cwd: dir, encoding: 'utf8' }), dir };
}

const page = (body) => `<!doctype html><meta charset="utf-8"><title>t</title><link rel="icon" href="data:,">
<script type="module" src="/vorn.mjs"></script>
<body>${body}</body>`;

let server;
let browser;
before(async () => {
  server = await startServer({ '/': webBuild, '/pages/': pages });
  browser = await launchChromium(chromium, CHROMIUM);
});
after(async () => {
  await browser?.close();
  await server?.close();
  rmSync(pages, { recursive: true, force: true });
});

// A page with its requests and console problems recorded.
async function open(path) {
  const context = await browser.newContext();
  const tab = await context.newPage();
  const requests = [];
  const problems = [];
  tab.on('request', (request) => requests.push(new URL(request.url()).pathname));
  tab.on('console', (message) => problems.push(`${message.type()}: ${message.text()}`));
  tab.on('pageerror', (error) => problems.push(`exception: ${error.message}`));
  const started = Date.now();
  await tab.goto(`${server.url}/pages/${path}`);
  return { tab, requests, problems, started, close: () => context.close() };
}

const loaded = (tab, selector) => tab.waitForFunction(
  (s) => document.querySelector(s)?.circuit !== null && document.querySelector(s)?.dataset.settled !== undefined,
  selector, { timeout: 60000 });

// Every input combination through setInputs, and the outputs the element
// reported for it.
const behaviour = (tab, selector) => tab.locator(selector).evaluate((element) => {
  const { inputs } = element.circuit;
  const rows = [];
  for (let row = 0; row < 1 << inputs.length; ++row) {
    const values = Object.fromEntries(inputs.map((name, i) => [name, (row >> i) & 1]));
    let outputs = null;
    const listen = (event) => { outputs = event.detail.outputs; };
    element.addEventListener('change', listen);
    element.setInputs(values);
    element.removeEventListener('change', listen);
    rows.push({ values, outputs });
  }
  return rows;
});

function checkFullAdder(rows) {
  assert.equal(rows.length, 8);
  for (const { values: { a, b, cin }, outputs } of rows) {
    assert.deepEqual(outputs, { sum: a ^ b ^ cin, cout: a + b + cin >= 2 ? 1 : 0 }, JSON.stringify({ a, b, cin }));
  }
}
function checkHalfAdder(rows) {
  assert.equal(rows.length, 4);
  for (const { values: { a, b }, outputs } of rows) assert.deepEqual(outputs, { sum: a ^ b, carry: a & b });
}

test('a .vorn src and the file it imports from a subfolder make a live circuit; the table and drawing match the CLI', async (t) => {
  write('course/full.vorn', fullAdder);
  write('course/parts/half_adder.vorn', halfAdder);
  write('course/adder.html', page('<vorn-circuit id="c" src="full.vorn" truth-table schematic></vorn-circuit>'));
  const { tab, requests, problems, started, close } = await open('course/adder.html');
  await loaded(tab, '#c');
  const ms = Date.now() - started;
  t.diagnostic(`first source-based element live ${ms} ms after navigation (local server)`);
  checkFullAdder(await behaviour(tab, '#c'));
  assert.ok(requests.includes('/pages/course/parts/half_adder.vorn'), requests.join(' '));
  assert.equal(requests.filter((path) => path === '/vorn-compile.wasm').length, 1);

  const files = { 'full.vorn': fullAdder, 'parts/half_adder.vorn': halfAdder };
  const csv = native(files, ['full.vorn', '--truth-table', '--format=csv']);
  assert.equal(csv.status, 0, csv.stderr);
  const shownRows = await tab.locator('#c .vorn-truth-table tr:not(.spacer)').evaluateAll((rows) =>
    rows.map((row) => [...row.cells].map((cell) => cell.textContent).join(',')));
  assert.equal(`${shownRows.join('\n')}\n`, csv.stdout);

  const preview = native(files, ['full.vorn', '--preview', '--color=always']);
  assert.equal(preview.status, 0, preview.stderr);
  assert.match(preview.stdout, /\x1b\[/, 'the drawing has colours to render');
  const drawing = tab.locator('#c pre.vorn-schematic');
  assert.equal(await drawing.textContent(), preview.stdout.replace(/\x1b\[[0-9;]*m/g, ''));
  // Each coloured run is a span: the spans' texts, in order, are the runs
  // between escapes that turn a style on.
  const styled = [...preview.stdout.matchAll(/\x1b\[([0-9;]*)m([^\x1b]*)/g)]
    .filter(([, codes, text]) => text !== '' && codes !== '0' && codes !== '').map(([, , text]) => text);
  const spans = await drawing.locator('span').allTextContents();
  assert.deepEqual(spans.join(''), styled.join(''));
  assert.deepEqual(problems, []);
  await close();
});

test('two inline multi-file circuits share one compiler module', async () => {
  const inline = (id, root, parts) => `<vorn-circuit id="${id}">
${parts.map(([path, text]) => `<script type="text/vorn" data-path="${path}">\n${text}</script>`).join('\n')}
<script type="text/vorn">
${root}</script>
</vorn-circuit>`;
  write('inline.html', page(
    inline('full', fullAdder, [['parts/half_adder.vorn', halfAdder]])
    + inline('half', 'import h "lib/h.vorn"\ninput a, b\nh x(a=a, b=b)\noutput sum(in=x.sum)\noutput carry(in=x.carry)\n',
      [['lib/h.vorn', halfAdder]])));
  const { tab, requests, problems, close } = await open('inline.html');
  await loaded(tab, '#full');
  await loaded(tab, '#half');
  checkFullAdder(await behaviour(tab, '#full'));
  checkHalfAdder(await behaviour(tab, '#half'));
  assert.equal(requests.filter((path) => path === '/vorn-compile.wasm').length, 1);
  assert.equal(requests.filter((path) => path === '/source_worker.mjs').length, 1);
  // The sources stay in the element.
  assert.equal(await tab.locator('#full > script[type="text/vorn"]').count(), 2);
  assert.deepEqual(problems, []);
  await close();
});

test('a source error shows the compiler\'s located lines instead of a circuit', async () => {
  const broken = 'input a\nnot n(in=a)\noutput y(in=m.out)\n';
  const root = 'import b "lib/broken.vorn"\ninput x\nb u(a=x)\noutput z(in=u.y)\n';
  write('error.html', page(`<vorn-circuit id="bad">
<script type="text/vorn" data-path="lib/broken.vorn">
${broken}</script>
<script type="text/vorn" data-path="top.vorn">
${root}</script>
</vorn-circuit>`));
  const expected = native({ 'top.vorn': root, 'lib/broken.vorn': broken }, ['top.vorn', '-o', 'out.wasm']);
  assert.notEqual(expected.status, 0);
  const located = expected.stderr.split('\n').filter((line) => /^[^:\s]+:\d+:\d+: error: /.test(line));
  assert.ok(located.length > 0 && located.every((line) => line.startsWith('lib/broken.vorn:3:')), expected.stderr);

  const { tab, problems, close } = await open('error.html');
  const alert = tab.locator('#bad [role="alert"]');
  await alert.filter({ hasText: 'error' }).waitFor({ timeout: 60000 });
  const shown = (await alert.textContent()).split('\n');
  for (const line of located) assert.ok(shown.includes(line), `${line} not in:\n${shown.join('\n')}`);
  assert.equal(await tab.locator('#bad [data-input]').count(), 0);
  assert.equal(await tab.locator('#bad').evaluate((element) => element.circuit), null);

  // An import that is not on the server is the compiler's to report too.
  const orphan = 'import g "gone/half.vorn"\ninput a, b\ng h(a=a, b=b)\noutput s(in=h.sum)\n';
  write('orphan/top.vorn', orphan);
  const missing = native({ 'top.vorn': orphan }, ['top.vorn', '-o', 'out.wasm']);
  const missingLines = missing.stderr.split('\n').filter((line) => /^[^:\s]+:\d+:\d+: error: /.test(line));
  assert.ok(missingLines.length > 0 && missingLines[0].startsWith('top.vorn:1:'), missing.stderr);
  await tab.evaluate(() => {
    const element = document.createElement('vorn-circuit');
    element.id = 'orphan';
    element.src = 'orphan/top.vorn';
    document.body.append(element);
  });
  const orphanAlert = tab.locator('#orphan [role="alert"]');
  await orphanAlert.filter({ hasText: 'error' }).waitFor({ timeout: 60000 });
  const orphanShown = (await orphanAlert.textContent()).split('\n');
  for (const line of missingLines) assert.ok(orphanShown.includes(line), `${line} not in:\n${orphanShown.join('\n')}`);
  problems.splice(0, problems.length, ...problems.filter((p) => !p.includes('404')));
  assert.deepEqual(problems, []);
  await close();
});

test('a page of .wasm circuits never requests the compiler', async () => {
  const out = native({ 'full.vorn': fullAdder, 'parts/half_adder.vorn': halfAdder }, ['full.vorn', '-o', 'full.wasm']);
  assert.equal(out.status, 0, out.stderr);
  mkdirSync(join(pages, 'wasm'), { recursive: true });
  writeFileSync(join(pages, 'wasm/full.wasm'), readFileSync(join(out.dir, 'full.wasm')));
  write('wasm.html', page('<vorn-circuit id="one" src="wasm/full.wasm"></vorn-circuit><vorn-circuit id="two" src="wasm/full.wasm"></vorn-circuit>'));
  const { tab, requests, problems, close } = await open('wasm.html');
  await loaded(tab, '#one');
  await loaded(tab, '#two');
  checkFullAdder(await behaviour(tab, '#two'));
  assert.ok(requests.includes('/pages/wasm/full.wasm'));
  const compilerParts = requests.filter((path) => /vorn-compile\.wasm|compiler\.mjs|source_worker|browser_wasi_shim/.test(path));
  assert.deepEqual(compilerParts, []);
  assert.deepEqual(problems, []);
  await close();
});

test('the playground\'s page snippet, pasted into a page, is the same live circuit', async () => {
  const context = await browser.newContext();
  const playground = await context.newPage();
  await playground.addInitScript(() => {
    navigator.clipboard.writeText = async (text) => { window.copied = text; };
  });
  await playground.goto(`${server.url}/playground.html`);
  await playground.locator('html[data-ready]').waitFor();
  const project = await playground.evaluate(() => JSON.parse(localStorage.getItem('vorn-playground') ?? 'null'));
  await playground.locator('#copy-snippet').click();
  const snippet = await playground.waitForFunction(() => window.copied).then((handle) => handle.jsonValue());
  await context.close();
  assert.match(snippet, /^<script type="module" src="http:\/\/127\.0\.0\.1:\d+\/vorn\.mjs"><\/script>\n<vorn-circuit>\n/);

  write('snippet.html', `<!doctype html><meta charset="utf-8"><title>t</title><link rel="icon" href="data:,"><body>${snippet}</body>`);
  const { tab, problems, close } = await open('snippet.html');
  await loaded(tab, 'vorn-circuit');
  const files = await tab.locator('vorn-circuit > script[type="text/vorn"]').evaluateAll((scripts) =>
    Object.fromEntries(scripts.map((script) => [script.dataset.path, script.textContent.replace(/^\n/, '')])));
  if (project) {
    assert.deepEqual(Object.keys(files).sort(), Object.keys(project.files).sort());
    for (const [path, text] of Object.entries(project.files)) assert.ok([text, `${text}\n`].includes(files[path]), path);
  }
  const root = Object.keys(files)[0];
  const table = native(files, [root, '--truth-table', '--format=json']);
  assert.equal(table.status, 0, table.stderr);
  const expected = JSON.parse(table.stdout);
  const rows = await behaviour(tab, 'vorn-circuit');
  assert.equal(rows.length, expected.rows.length);
  assert.deepEqual(await tab.locator('vorn-circuit').evaluate((element) => element.circuit.outputs), expected.outputs);
  rows.forEach(({ values, outputs }, i) => {
    assert.deepEqual(expected.inputs.map((name) => values[name]), expected.rows[i].in);
    assert.deepEqual(expected.outputs.map((name) => outputs[name]), expected.rows[i].out);
  });
  assert.deepEqual(problems, []);
  await close();
});

test('inline source added or edited after the element is in the page compiles again', async () => {
  write('dynamic.html', page(''));
  const { tab, problems, close } = await open('dynamic.html');
  await tab.waitForFunction(() => customElements.get('vorn-circuit'));
  await tab.evaluate((source) => {
    const element = document.createElement('vorn-circuit');
    element.id = 'late';
    document.body.append(element);
    element.innerHTML = `<script type="text/vorn">${source}</script>`;
  }, halfAdder);
  await loaded(tab, '#late');
  checkHalfAdder(await behaviour(tab, '#late'));
  // The xor becomes an and: sum now follows the carry.
  await tab.evaluate(() => {
    const script = document.querySelector('#late > script');
    script.textContent = script.textContent.replace('xor s', 'and s');
  });
  await tab.waitForFunction(() => document.querySelector('#late').circuit?.apply({ a: 1, b: 0 }).sum === 0, null, { timeout: 60000 });
  const rows = await behaviour(tab, '#late');
  for (const { values: { a, b }, outputs } of rows) assert.deepEqual(outputs, { sum: a & b, carry: a & b });
  assert.deepEqual(problems, []);
  await close();
});
