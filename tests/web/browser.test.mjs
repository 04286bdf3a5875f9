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
import { assertLabelsApart, axeFindings } from './page_checks.mjs';
import { startServer } from './server.mjs';

const here = dirname(fileURLToPath(import.meta.url));
const repo = resolve(here, '../..');
const CHROMIUM = process.env.VORN_CHROMIUM ?? '/usr/bin/chromium';
const compilerPath = process.env.VORN_COMPILE;
const outputDir = process.env.VORN_TEST_OUTPUT ?? join(repo, 'build/web-test-output');
const webBuild = process.env.VORN_WEB_BUILD;

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
// A 4-bit adder (nine inputs, 512 rows) from the examples' adders.
mkdirSync(join(work, 'parts'));
for (const name of ['full_adder.vorn', 'half_adder.vorn']) writeFileSync(join(work, 'parts', name), readFileSync(join(repo, 'examples', name)));
writeFileSync(join(work, 'adder4.vorn'), readFileSync(join(repo, 'web/playground-src/adder4.vorn')));
const names = (count) => [...Array(count).keys()].map((i) => `i${i}`).join(', ');
writeFileSync(join(work, 'wide16.vorn'), `input ${names(16)}\nand g(a=i0, b=i15)\nnot n(in=i7)\noutput y(in=g.out)\noutput ny(in=n.out)\n`);
writeFileSync(join(work, 'wide20.vorn'), `input ${names(20)}\nand g(a=i0, b=i19)\noutput y(in=g.out)\n`);
writeFileSync(join(work, 'ring.vorn'), 'input en\nand g(a=en, b=n.out)\nnot n(in=g.out)\noutput y(in=n.out)\n');
for (const source of [join(repo, 'examples/full_adder.vorn'), join(work, 'gate.vorn'), join(work, 'adder4.vorn'),
  join(work, 'wide16.vorn'), join(work, 'wide20.vorn'), join(work, 'ring.vorn'), join(work, 'pulse.vorn')]) {
  const result = run([source, '-o', join(artifacts, source.split('/').pop().replace('.vorn', '.wasm'))]);
  assert.equal(result.status, 0, result.stderr);
}
writeFileSync(join(artifacts, 'notes.wasm'), 'input a\noutput y(in=a)\n');
const runtimeOnly = readFileSync(join(dirname(compilerPath), 'vorn-runtime.wasm'));
const cli = (format, source = join(repo, 'examples/full_adder.vorn')) => run([source, '--truth-table', `--format=${format}`]).stdout;

// The full adder's outputs, computed independently of any simulator.
const adder = (a, b, cin) => ({ sum: (a + b + cin) & 1, cout: (a + b + cin) >> 1 });
const ROWS = [...Array(8).keys()].map((row) => ({ a: row & 1, b: (row >> 1) & 1, cin: (row >> 2) & 1 }));

let server;
let context;
before(async () => {
  const mounts = { '/': join(repo, 'web'), '/artifacts/': artifacts, '/fixtures/': join(here, 'fixtures') };
  // The examples as the build compiles them for the page.
  if (webBuild) mounts['/examples/'] = join(webBuild, 'examples');
  // The schematic's layout worker, which the build copies from web/node_modules.
  if (webBuild) mounts['/vendor/'] = join(webBuild, 'vendor');
  server = await startServer(mounts);
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
  assert.equal(await page.getByRole('button', { name: 'cin 1', exact: true }).count(), 1, 'inputs are named by their text');

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
  for (const name of ['a', 'b', 'cin', 'a', 'b']) await page.locator(`button[data-input="${name}"]`).click();
  assert.ok(await assertLabelsApart(page, '#circuit g.vorn-axis text') >= 2, 'time labels apart');
  await assertLabelsApart(page, '#circuit g.vorn-toggles text');
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
  const drawn = () => page.locator('vorn-circuit svg.vorn-timing-diagram g.vorn-lane').evaluateAll((groups) =>
    groups.map((g) => ({ signal: g.dataset.signal, wave: g.querySelector('path.vorn-wave').getAttribute('d') })));
  // The pins alone, until the circuit's other signals are opened.
  assert.deepEqual((await drawn()).map((lane) => lane.signal), ['a', 'o']);
  const group = page.locator('vorn-circuit button[data-instance=""]');
  assert.equal(await group.textContent(), '▸ other top-level signals (3)');
  assert.equal(await group.getAttribute('aria-expanded'), 'false');
  await group.click();
  assert.equal(await group.getAttribute('aria-expanded'), 'true');
  const lanes = await drawn();
  // Pins first, then the other signals, in order of first change.
  assert.deepEqual(lanes.map((lane) => lane.signal).slice(0, 2), ['a', 'o']);
  assert.deepEqual(lanes.map((lane) => lane.signal).slice(2).sort(), ['g', 'n', 'w']);
  assert.deepEqual(await page.locator('vorn-circuit .vorn-timing-names li').allTextContents(),
    ['a', 'o', '▾ other top-level signals (3)', ...lanes.slice(2).map((lane) => lane.signal)]);
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

// WCAG contrast of two computed CSS colours (rgb()/rgba(), opaque).
function contrast(a, b) {
  const luminance = (css) => {
    const [r, g, bl] = css.match(/[\d.]+/g).slice(0, 3).map((v) => Number(v) / 255)
      .map((c) => (c <= 0.03928 ? c / 12.92 : ((c + 0.055) / 1.055) ** 2.4));
    return 0.2126 * r + 0.7152 * g + 0.0722 * bl;
  };
  const [hi, lo] = [luminance(a), luminance(b)].sort((x, y) => y - x);
  return (hi + 0.05) / (lo + 0.05);
}

// The table rows in the document, as { row: cells }.
async function rowsShown(page) {
  return page.locator('#truth-table tbody tr[data-row]').evaluateAll((rows) =>
    Object.fromEntries(rows.map((row) => [row.dataset.row, [...row.cells].map((cell) => cell.textContent)])));
}

test('the table tied to the circuit: every row reachable, the current row marked and clickable, outputs in sight', async () => {
  const { page, problems } = await open('/?src=/artifacts/adder4.wasm');
  const json = JSON.parse(cli('json', join(work, 'adder4.vorn')));
  const expected = (row) => [...json.rows[row].in, ...json.rows[row].out].map(String);
  await page.locator('#truth-table tbody tr[data-row="0"][aria-current="true"]').waitFor();
  assert.equal(await page.locator('#table-note').textContent(),
    '512 rows, first input as the least significant bit. An output that never became defined shows as ?.');
  assert.equal(await page.locator('#truth-table').getAttribute('aria-rowcount'), '513');

  // Scrolled to the end, the last cin=1 rows are there, as the compiler has them.
  const box = page.locator('#table-box');
  await box.evaluate((el) => { el.scrollTop = el.scrollHeight; });
  await page.locator('#truth-table tbody tr[data-row="511"]').waitFor();
  const end = await rowsShown(page);
  for (const row of [509, 510, 511]) assert.deepEqual(end[row], expected(row), `row ${row}`);
  assert.equal(await page.locator('#truth-table tbody tr[data-row="511"]').getAttribute('aria-rowindex'), '513');

  // Flipping cin moves the mark to row 256 and scrolls it into view.
  await box.evaluate((el) => { el.scrollTop = 0; });
  await page.locator('#circuit button[data-input="cin"]').click();
  const marked = page.locator('#truth-table tbody tr[aria-current="true"]');
  await page.locator('#truth-table tbody tr[data-row="256"][aria-current="true"]').waitFor();
  assert.equal(await marked.count(), 1);
  const [rowBox, viewBox] = [await marked.boundingBox(), await box.boundingBox()];
  assert.ok(rowBox.y >= viewBox.y && rowBox.y + rowBox.height <= viewBox.y + viewBox.height + 1, 'the marked row is in view');
  const background = (locator) => locator.evaluate((el) => getComputedStyle(el.cells[0]).backgroundColor);
  assert.notEqual(await background(marked), await background(page.locator('#truth-table tbody tr[data-row="257"]')),
    'the marked row is highlighted');

  // Clicking a row sets the inputs to it; the lamps agree with the compiler.
  await page.locator('#truth-table tbody tr[data-row="262"]').click();
  await page.locator('#truth-table tbody tr[data-row="262"][aria-current="true"]').waitFor();
  const states = await page.locator('#circuit [data-input], #circuit [data-output]').evaluateAll((pins) =>
    pins.map((pin) => pin.dataset.state));
  assert.deepEqual(states, expected(262));
  // With the trace shown (long enough to scroll), nothing serious for axe.
  await page.getByLabel("Show the simulator's trace of the last change").check();
  await page.locator('#circuit button[data-input="a0"]').click();
  await page.locator('#truth-table tbody tr[data-row="263"][aria-current="true"]').waitFor();
  assert.ok(await page.locator('#trace').evaluate((el) => el.scrollHeight > el.clientHeight), 'the trace scrolls');
  assert.deepEqual(await axeFindings(page), []);
  await page.setViewportSize({ width: 1280, height: 800 });
  await page.screenshot({ path: join(outputDir, 'page-table.png'), fullPage: true });

  // On a phone the outputs stay on screen, stuck to the box's right edge.
  await page.setViewportSize({ width: 390, height: 844 });
  await box.scrollIntoViewIfNeeded();
  // Each output header in sight, side by side without overlapping, over its own cells.
  const heads = [];
  for (const name of json.outputs) {
    const cell = await page.locator('#truth-table th', { hasText: new RegExp(`^${name}$`) }).boundingBox();
    assert.ok(cell.x >= 0 && cell.x + cell.width <= 390, `${name} at ${cell.x}..${cell.x + cell.width}`);
    heads.push(cell);
  }
  heads.slice(1).forEach((cell, i) => assert.ok(cell.x >= heads[i].x + heads[i].width - 1, `${json.outputs[i + 1]} overlaps`));
  const cells = await page.locator('#truth-table tbody tr[aria-current="true"] td.output').evaluateAll((all) =>
    all.map((td) => td.getBoundingClientRect().x));
  cells.forEach((x, i) => assert.ok(Math.abs(x - heads[i].x) < 2, `${json.outputs[i]} cells under their header`));
  assert.ok(await page.evaluate(() => document.documentElement.scrollWidth <= window.innerWidth), 'no sideways scrolling');
  await page.screenshot({ path: join(outputDir, 'page-table-phone.png') });
  assert.deepEqual(problems, []);
  await page.close();
});

test('65,536 rows: a few in the document, the last one reachable, Markdown copied without freezing the page', async () => {
  const { page, problems } = await open('/?src=/artifacts/wide16.wasm');
  await page.locator('#truth-table tbody tr[data-row="0"]').waitFor({ timeout: 60000 });
  assert.ok(await page.locator('#truth-table tbody tr').count() < 200, 'only rows in sight are drawn');
  await page.locator('#table-box').evaluate((el) => { el.scrollTop = el.scrollHeight; });
  await page.locator('#truth-table tbody tr[data-row="65535"]').waitFor();
  assert.deepEqual((await rowsShown(page))[65535], [...Array(16).fill('1'), '1', '0']);

  // The longest task on the page's thread while copying.
  await page.evaluate(() => {
    window.statuses = [];
    new MutationObserver(() => window.statuses.push(document.getElementById('copy-status').textContent))
      .observe(document.getElementById('copy-status'), { childList: true, characterData: true, subtree: true });
    window.longest = 0;
    new PerformanceObserver((list) => {
      for (const entry of list.getEntries()) window.longest = Math.max(window.longest, entry.duration);
    }).observe({ type: 'longtask' });
  });
  await page.getByRole('button', { name: 'Copy as Markdown' }).click();
  await page.getByText('Copied 65,536 rows as Markdown.').waitFor({ timeout: 30000 });
  const longest = await page.evaluate(() => window.longest);
  assert.deepEqual(await page.evaluate(() => window.statuses),
    ['Copying 65,536 rows as Markdown…', 'Copied 65,536 rows as Markdown.'], 'the status shows while it works');
  assert.ok(longest < 1000, `the page froze for ${longest} ms`);
  assert.equal(await page.evaluate(() => navigator.clipboard.readText()), cli('markdown', join(work, 'wide16.vorn')));
  assert.deepEqual(problems, []);
  await page.close();
});

test('no table: the note alone, no empty box or copy buttons to tab to', async () => {
  const { page, problems } = await open('/?src=/artifacts/wide20.wasm');
  await page.getByText('No truth table: the circuit has 20 inputs, more than 16.').waitFor();
  for (const selector of ['#table-box', '#copy-csv', '#copy-markdown']) {
    assert.equal(await page.locator(selector).isVisible(), false, selector);
  }
  // Tab through the whole page: nothing focused is invisible.
  const hidden = [];
  for (let i = 0; i < 30; i++) {
    await page.keyboard.press('Tab');
    const seen = await page.evaluate(() => {
      const el = document.activeElement;
      const box = el.getBoundingClientRect();
      return el === document.body ? null : { id: el.id || el.textContent, visible: box.width > 4 && box.height > 4 };
    });
    if (seen && !seen.visible) hidden.push(seen.id);
  }
  assert.deepEqual(hidden, []);
  assert.deepEqual(problems, []);
  await page.close();
});

test('a course page: lamps announced, oscillation shown and announced, reset, focus ring contrast, axe', async () => {
  const { page, problems } = await open('/fixtures/course.html');
  await page.setViewportSize({ width: 1280, height: 800 });
  const adder = page.locator('#adder');
  const ring = page.locator('#ring');
  await adder.locator('[data-output="sum"][data-state="0"]').waitFor();
  await ring.locator('[data-output="y"][data-state="1"]').waitFor();
  assert.equal(await ring.getAttribute('data-settled'), 'true');

  // Buttons are named by what they show; each lamp is a live region saying "sum: 1".
  await adder.getByRole('button', { name: 'a 0', exact: true }).click();
  assert.equal(await adder.getByRole('button', { name: 'a 1', exact: true }).getAttribute('aria-pressed'), 'true');
  const lamps = await adder.locator('[data-output]').evaluateAll((all) =>
    all.map((lamp) => [lamp.textContent, lamp.getAttribute('aria-live'), lamp.getAttribute('aria-atomic')]));
  assert.deepEqual(lamps, [['sum: 1', 'polite', 'true'], ['cout: 0', 'polite', 'true']]);

  // The focus ring stands out from the page and from the pressed button beside it.
  await adder.getByRole('button', { name: 'a 1', exact: true }).focus();
  await page.keyboard.press('Tab');
  const colours = await page.evaluate(() => {
    const focused = document.activeElement;
    const pressed = document.querySelector('#adder [data-input="a"]');
    // The first opaque background up from the body; the canvas is white.
    const opaque = [document.body, document.documentElement].map((el) => getComputedStyle(el).backgroundColor)
      .find((colour) => !/^rgba\(.*, 0\)$|transparent/.test(colour)) ?? 'rgb(255, 255, 255)';
    return { ring: getComputedStyle(focused).outlineColor, page: opaque,
      pressed: getComputedStyle(pressed).backgroundColor, name: focused.dataset.input };
  });
  assert.equal(colours.name, 'b');
  assert.ok(contrast(colours.ring, colours.page) >= 3, `ring on the page: ${contrast(colours.ring, colours.page)}`);
  assert.ok(contrast(colours.ring, colours.pressed) >= 3, `ring by a pressed button: ${contrast(colours.ring, colours.pressed)}`);

  // The reset button, from the attribute, brings every input low.
  await adder.getByRole('button', { name: 'b 0', exact: true }).click();
  await adder.getByRole('button', { name: 'Reset' }).click();
  assert.deepEqual(await adder.locator('[data-input]').evaluateAll((b) => b.map((x) => x.dataset.state)), ['0', '0', '0']);
  assert.deepEqual(await lampStates(page, '#adder'), { sum: '0', cout: '0' });
  assert.equal(await ring.getByRole('button', { name: 'Reset' }).count(), 0, 'no reset button without the attribute');

  // The ring oscillates: said in a styled alert, and the lamp looks unsettled.
  const lampLook = () => ring.locator('[data-output="y"]').evaluate((lamp) => {
    const style = getComputedStyle(lamp, '::before');
    return `${style.backgroundImage} ${style.animationName}`;
  });
  const settledLook = await lampLook();
  await ring.getByRole('button', { name: 'en 0', exact: true }).click();
  assert.equal(await ring.getAttribute('data-settled'), 'false');
  const warning = ring.getByRole('alert').filter({ hasText: 'did not settle' });
  assert.equal(await warning.count(), 1);
  assert.notEqual(await warning.evaluate((el) => getComputedStyle(el).borderLeftStyle), 'none', 'the warning is styled');
  assert.notEqual(await lampLook(), settledLook, 'an oscillating lamp looks different');
  assert.equal(await ring.locator('[data-output="y"]').textContent(), 'y: oscillating');
  await page.screenshot({ path: join(outputDir, 'course.png'), fullPage: true });
  assert.deepEqual(await axeFindings(page), []);

  // reset() from a script settles the ring again.
  await ring.evaluate((element) => element.reset());
  assert.equal(await ring.getAttribute('data-settled'), 'true');
  assert.equal(await warning.count(), 0);
  assert.deepEqual(await lampStates(page, '#ring'), { y: '1' });
  await page.setViewportSize({ width: 390, height: 844 });
  await page.screenshot({ path: join(outputDir, 'course-phone.png'), fullPage: true });
  assert.deepEqual(problems, []);
  await page.close();
});

test('a first-time user: examples, the compile command, drops explained, address and picker in step', async () => {
  const { page, problems } = await open('/');
  await page.setViewportSize({ width: 1280, height: 800 });
  await page.getByText('vorn-compile circuit.vorn -o circuit.wasm').waitFor();
  await page.screenshot({ path: join(outputDir, 'page-start.png') });
  await page.setViewportSize({ width: 390, height: 844 });
  await page.screenshot({ path: join(outputDir, 'page-start-phone.png') });
  await page.setViewportSize({ width: 1280, height: 800 });
  if (webBuild) {
    await page.getByRole('link', { name: 'full adder' }).click();
    await page.locator('#circuit [data-output="cout"][data-state="0"]').waitFor();
    assert.equal(new URL(page.url()).search, '?src=examples/full_adder.wasm');
    assert.equal(await page.locator('#start').isVisible(), false, 'the start help gives way to the circuit');
    // The half adder, a lone file of built-in gates, is compiled by the build too.
    await page.goto(new URL('/', page.url()).href);
    await page.getByRole('link', { name: 'half adder' }).click();
    await page.locator('#circuit [data-output="carry"][data-state="0"]').waitFor();
  }

  // Dragging files over the page: the cue covers the whole window.
  await page.evaluate(() => {
    const transfer = new DataTransfer();
    transfer.items.add(new File(['x'], 'x.wasm'));
    document.documentElement.dispatchEvent(new DragEvent('dragover', { dataTransfer: transfer, bubbles: true, cancelable: true }));
  });
  const cue = await page.locator('#drop-cue').boundingBox();
  assert.deepEqual(cue && [cue.x, cue.y, cue.width, cue.height], [0, 0, 1280, 800]);

  const drop = (name, bytes) => page.evaluate(([name, bytes]) => {
    const transfer = new DataTransfer();
    transfer.items.add(new File([new Uint8Array(bytes)], name));
    document.documentElement.dispatchEvent(new DragEvent('drop', { dataTransfer: transfer, bubbles: true, cancelable: true }));
  }, [name, [...bytes]]);

  // A dropped source file: what it is, the command, and the playground.
  const source = readFileSync(join(work, 'gate.vorn'));
  await drop('gate.vorn', source);
  const alert = page.locator('#page-alert');
  await alert.getByRole('link', { name: 'open it in the playground' }).waitFor();
  assert.match(await alert.textContent(), /^gate\.vorn is source text, not a compiled circuit\. Compile it with vorn-compile gate\.vorn -o gate\.wasm and open gate\.wasm here, or open it in the playground\.$/);
  await page.screenshot({ path: join(outputDir, 'page-source-dropped.png') });
  const href = new URL(await alert.getByRole('link').getAttribute('href'));
  assert.equal(href.pathname, '/playground.html');
  const { inflateRawSync } = await import('node:zlib');
  const project = JSON.parse(inflateRawSync(Buffer.from(href.hash.replace('#project=', ''), 'base64url')).toString());
  assert.deepEqual(project, { v: 1, files: { 'gate.vorn': source.toString() }, root: 'gate.vorn', active: 'gate.vorn' });

  // A file cut short: the plain reason, the engine's words behind Details.
  const whole = readFileSync(join(artifacts, 'full_adder.wasm'));
  await drop('cut.wasm', whole.subarray(0, whole.length >> 1));
  const reason = page.locator('#circuit [role="alert"]');
  await reason.filter({ hasText: 'not a compiled circuit: the file is incomplete or damaged; compile it again' }).waitFor();
  await page.locator('#circuit details summary', { hasText: 'Details' }).click();
  assert.match(await page.locator('#circuit details').textContent(), /WebAssembly module is invalid \(.+\)/);
  await page.screenshot({ path: join(outputDir, 'page-damaged.png') });

  // The picker names the dropped file; picking clears an address's ?src=.
  await page.goto(`${server.url}/?src=/artifacts/gate.wasm`);
  await page.locator('#circuit [data-output="ny"]').waitFor();
  await drop('dropped.wasm', whole);
  await page.locator('#circuit [data-output="cout"]').waitFor();
  assert.equal(await page.locator('#file').evaluate((input) => input.files[0]?.name), 'dropped.wasm');
  assert.equal(new URL(page.url()).search, '', 'a reload does not bring back the old circuit');
  await page.goto(`${server.url}/?src=/artifacts/gate.wasm`);
  await page.locator('#circuit [data-output="ny"]').waitFor();
  await page.locator('#file').setInputFiles(join(artifacts, 'full_adder.wasm'));
  await page.locator('#circuit [data-output="cout"]').waitFor();
  assert.equal(new URL(page.url()).search, '');
  assert.deepEqual(problems, []);
  await page.close();

  // Opened as a file, the page says it must be served and how.
  const local = await context.newPage();
  await local.goto(`file://${join(repo, 'web/index.html')}`);
  assert.match(await local.locator('#served-notice').innerText(), /must be served.*python3 -m http\.server 8000/s);
  await local.close();
});
