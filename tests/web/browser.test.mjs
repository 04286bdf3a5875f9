// The page (web/index.html) and the <vorn-circuit> element in headless
// Chromium from the system, driven by playwright-core and served from
// 127.0.0.1. Run with `node --test`; VORN_COMPILE names the compiler and
// VORN_TEST_OUTPUT the folder that receives the screenshots.
import test, { after, before } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { existsSync, mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { startServer } from './server.mjs';

const here = dirname(fileURLToPath(import.meta.url));
const repo = resolve(here, '../..');
const CHROMIUM = process.env.VORN_CHROMIUM ?? '/usr/bin/chromium';
const compilerPath = process.env.VORN_COMPILE;
const outputDir = process.env.VORN_TEST_OUTPUT ?? join(repo, 'build/web-test-output');

assert.ok(compilerPath, 'set VORN_COMPILE to the vorn-compile executable');
assert.ok(existsSync(CHROMIUM), `${CHROMIUM} is missing: apt-get install chromium (scripts/ensure-tools.sh does)`);
assert.ok(existsSync(join(here, 'node_modules/playwright-core')), 'playwright-core is missing: run npm ci in tests/web');
const { chromium } = await import('playwright-core');

const work = mkdtempSync(join(tmpdir(), 'vorn-browser-'));
const artifacts = join(work, 'artifacts');
mkdirSync(artifacts);
mkdirSync(outputDir, { recursive: true });

function run(args) {
  return spawnSync(compilerPath, args, { encoding: 'utf8', maxBuffer: 1 << 26, stdio: ['ignore', 'pipe', 'pipe'] });
}
writeFileSync(join(work, 'gate.vorn'), 'input a, b\nand g(a=a, b=b)\nnot n(in=g.out)\noutput y(in=g.out)\noutput ny(in=n.out)\n');
// a and not a: when a rises, g pulses high while the inverter catches up.
writeFileSync(join(work, 'pulse.vorn'), 'input a\nnot n(in=a)\nwire w(in=a)\nand g(a=n.out, b=w.out)\noutput o(in=g.out)\n');
for (const source of [join(repo, 'examples/full_adder.vorn'), join(work, 'gate.vorn'), join(work, 'pulse.vorn')]) {
  const result = run([source, '-o', join(artifacts, source.split('/').pop().replace('.vorn', '.wasm'))]);
  assert.equal(result.status, 0, result.stderr);
}
writeFileSync(join(artifacts, 'notes.wasm'), 'input a\noutput y(in=a)\n');
const runtimeOnly = readFileSync(join(dirname(compilerPath), 'vorn-runtime.wasm'));
const cli = (format) => run([join(repo, 'examples/full_adder.vorn'), '--truth-table', `--format=${format}`]).stdout;

// The full adder's outputs, computed independently of any simulator.
const adder = (a, b, cin) => ({ sum: (a + b + cin) & 1, cout: (a + b + cin) >> 1 });
const ROWS = [...Array(8).keys()].map((row) => ({ a: row & 1, b: (row >> 1) & 1, cin: (row >> 2) & 1 }));

let server;
let context;
before(async () => {
  server = await startServer({ '/': join(repo, 'web'), '/artifacts/': artifacts, '/fixtures/': join(here, 'fixtures') });
  // A fresh profile each run; the network is closed, so nothing may phone home.
  context = await chromium.launchPersistentContext(join(work, 'profile'), {
    executablePath: CHROMIUM,
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync'],
    viewport: { width: 1000, height: 900 },
  });
  await context.grantPermissions(['clipboard-read', 'clipboard-write'], { origin: server.url });
});
after(async () => {
  await context?.close();
  await server?.close();
  rmSync(work, { recursive: true, force: true });
});

// A page that records console errors, warnings and uncaught exceptions.
async function open(path) {
  const page = await context.newPage();
  const problems = [];
  page.on('console', (message) => {
    if (['error', 'warning'].includes(message.type())) problems.push(`${message.type()}: ${message.text()}`);
  });
  page.on('pageerror', (error) => problems.push(`exception: ${error.message}`));
  await page.goto(`${server.url}${path}`);
  return { page, problems };
}

async function lampStates(page, root) {
  return page.locator(`${root} [data-output]`).evaluateAll((lamps) =>
    Object.fromEntries(lamps.map((lamp) => [lamp.dataset.output, lamp.dataset.state])));
}

// Walks the full adder through all eight rows, flipping only the inputs
// that change, by mouse or by keyboard, and checks every lamp and button.
async function driveEveryRow(page, root, how) {
  await page.locator(`${root} [data-output="sum"][data-state="0"]`).waitFor();
  const current = { a: 0, b: 0, cin: 0 };
  for (const row of ROWS) {
    for (const name of ['a', 'b', 'cin']) {
      if (row[name] === current[name]) continue;
      const button = page.locator(`${root} button[data-input="${name}"]`);
      if (how === 'click') await button.click();
      else {
        await button.focus();
        await page.keyboard.press(row.a ? 'Space' : 'Enter');
      }
      current[name] = row[name];
    }
    const expected = adder(row.a, row.b, row.cin);
    const label = `${how} a=${row.a} b=${row.b} cin=${row.cin}`;
    assert.deepEqual(await lampStates(page, root), { sum: String(expected.sum), cout: String(expected.cout) }, label);
    for (const name of ['a', 'b', 'cin']) {
      const button = page.locator(`${root} button[data-input="${name}"]`);
      assert.equal(await button.getAttribute('data-state'), String(row[name]), label);
      assert.equal(await button.getAttribute('aria-pressed'), row[name] ? 'true' : 'false', label);
    }
  }
}

test('the page: every row by clicking, the truth table, copying, the trace', async () => {
  const { page, problems } = await open('/?src=/artifacts/full_adder.wasm');
  await page.evaluate(() => {
    window.changes = [];
    document.getElementById('circuit').addEventListener('change', (event) => window.changes.push(event.detail));
  });
  await driveEveryRow(page, '#circuit', 'click');
  const last = await page.evaluate(() => window.changes.at(-1));
  assert.deepEqual(last.outputs, { sum: 1, cout: 1 });
  assert.equal(last.settled, true);
  assert.equal(await page.getByRole('button', { name: 'input cin' }).count(), 1, 'inputs have accessible names');

  // The table as shown, and both copies, against the compiler's own output.
  const json = JSON.parse(cli('json'));
  await page.locator('#truth-table tbody tr').nth(7).waitFor();
  const shown = await page.locator('#truth-table tr').evaluateAll((rows) =>
    rows.map((row) => [...row.cells].map((cell) => cell.textContent)));
  assert.deepEqual(shown, [[...json.inputs, ...json.outputs],
    ...json.rows.map((row) => [...row.in, ...row.out].map((value) => (value === null ? '?' : String(value))))]);
  await page.getByRole('button', { name: 'Copy as CSV' }).click();
  await page.getByText('Copied 8 rows as CSV.').waitFor();
  assert.equal(await page.evaluate(() => navigator.clipboard.readText()), cli('csv'));
  await page.getByRole('button', { name: 'Copy as Markdown' }).click();
  await page.getByText('Copied 8 rows as Markdown.').waitFor();
  assert.equal(await page.evaluate(() => navigator.clipboard.readText()), cli('markdown'));

  await page.getByLabel("Show the simulator's trace of the last change").check();
  await page.locator('button[data-input="a"]').click();
  const trace = await page.locator('#trace').textContent();
  // Named changes of the last change: a falls, then h1's xor and c's or follow.
  assert.match(trace, /^a \(input\) -> low @ \d+$/m);
  assert.match(trace, /^h1\.s\.\S+ \(\w+\) -> (low|high) @ \d+$/m);
  assert.match(trace, /^sum \(output\) -> (low|high) @ \d+$/m);
  assert.ok(await page.locator('#circuit svg.vorn-timing-diagram g.vorn-lane[data-signal="sum"]').count(), 'the diagram is under the circuit');
  await page.screenshot({ path: join(outputDir, 'page.png'), fullPage: true });

  // Readable on a phone: nothing wider than the screen.
  await page.setViewportSize({ width: 390, height: 844 });
  assert.ok(await page.evaluate(() => document.documentElement.scrollWidth <= window.innerWidth), 'no sideways scrolling');
  await page.screenshot({ path: join(outputDir, 'page-phone.png'), fullPage: true });
  assert.deepEqual(problems, []);
  await page.close();
});

test('the element embedded in a page: keyboard, change events, reload on src', async () => {
  const { page, problems } = await open('/fixtures/embed.html');
  await driveEveryRow(page, 'vorn-circuit', 'keyboard');
  await page.locator('vorn-circuit').evaluate((element) => { element.src = '/artifacts/gate.wasm'; });
  await page.locator('vorn-circuit [data-output="ny"]').waitFor();
  assert.deepEqual(await page.locator('vorn-circuit [data-input]').evaluateAll((b) => b.map((x) => x.dataset.input)), ['a', 'b']);
  await page.locator('vorn-circuit button[data-input="a"]').click();
  await page.locator('vorn-circuit button[data-input="b"]').click();
  assert.deepEqual(await lampStates(page, 'vorn-circuit'), { y: '1', ny: '0' });
  assert.deepEqual(problems, []);
  await page.close();
});

test('the element with timing: the pulse on g in the diagram and in its list', async () => {
  const { page, problems } = await open('/fixtures/embed.html');
  await page.locator('vorn-circuit').evaluate((element) => {
    element.setAttribute('timing', '');
    element.src = '/artifacts/pulse.wasm';
  });
  await page.locator('vorn-circuit [data-output="o"][data-state="0"]').waitFor();
  await page.locator('vorn-circuit button[data-input="a"]').click();
  await page.locator('vorn-circuit [data-input="a"][data-state="1"]').waitFor();
  const lanes = await page.locator('vorn-circuit svg.vorn-timing-diagram g.vorn-lane').evaluateAll((groups) =>
    groups.map((g) => ({ signal: g.dataset.signal, name: g.querySelector('text').textContent,
      wave: g.querySelector('path.vorn-wave').getAttribute('d') })));
  // Pins first, then the internal signals that changed, in order of change.
  assert.deepEqual(lanes.map((lane) => lane.signal), ['a', 'o', 'w', 'n', 'g']);
  // g: low, up, down again; a: low then up for good; o follows g's pulse.
  const levels = (wave) => [...wave.matchAll(/(?:M[\d.]+ |V)([\d.]+)/g)].map((m) => Number(m[1]));
  const g = lanes.find((lane) => lane.signal === 'g');
  assert.deepEqual(levels(g.wave), [18, 4, 18], `g pulses: ${g.wave}`);
  assert.deepEqual(levels(lanes[0].wave), [18, 4]);
  assert.deepEqual(levels(lanes[1].wave), [18, 4, 18]);
  // The pulse's edges sit at the times the changes list gives, left to right.
  const ticks = await page.locator('vorn-circuit g.vorn-axis text').allTextContents();
  assert.deepEqual(ticks, ['20', '21', '25', '26', '27', '30', '31']);
  const changes = await page.locator('vorn-circuit ol.vorn-timing-changes li').allTextContents();
  assert.deepEqual(changes, ['a -> high @ 20', 'w -> high @ 21', 'n -> low @ 25', 'g -> high @ 26', 'o -> high @ 27',
    'g -> low @ 30', 'o -> low @ 31']);
  const edges = [...g.wave.matchAll(/H([\d.]+)/g)].map((m) => Number(m[1]));
  const tickX = await page.locator('vorn-circuit g.vorn-axis text').evaluateAll((texts) =>
    Object.fromEntries(texts.map((t) => [t.textContent, Number(t.getAttribute('x'))])));
  assert.deepEqual(edges.slice(0, 2), [tickX['26'], tickX['30']]);
  assert.ok(await page.locator('vorn-circuit svg.vorn-timing-diagram').getAttribute('aria-label'));
  assert.deepEqual(problems, []);
  await page.close();
});

test('files that are not circuits: the reason in an alert, by address, picker and drop', async () => {
  const { page, problems } = await open('/?src=/artifacts/notes.wasm');
  const alert = page.locator('#circuit [role="alert"]');
  await assert.doesNotReject(alert.filter({ hasText: 'not a compiled circuit: the file is not a WebAssembly module' }).waitFor());
  assert.equal(await page.locator('#table-section').isHidden(), true);
  await page.screenshot({ path: join(outputDir, 'page-bad-file.png') });

  await page.locator('#file').setInputFiles({ name: 'runtime.wasm', mimeType: 'application/wasm', buffer: runtimeOnly });
  await alert.filter({ hasText: 'not a compiled circuit: the module has no "vorn.topology.v0.min" section' }).waitFor();

  // A good file by picker, then by drop, each replaces what was shown.
  await page.locator('#file').setInputFiles(join(artifacts, 'gate.wasm'));
  await page.locator('#circuit [data-output="ny"][data-state="1"]').waitFor();
  assert.equal(await alert.textContent(), '');
  await page.evaluate(async () => {
    const bytes = await (await fetch('/artifacts/full_adder.wasm')).arrayBuffer();
    const transfer = new DataTransfer();
    transfer.items.add(new File([bytes], 'dropped.wasm', { type: 'application/wasm' }));
    document.body.dispatchEvent(new DragEvent('drop', { dataTransfer: transfer, bubbles: true, cancelable: true }));
  });
  await page.locator('#circuit [data-output="cout"]').waitFor();
  assert.equal(await page.locator('#circuit-name').textContent(), '(dropped.wasm)');
  assert.deepEqual(problems, []);
  await page.close();
});

// A table picked, then one dropped, beside the loaded full adder: every row
// marked by the compiler's own verdict; a malformed one shows its error line.
test('the page: test tables picked or dropped beside a circuit', async () => {
  const { page, problems } = await open('/?src=/artifacts/full_adder.wasm');
  await page.locator('#circuit [data-output="sum"]').waitFor();
  const header = 'cin,a,b,sum,cout';
  const rows = ROWS.map((row) => {
    const { sum, cout } = adder(row.a, row.b, row.cin);
    return [row.cin, row.a, row.b, sum, cout];
  });
  rows[5][3] ^= 1;  // one wrong sum
  rows[6][4] = '*';
  const csv = `${header}\n${rows.map((row) => row.join(',')).join('\n')}\n`;
  writeFileSync(join(work, 'expected.csv'), csv);
  const cliReport = JSON.parse(run([join(repo, 'examples/full_adder.vorn'), '--test', join(work, 'expected.csv'), '--format=json']).stdout);

  await page.locator('#test-file').setInputFiles({ name: 'expected.csv', mimeType: 'text/csv', buffer: Buffer.from(csv) });
  await page.getByText('expected.csv: 7 of 8 rows passed.').waitFor();
  const marked = () => page.locator('#test-rows tbody tr').evaluateAll((trs) =>
    trs.map((tr) => [Number(tr.dataset.line), tr.className, tr.cells[tr.cells.length - 1].textContent]));
  assert.deepEqual(await marked(), cliReport.rows.map((row) => [row.line, row.ok ? 'passed' : 'failed',
    row.ok ? 'passed' : `failed: ${row.reason}`]));
  assert.equal(cliReport.failed, 1);
  await page.screenshot({ path: join(outputDir, 'page-test-table.png'), fullPage: true });

  // Dropped: a Markdown table of the same rows, all right this time.
  const markdown = `| a | b | cin | cout |\n|---|---|---|---|\n${ROWS.map((row) =>
    `| ${row.a} | ${row.b} | ${row.cin} | ${adder(row.a, row.b, row.cin).cout} |`).join('\n')}\n`;
  const drop = (name, text) => page.evaluate(([fileName, content]) => {
    const transfer = new DataTransfer();
    transfer.items.add(new File([content], fileName, { type: 'text/plain' }));
    document.body.dispatchEvent(new DragEvent('drop', { dataTransfer: transfer, bubbles: true, cancelable: true }));
  }, [name, text]);
  await drop('dropped.md', markdown);
  await page.getByText('dropped.md: 8 of 8 rows passed.').waitFor();
  assert.deepEqual((await marked()).map(([, result]) => result), Array(8).fill('passed'));

  await drop('broken.csv', 'a,b,sum\n0,0,0\n');
  await page.locator('#test-note').filter({ hasText: "broken.csv:1:1: error: missing input column 'cin'" }).waitFor();
  assert.equal(await page.locator('#test-scroll').isHidden(), true);
  assert.equal(await page.locator('#circuit [data-output="sum"]').count(), 1, 'the circuit stays');
  assert.deepEqual(problems, []);
  await page.close();
});
