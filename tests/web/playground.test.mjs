// The playground (web/playground.html) in headless Chromium from the system:
// the web folder as the build lays it out (VORN_WEB_BUILD: the page files,
// the bundled scripts and the compiler module), served from 127.0.0.1. What the page says
// about a source is checked against the native compiler (VORN_COMPILE) and
// against truth tables computed here.
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
const outputDir = process.env.VORN_TEST_OUTPUT ?? join(repo, 'build/web-test-output');

assert.ok(compilerPath, 'set VORN_COMPILE to the vorn-compile executable');
assert.ok(webBuild && existsSync(join(webBuild, 'playground.js')), 'set VORN_WEB_BUILD to the folder the build writes playground.js into');
assert.ok(existsSync(CHROMIUM), `${CHROMIUM} is missing: apt-get install chromium (scripts/ensure-tools.sh does)`);
const { chromium } = await import('playwright-core');

const work = mkdtempSync(join(tmpdir(), 'vorn-playground-'));
mkdirSync(outputDir, { recursive: true });

// The native compiler's output file for one source file and arguments.
function nativeOutput(name, text, args, output) {
  const dir = mkdtempSync(join(work, 'native-'));
  writeFileSync(join(dir, name), text);
  const result = spawnSync(compilerPath, [name, ...args, '-o', output], { cwd: dir, encoding: 'utf8' });
  assert.equal(result.status, 0, result.stderr);
  return readFileSync(join(dir, output));
}

async function downloaded(page, click) {
  const [download] = await Promise.all([page.waitForEvent('download'), click()]);
  return { name: download.suggestedFilename(), bytes: readFileSync(await download.path()) };
}

// The native compiler's diagnostics for one file: its text lines, and the
// spans of its JSON form.
function nativeDiagnostics(name, text) {
  const dir = mkdtempSync(join(work, 'native-'));
  writeFileSync(join(dir, name), text);
  const run = (...extra) => spawnSync(compilerPath, [name, '--truth-table', '--format=csv', ...extra], { cwd: dir, encoding: 'utf8' });
  const lines = run().stderr.split('\n').filter((line) => /^[^:]+:\d+:\d+: (error|warning): /.test(line));
  const { diagnostics } = JSON.parse(run('--diagnostics-format=json').stderr.trim().split('\n').at(-1));
  assert.equal(diagnostics.length, lines.length);
  return diagnostics.map((d, i) => ({ ...d, line: lines[i] }));
}

let server;
let browser;
before(async () => {
  server = await startServer({ '/': webBuild });
  browser = await launchChromium(chromium, CHROMIUM);
});
after(async () => {
  await browser?.close();
  await server?.close();
  rmSync(work, { recursive: true, force: true });
});

// A page in a context of its own (its own storage), answering the page's
// questions with the given answers in order, recording console messages.
async function open(context, url = '/playground.html', answers = []) {
  const page = await context.newPage();
  const problems = [];
  // The page writes nothing to the console: any message is a problem.
  page.on('console', (message) => problems.push(`${message.type()}: ${message.text()}`));
  page.on('pageerror', (error) => problems.push(`exception: ${error.message}`));
  page.on('dialog', (dialog) => dialog.accept(answers.shift()));
  await page.goto(`${server.url}${url}`);
  await page.locator('html[data-ready]').waitFor();
  return { page, problems, answers };
}
const newContext = () => browser.newContext({ viewport: { width: 1200, height: 1000 }, acceptDownloads: true });

// Replaces the open file's text by typing it, as a person would.
async function typeSource(page, text) {
  await page.locator('.cm-content').click();
  await page.keyboard.press('Control+A');
  await page.keyboard.press('Delete');
  await page.keyboard.type(text);
}
const editorText = (page) => page.locator('.cm-content').evaluate((content) =>
  [...content.querySelectorAll('.cm-line')].map((line) => line.textContent).join('\n'));

// Waits until every result shown is that of the text now in the editor, and
// returns the problem lines.
async function settled(page) {
  await page.waitForFunction(() => !document.documentElement.hasAttribute('data-busy'));
  return page.locator('#problems li').allTextContents();
}

async function shownTable(page) {
  await page.locator('#tab-table').click();
  await page.locator('#truth-table tbody tr').first().waitFor();
  return page.locator('#truth-table tr:not(.spacer)').evaluateAll((rows) => rows.map((row) => [...row.cells].map((cell) => cell.textContent)));
}

test('an error underlined and listed, then fixed: truth table and live circuit; inputs keep their state', async () => {
  const context = await newContext();
  const { page, problems } = await open(context, '/playground.html', ['gate.vorn']);
  await page.getByRole('button', { name: '+ File' }).click();
  await page.locator('#tabs [data-path="gate.vorn"][aria-selected="true"]').waitFor();
  await page.locator('#root').selectOption('gate.vorn');

  const broken = 'input a, b\nand g(a=a, b=b)\nnto n(in=g.out)\noutput y(in=g.out)\noutput ny(in=n.out)\n';
  await typeSource(page, broken);
  const expected = nativeDiagnostics('gate.vorn', broken);
  assert.ok(expected.some((d) => d.level === 'error'), 'the source has an error for the terminal too');
  assert.deepEqual(await settled(page), expected.map((d) => d.line));

  // The underline covers the span (ASCII source: columns are characters),
  // with a gutter mark, and the message on hover.
  const first = expected.find((d) => d.level === 'error');
  assert.equal(first.span.start.line, first.span.end.line);
  const spanText = broken.split('\n')[first.span.start.line - 1].slice(first.span.start.column - 1, first.span.end.column - 1);
  const underline = page.locator('.cm-lintRange-error');
  await underline.first().waitFor();
  assert.equal((await underline.allTextContents()).join(''), spanText);
  assert.ok(await page.locator('.cm-lint-marker-error').count() >= 1, 'a gutter mark');
  await underline.first().hover();
  await page.locator('.cm-tooltip-lint', { hasText: `${first.code}: ${first.message}` }).waitFor();
  await page.screenshot({ path: join(outputDir, 'playground-error.png'), fullPage: true });

  // The list jumps to the place: the cursor lands on the diagnostic's line.
  await page.locator('#problems button').first().click();
  assert.equal(await page.locator('.cm-activeLine').textContent(), broken.split('\n')[first.span.start.line - 1]);
  assert.match(await page.locator('#table-note').textContent(), /^No truth table/);

  await typeSource(page, broken.replace('nto', 'not'));
  assert.deepEqual(await settled(page), ['No problems.']);
  assert.equal(await page.locator('.cm-lintRange-error').count(), 0);
  const and = (a, b) => a & b;
  assert.deepEqual(await shownTable(page), [['a', 'b', 'y', 'ny'],
    ...[0, 1, 2, 3].map((row) => [row & 1, row >> 1, and(row & 1, row >> 1), 1 - and(row & 1, row >> 1)].map(String))]);

  await page.locator('#tab-circuit').click();
  const lamp = (name) => page.locator(`#circuit [data-output="${name}"]`).getAttribute('data-state');
  await page.locator('#circuit [data-output="y"][data-state="0"]').waitFor();
  await page.locator('#circuit button[data-input="a"]').click();
  await page.locator('#circuit button[data-input="b"]').click();
  assert.equal(await lamp('y'), '1');
  assert.equal(await lamp('ny'), '0');

  // The downloads are the bytes the terminal writes.
  const fixed = broken.replace('nto', 'not');
  await page.locator('#tab-downloads').click();
  const wasm = await downloaded(page, () => page.getByRole('button', { name: 'Download .wasm' }).click());
  assert.equal(wasm.name, 'gate.wasm');
  assert.ok(wasm.bytes.equals(nativeOutput('gate.vorn', fixed, [], 'gate.wasm')), 'the same module as the terminal compiles');
  const zig = await downloaded(page, () => page.getByRole('button', { name: 'Download Zig source' }).click());
  assert.equal(zig.name, 'gate.zig');
  assert.equal(zig.bytes.toString(), nativeOutput('gate.vorn', fixed, ['--emit-zig'], 'gate.zig').toString());
  const source = await downloaded(page, () => page.getByRole('button', { name: 'Download file' }).click());
  assert.deepEqual([source.name, source.bytes.toString()], ['gate.vorn', fixed]);
  await page.locator('#tab-circuit').click();

  // A recompile keeps a and b high while their names exist; the new input c starts low.
  await page.locator('.cm-content').click();
  await page.keyboard.press('Control+End');
  await page.keyboard.type('input c\noutput z(in=c)\n');
  await page.locator('#circuit [data-output="z"]').waitFor();
  await page.locator('#circuit [data-output="y"][data-state="1"]').waitFor();
  assert.equal(await page.locator('#circuit button[data-input="a"]').getAttribute('data-state'), '1');
  assert.equal(await page.locator('#circuit button[data-input="b"]').getAttribute('data-state'), '1');
  assert.equal(await page.locator('#circuit button[data-input="c"]').getAttribute('data-state'), '0');
  await page.screenshot({ path: join(outputDir, 'playground-circuit.png'), fullPage: true });
  assert.deepEqual(problems, []);
  await context.close();
});

test('files opened from disk import each other; a folder project; share link and reload restore the project', async () => {
  const context = await newContext();
  const { page, problems } = await open(context);

  // Two files at once through the picker; the root imports the other.
  const top = 'import inv "inv.vorn"\ninput a, b\ninv i(x=a)\nand g(a=i.y, b=b)\noutput q(in=g.out)\n';
  const inv = 'input x\nnot n(in=x)\noutput y(in=n.out)\n';
  await page.locator('#open-files').setInputFiles([
    { name: 'top.vorn', mimeType: 'text/plain', buffer: Buffer.from(top) },
    { name: 'inv.vorn', mimeType: 'text/plain', buffer: Buffer.from(inv) },
  ]);
  await page.locator('#tabs [data-path="inv.vorn"]').waitFor();
  await page.locator('#root').selectOption('top.vorn');
  // A file dropped on the page joins the project too.
  await page.evaluate(() => {
    const transfer = new DataTransfer();
    transfer.items.add(new File(['input d\noutput e(in=d)\n'], 'dropped.vorn', { type: 'text/plain' }));
    document.body.dispatchEvent(new DragEvent('drop', { dataTransfer: transfer, bubbles: true, cancelable: true }));
  });
  await page.locator('#tabs [data-path="dropped.vorn"][aria-selected="true"]').waitFor();
  assert.deepEqual(await settled(page), ['No problems.']);
  assert.deepEqual(await shownTable(page), [['a', 'b', 'q'],
    ...[0, 1, 2, 3].map((row) => [row & 1, row >> 1, (1 - (row & 1)) & (row >> 1)].map(String))]);

  // The half adder uses xor without imports: the truth table and the
  // terminal's checks know the built-in gates, compile mode does not.
  await page.locator('#examples').selectOption({ label: 'Half adder' });
  await page.locator('#tabs [data-path="half_adder.vorn"]').waitFor();
  assert.deepEqual(await settled(page), ['No problems.']);
  assert.deepEqual(await shownTable(page), [['a', 'b', 'sum', 'carry'],
    ...[0, 1, 2, 3].map((row) => [row & 1, row >> 1, (row & 1) ^ (row >> 1), (row & 1) & (row >> 1)].map(String))]);
  assert.equal(await page.locator('#circuit-note').textContent(),
    'half_adder.vorn, compiled just now. Click an input to flip it.', 'a lone file uses the built-in gates');

  // The 4-bit adder example: files in a folder, imports across it.
  await page.locator('#examples').selectOption({ label: '4-bit adder (files in a folder)' });
  await page.locator('#tabs [data-path="parts/half_adder.vorn"]').waitFor();
  assert.equal(await page.locator('#tabs [data-path="dropped.vorn"]').count(), 0, 'the example replaced the project');
  assert.deepEqual(await settled(page), ['No problems.']);
  const table = await shownTable(page);
  assert.match(await page.locator('#table-note').textContent(), /^512 rows, /);
  const bits = (row, from, n) => [...Array(n).keys()].reduce((sum, i) => sum + Number(row[from + i]) * 2 ** i, 0);
  for (const row of table.slice(1)) assert.equal(bits(row, 9, 5), bits(row, 0, 4) + bits(row, 4, 4) + Number(row[8]), row.join(''));
  // Rows come into the document as they scroll into sight; all 512 are counted.
  assert.ok(table.length > 8 && table.length <= 513, String(table.length));
  assert.equal(await page.locator('#truth-table').getAttribute('aria-rowcount'), '513');

  // An edit, then Share: a fresh context (no storage) restores it from the link.
  await page.locator('#tabs [data-path="parts/half_adder.vorn"]').click();
  await page.locator('.cm-content').click();
  await page.keyboard.press('Control+Home');
  await page.keyboard.type('// shared\n');
  await settled(page);
  await page.getByRole('button', { name: 'Share' }).click();
  await page.waitForFunction(() => location.hash.startsWith('#project='));
  const link = await page.evaluate(() => location.href);
  const expectedText = await editorText(page);
  assert.ok(expectedText.startsWith('// shared\n'));

  const other = await newContext();
  const { page: fresh, problems: freshProblems } = await open(other, link.slice(server.url.length));
  assert.deepEqual(await fresh.locator('#tabs [role="tab"]').evaluateAll((tabs) => tabs.map((tab) => tab.dataset.path)),
    ['adder4.vorn', 'parts/full_adder.vorn', 'parts/half_adder.vorn']);
  assert.equal(await fresh.locator('#root').inputValue(), 'adder4.vorn');
  assert.equal(await editorText(fresh), expectedText);
  assert.ok((await shownTable(fresh)).length > 8);
  assert.equal(await fresh.locator('#truth-table').getAttribute('aria-rowcount'), '513');
  assert.deepEqual(freshProblems, []);
  await other.close();

  // A reload keeps the project, including an edit made after sharing.
  await page.locator('.cm-content').click();
  await page.keyboard.press('Control+Home');
  await page.keyboard.type('// kept\n');
  await settled(page);
  await page.reload();
  await page.locator('html[data-ready]').waitFor();
  assert.equal(await editorText(page), `// kept\n${expectedText}`);
  assert.equal(await page.evaluate(() => location.hash), '', 'the link is not reapplied over later edits');
  await page.screenshot({ path: join(outputDir, 'playground-adder4.png'), fullPage: true });
  assert.deepEqual(problems, []);
  await context.close();
});
