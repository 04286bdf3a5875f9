// The playground (web/playground.html) in headless Chromium from the system:
// the web folder as the build lays it out (VORN_WEB_BUILD: the page files,
// the bundled scripts and the compiler module), served from 127.0.0.1. What the page says
// about a source is checked against the native compiler (VORN_COMPILE) and
// against truth tables computed here.
import test, { after, before } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { assertLabelsApart, axeFindings, playgroundEnvironment } from './page_checks.mjs';
import { startServer } from './server.mjs';

const here = dirname(fileURLToPath(import.meta.url));
const repo = resolve(here, '../..');
const { compilerPath, webBuild, outputDir, launch } = await playgroundEnvironment();

const work = mkdtempSync(join(tmpdir(), 'vorn-playground-'));

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
  browser = await launch();
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
// Types a line at the top of the open file and waits for its check.
async function prependLine(page, line) {
  await page.locator('.cm-content').click();
  await page.keyboard.press('Control+Home');
  await page.keyboard.type(`${line}\n`);
  await settled(page);
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
  // The row numbers are checked apart.
  return page.locator('#truth-table tr:not(.spacer)').evaluateAll((rows) => rows.map((row) => [...row.cells]
    .filter((cell) => !cell.classList.contains('row-number')).map((cell) => cell.textContent)));
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

// "Compare with…": the root (the full adder of two files) against another
// file of the project, as --equiv judges them in the terminal.
test('compare with another file: counterexamples as the terminal gives them set the live inputs; then equivalent', async () => {
  const context = await newContext();
  const { page, problems } = await open(context, '/playground.html', ['ref.vorn']);
  await settled(page);
  await page.getByRole('button', { name: '+ File' }).click();
  await page.locator('#tabs [data-path="ref.vorn"][aria-selected="true"]').waitFor();
  const wrong = 'input a, b, cin\nxor x1(a=a, b=b)\nxor x2(a=x1.out, b=cin)\nand c1(a=a, b=b)\nand c2(a=x1.out, b=cin)\n'
    + 'and o(a=c1.out, b=c2.out)\noutput sum(in=x2.out)\noutput cout(in=o.out)\n';
  await typeSource(page, wrong);
  await settled(page);
  await page.locator('#compare-with').selectOption('ref.vorn');
  await page.locator('#compare-status', { hasText: 'Different from ref.vorn:' }).waitFor();

  // The terminal's verdict on the same files.
  const dir = mkdtempSync(join(work, 'native-'));
  writeFileSync(join(dir, 'full_adder.vorn'), readFileSync(join(repo, 'examples/full_adder.vorn')));
  writeFileSync(join(dir, 'half_adder.vorn'), readFileSync(join(repo, 'examples/half_adder.vorn')));
  writeFileSync(join(dir, 'ref.vorn'), wrong);
  const native = spawnSync(compilerPath, ['full_adder.vorn', '--equiv', 'ref.vorn'], { cwd: dir, encoding: 'utf8' });
  assert.equal(native.status, 1, native.stderr);
  const lines = native.stdout.split('\n').filter((line) => line.startsWith('different: ')).map((line) => line.slice(11));
  assert.deepEqual(await page.locator('#compare-counterexamples button').allTextContents(), lines);

  // Clicking one sets the inputs of the live circuit to its row.
  const [, output, assignment, mine] = /^(\w+): (.*) gives (.), reference/.exec(lines[0]);
  await page.locator('#compare-counterexamples button').first().click();
  await page.locator('#panel-circuit:not([hidden])').waitFor();
  for (const pair of assignment.split(' ')) {
    const [name, value] = pair.split('=');
    await page.locator(`#circuit button[data-input="${name}"][data-state="${value}"]`).waitFor();
  }
  await page.locator(`#circuit [data-output="${output}"][data-state="${mine}"]`).waitFor();
  await page.screenshot({ path: join(outputDir, 'playground-compare.png'), fullPage: true });

  // Fixed: the verdict follows the text.
  await typeSource(page, wrong.replace('and o(', 'or o('));
  await page.locator('#compare-status', { hasText: 'Equivalent to ref.vorn: 2 output(s) agree for all 8 input combinations.' }).waitFor();
  assert.equal(await page.locator('#compare-counterexamples li').count(), 0);
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
  await prependLine(page, '// shared');
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
  await prependLine(page, '// kept');
  await page.reload();
  await page.locator('html[data-ready]').waitFor();
  assert.equal(await editorText(page), `// kept\n${expectedText}`);
  assert.equal(await page.evaluate(() => location.hash), '', 'the link is not reapplied over later edits');
  await page.screenshot({ path: join(outputDir, 'playground-adder4.png'), fullPage: true });
  assert.deepEqual(problems, []);
  await context.close();
});

// ---- the workbench: projects, tests, table, timing, keyboard ----------------

// The 4-bit adder example, checked.
async function openAdder4(page) {
  await page.locator('#examples').selectOption({ label: '4-bit adder (files in a folder)' });
  await page.locator('#tabs [data-path="parts/half_adder.vorn"]').waitFor();
  await settled(page);
}

const projectNames = (page) => page.locator('#project-list option').allTextContents();
const shownProject = (page) => page.locator('#project-list').evaluate((select) => select.selectedOptions[0]?.textContent);
const tabPaths = (page) => page.locator('#tabs [role="tab"]').evaluateAll((tabs) => tabs.map((tab) => tab.dataset.path));

// The native compiler's --test report on a project written to disk.
function nativeTest(files, root, table) {
  const dir = mkdtempSync(join(work, 'native-'));
  for (const [path, text] of Object.entries(files)) {
    mkdirSync(dirname(join(dir, path)), { recursive: true });
    writeFileSync(join(dir, path), text);
  }
  return spawnSync(compilerPath, [root, '--test', table], { cwd: dir, encoding: 'utf8' });
}

test('work is never lost: share links open as new projects, a reload keeps the homework, two tabs, hashchange', async () => {
  const context = await newContext();
  const { page, problems } = await open(context);
  await settled(page);
  assert.equal(await shownProject(page), 'full_adder');
  await prependLine(page, '// homework');
  await page.getByRole('button', { name: 'Share' }).click();
  await page.waitForFunction(() => location.hash.startsWith('#project='));
  const link = (await page.evaluate(() => location.href)).slice(server.url.length);
  const homework = await editorText(page);
  // Saved within a second of the last key.
  await page.waitForFunction((text) => Object.keys(localStorage).some((key) => key.startsWith('vorn-playground:project:')
    && localStorage.getItem(key).includes(text)), '// homework', { timeout: 1000 });

  // The link in a second tab: a project of its own, named after its root.
  const { page: second, problems: secondProblems } = await open(context, link);
  assert.equal(await shownProject(second), 'full_adder (2)');
  assert.equal(await editorText(second), homework);
  assert.equal(await second.evaluate(() => location.hash), '');
  await prependLine(second, '// the copy');

  // Back to the first tab, reloaded with its own link: its project, unchanged.
  await page.reload();
  await page.locator('html[data-ready]').waitFor();
  assert.equal(await shownProject(page), 'full_adder');
  assert.equal(await editorText(page), homework);
  assert.deepEqual((await projectNames(page)).sort(), ['full_adder', 'full_adder (2)']);
  assert.equal(await page.locator('#project-busy').isHidden(), true);

  // A third tab opens the latest project, which the second tab has open:
  // it says so, takes no edits, and opens a copy on request.
  const { page: third, problems: thirdProblems } = await open(context);
  await third.locator('#project-busy').waitFor();
  assert.equal(await shownProject(third), 'full_adder (2)');
  const before = await editorText(third);
  await third.locator('.cm-content').click();
  await third.keyboard.type('lost?');
  assert.equal(await editorText(third), before, 'no edit while the other tab has the project');
  assert.equal(await third.getByRole('button', { name: '+ File' }).isDisabled(), true);
  await third.getByRole('button', { name: 'Open a copy here' }).click();
  await third.locator('#project-busy').waitFor({ state: 'hidden' });
  assert.equal(await shownProject(third), 'full_adder (2) (copy)');
  await third.locator('.cm-content').click();
  await third.keyboard.press('Control+Home');
  await third.keyboard.type('// mine\n');
  assert.equal(await editorText(third), `// mine\n${before}`);

  // A link pasted into the open tab is followed, as a new project.
  await page.evaluate((hash) => { location.hash = hash; }, link.slice(link.indexOf('#')));
  await page.waitForFunction(() => document.querySelector('#project-list').selectedOptions[0]?.textContent === 'full_adder (3)');
  await page.waitForFunction(() => location.hash === '');
  assert.equal(await editorText(page), homework);
  assert.deepEqual((await projectNames(page)).sort(),
    ['full_adder', 'full_adder (2)', 'full_adder (2) (copy)', 'full_adder (3)']);

  // Rename, switch back, delete: the list follows, the files stay with their project.
  await page.close();
  const { page: fourth } = await open(context, '/playground.html', ['homework 1']);
  await fourth.locator('#project-list').selectOption({ label: 'full_adder' });
  await fourth.waitForFunction(() => document.documentElement.hasAttribute('data-read-only') === false);
  assert.equal(await editorText(fourth), homework);
  await fourth.locator('#project-rename').click();
  await fourth.waitForFunction(() => document.querySelector('#project-list').selectedOptions[0]?.textContent === 'homework 1');
  assert.deepEqual([...problems, ...secondProblems, ...thirdProblems], []);
  await context.close();
});

test('Download all gives a .zip with the folders; opened again, the imports resolve', async () => {
  const context = await newContext();
  const { page, problems } = await open(context);
  await page.locator('#examples').selectOption({ label: '4-bit adder (files in a folder)' });
  await page.locator('#tabs [data-path="parts/half_adder.vorn"]').waitFor();
  const files = {};
  for (const path of await tabPaths(page)) {
    await page.locator(`#tabs [data-path="${path}"]`).click();
    files[path] = await editorText(page);
  }
  const zip = await downloaded(page, () => page.getByRole('button', { name: 'Download all (.zip)' }).click());
  assert.equal(zip.name, 'adder4.zip');
  const zipPath = join(work, 'adder4.zip');
  writeFileSync(zipPath, zip.bytes);
  const listed = spawnSync('python3', ['-c', 'import zipfile,json,sys; z=zipfile.ZipFile(sys.argv[1]); print(json.dumps({n: z.read(n).decode() for n in z.namelist()}))', zipPath], { encoding: 'utf8' });
  assert.equal(listed.status, 0, listed.stderr);
  assert.deepEqual(JSON.parse(listed.stdout), files);

  const other = await newContext();
  const { page: fresh, problems: freshProblems } = await open(other);
  await fresh.locator('#open-files').setInputFiles(zipPath);
  await fresh.waitForFunction(() => document.querySelector('#project-list').selectedOptions[0]?.textContent === 'adder4');
  assert.deepEqual(await tabPaths(fresh), ['adder4.vorn', 'parts/full_adder.vorn', 'parts/half_adder.vorn']);
  assert.equal(await fresh.locator('#root').inputValue(), 'adder4.vorn');
  assert.deepEqual(await settled(fresh), ['No problems.']);
  await shownTable(fresh);
  assert.equal(await fresh.locator('#truth-table').getAttribute('aria-rowcount'), '513');

  // A folder picked whole is a project too, named after it, its own folders kept.
  const folder = join(work, 'homework');
  mkdirSync(join(folder, 'lib'), { recursive: true });
  writeFileSync(join(folder, 'top.vorn'), 'import inv "lib/inv.vorn"\ninput a\ninv i(x=a)\noutput q(in=i.y)\n');
  writeFileSync(join(folder, 'lib/inv.vorn'), 'input x\nnot n(in=x)\noutput y(in=n.out)\n');
  writeFileSync(join(folder, 'notes.txt'), 'not a project file');
  await fresh.locator('#open-folder').setInputFiles(folder);
  await fresh.waitForFunction(() => document.querySelector('#project-list').selectedOptions[0]?.textContent === 'homework');
  assert.deepEqual(await tabPaths(fresh), ['lib/inv.vorn', 'top.vorn']);
  assert.equal(await fresh.locator('#root').inputValue(), 'top.vorn');
  assert.deepEqual(await settled(fresh), ['No problems.']);
  assert.deepEqual((await shownTable(fresh)).slice(1), [['0', '1'], ['1', '0']]);
  assert.deepEqual([...problems, ...freshProblems], []);
  await other.close();
  await context.close();
});

test('test tables: a wrong row fails exactly that row, in the words of vorn-compile --test; a click jumps there', async () => {
  const context = await newContext();
  const { page, problems } = await open(context);
  await settled(page);
  const fullAdder = readFileSync(join(repo, 'examples/full_adder.vorn'), 'utf8');
  const halfAdder = readFileSync(join(repo, 'examples/half_adder.vorn'), 'utf8');
  // Line 6 expects a wrong sum; line 8 checks nothing of cout.
  const table = '| a | b | cin | sum | cout |\n|---|---|---|---|---|\n| 0 | 0 | 0 | 0 | 0 |\n// a comment\n| 1 | 0 | 0 | 1 | 0 |\n| 1 | 1 | 0 | 1 | 1 |\n| 1 | 1 | 1 | 1 | 1 |\n| 0 | 1 | 1 | 0 | * |\n';
  await page.locator('#open-files').setInputFiles([{ name: 'expected.md', mimeType: 'text/markdown', buffer: Buffer.from(table) }]);
  await page.locator('#tabs [data-path="expected.md"][aria-selected="true"]').waitFor();
  assert.deepEqual(await settled(page), ['No problems.'], 'a table is no source: nothing to report about it');
  await page.locator('#tab-tests').click();
  const section = page.locator('#tests section[data-table="expected.md"]');
  await section.locator('tbody tr').first().waitFor();

  const native = nativeTest({ 'full_adder.vorn': fullAdder, 'half_adder.vorn': halfAdder, 'expected.md': table }, 'full_adder.vorn', 'expected.md');
  assert.equal(native.status, 1);
  const lines = native.stdout.trimEnd().split('\n');
  assert.deepEqual(lines.slice(0, -1), ['expected.md:6: expected sum=1, got sum=0 (a=1 b=1 cin=0)']);
  assert.equal(await section.locator('.test-summary').textContent(), lines.at(-1));
  assert.deepEqual(await section.locator('.test-failures li').allTextContents(), lines.slice(0, -1));
  const verdicts = await section.locator('tbody tr').evaluateAll((rows) => rows.map((row) => [row.dataset.line, row.className]));
  assert.deepEqual(verdicts, [['3', 'passed'], ['5', 'passed'], ['6', 'failed'], ['7', 'passed'], ['8', 'passed']]);
  assert.match(await page.locator('#tests-note').textContent(), /^1 table: 4 rows passed, 1 failed\.$/);

  await page.locator('#tabs [data-path="full_adder.vorn"]').click();
  await section.locator('.test-failures button').first().click();
  assert.equal(await page.locator('#tabs [aria-selected="true"]').getAttribute('data-path'), 'expected.md');
  assert.equal(await page.locator('.cm-activeLine').textContent(), table.split('\n')[5]);

  // Fixed in the editor: every row passes, as the terminal says.
  await page.keyboard.press('Home');
  await page.keyboard.press('Shift+End');
  await page.keyboard.type('| 1 | 1 | 0 | 0 | 1 |');
  await settled(page);
  await page.waitForFunction(() => /5 of 5 rows passed/.test(document.querySelector('#tests .test-summary')?.textContent));
  assert.equal(await section.locator('tbody tr.failed').count(), 0);

  // A malformed table: the compiler's own words, and its line.
  await page.keyboard.press('End');
  await page.keyboard.type('\n| 2 | 1 | 0 | 0 | 1 |');
  await settled(page);
  const broken = await editorText(page);
  const nativeBroken = nativeTest({ 'full_adder.vorn': fullAdder, 'half_adder.vorn': halfAdder, 'expected.md': broken }, 'full_adder.vorn', 'expected.md');
  const fault = nativeBroken.stderr.split('\n').find((line) => line.startsWith('expected.md:'));
  assert.ok(fault, nativeBroken.stderr);
  await section.locator('.test-failures li', { hasText: fault }).waitFor();

  // A new table from the truth table: the terminal's table, every row passing.
  await page.getByRole('button', { name: 'Add table from truth table' }).click();
  await page.locator('#tabs [data-path="full_adder.test.md"][aria-selected="true"]').waitFor();
  const cliTable = spawnSync(compilerPath, ['full_adder.vorn', '--truth-table'], { cwd: join(repo, 'examples'), encoding: 'utf8' }).stdout;
  assert.equal((await editorText(page)).trimEnd(), cliTable.trimEnd());
  await settled(page);
  await page.locator('#tab-tests').click();
  await page.locator('#tests section[data-table="full_adder.test.md"] .test-summary', { hasText: '8 of 8 rows passed' }).waitFor();
  assert.deepEqual(problems, []);
  await context.close();
});

test('the truth table: row numbers, a filter, the live row marked, a click sets the inputs', async () => {
  const context = await newContext();
  const { page, problems } = await open(context);
  await openAdder4(page);
  const header = ['#', ...(await shownTable(page))[0]];
  assert.equal(await page.locator('#truth-table th.row-number').textContent(), '#');
  const inputs = header.slice(1, 10);
  await page.locator('#table-filter').fill('a0=1 b3=1 cin=0');
  await page.locator('#table-filter-count', { hasText: '64 rows of 512 shown' }).waitFor();
  const rows = await page.locator('#truth-table tbody tr[data-row]').evaluateAll((trs) => trs.map((tr) => [...tr.cells].map((td) => td.textContent)));
  assert.ok(rows.length >= 10, 'the rows in sight');
  for (const row of rows) {
    const bits = Object.fromEntries(inputs.map((name, i) => [name, row[i + 1]]));
    assert.deepEqual([bits.a0, bits.b3, bits.cin], ['1', '1', '0'], row.join(' '));
    assert.equal(Number(row[0]), inputs.reduce((sum, name, i) => sum + Number(bits[name]) * 2 ** i, 0), 'the number is the inputs, first one lowest');
  }
  // A click on a row drives the circuit to it; the row is marked.
  const target = page.locator('#truth-table tbody tr[data-row]').nth(5);
  const number = await target.getAttribute('data-row');
  await target.click();
  await page.locator(`#truth-table tr[data-row="${number}"][aria-current="true"]`).waitFor();
  await page.locator('#tab-circuit').click();
  const states = await page.locator('#circuit button[data-input]').evaluateAll((buttons) =>
    Object.fromEntries(buttons.map((b) => [b.dataset.input, b.dataset.state])));
  assert.equal(inputs.reduce((sum, name, i) => sum + Number(states[name]) * 2 ** i, 0), Number(number));
  // The circuit's own change moves the mark.
  await page.locator('#circuit button[data-input="b0"]').click();
  await page.locator('#tab-table').click();
  const moved = Number(number) ^ (1 << inputs.indexOf('b0'));
  await page.locator('#table-filter').fill('');
  await page.locator(`#truth-table tr[data-row="${moved}"][aria-current="true"]`).waitFor();
  // The keyboard's way: the arrows in the table step through the rows shown.
  await page.locator('#table-filter').fill('cin=1 a0=1');
  await page.locator('#panel-table .table-scroll').focus();
  await page.keyboard.press('ArrowDown');
  const first = Number(await page.locator('#truth-table tr[aria-current="true"]').getAttribute('data-row'));
  await page.keyboard.press('ArrowDown');
  await page.keyboard.press('ArrowDown');
  await page.keyboard.press('ArrowUp');
  const second = Number(await page.locator('#truth-table tr[aria-current="true"]').getAttribute('data-row'));
  const kept = [...Array(512).keys()].filter((row) => (row & 1) && (row & 256));
  assert.deepEqual([first, second], [kept[0], kept[1]]);
  assert.equal(await page.locator('#circuit button[data-input="a0"]').getAttribute('data-state'), '1');
  assert.deepEqual(problems, []);
  await context.close();
});

test('the timing diagram: pins first, instances opened on request, 20 changes marked, labels apart, lanes capped', async () => {
  const context = await newContext();
  const { page, problems } = await open(context);
  await openAdder4(page);
  await page.locator('#tab-circuit').click();
  await page.locator('#circuit [data-output="cout"][data-state="0"]').waitFor();
  const inputNames = await page.locator('#circuit button[data-input]').evaluateAll((b) => b.map((x) => x.dataset.input));
  for (let i = 0; i < 25; i++) await page.locator(`#circuit button[data-input="${inputNames[i % inputNames.length]}"]`).click();
  const lanes = () => page.locator('#circuit svg.vorn-timing-diagram g.vorn-lane').evaluateAll((g) => g.map((x) => x.dataset.signal));
  const pins = [...inputNames, 's0', 's1', 's2', 's3', 'cout'];
  assert.deepEqual((await lanes()).sort(), [...pins].sort(), 'the top-level pins only');
  assert.equal(await page.locator('#circuit g.vorn-toggles path').count(), 20, 'the last 20 changes marked');
  assert.ok(await assertLabelsApart(page, '#circuit g.vorn-axis text') >= 3);
  assert.ok(await assertLabelsApart(page, '#circuit g.vorn-toggles text') >= 3);
  assert.equal(await page.locator('#circuit g.vorn-axis path.vorn-toggle-mark').count(), 20, 'and on the axis');
  // An instance opens as a tree: its signals and its own instances.
  const group = page.locator('#circuit .vorn-timing-group button').first();
  const instance = await group.getAttribute('data-instance');
  await group.click();
  assert.equal(await page.locator(`#circuit button[data-instance="${instance}"]`).getAttribute('aria-expanded'), 'true');
  const opened = await lanes();
  assert.ok(opened.length > pins.length && opened.every((name) => pins.includes(name) || name.startsWith(`${instance}.`)), opened.join(' '));
  assert.ok(await page.locator(`#circuit button[data-instance^="${instance}."]`).count() >= 1, 'its instances, closed');
  await page.screenshot({ path: join(outputDir, 'playground-timing.png'), fullPage: true });

  // 2,000 gates: at most 64 lanes at once, and more on request.
  const lines = ['input a, b', 'and g0(a=a, b=b)'];
  for (let i = 1; i < 2000; i++) lines.push(i % 2 ? `not g${i}(in=g${i - 1}.out)` : `and g${i}(a=g${i - 1}.out, b=${i % 4 ? 'a' : 'b'})`);
  lines.push('output y(in=g1999.out)', '');
  await page.locator('#open-files').setInputFiles([{ name: 'big.vorn', mimeType: 'text/plain', buffer: Buffer.from(lines.join('\n')) }]);
  await page.locator('#root').selectOption('big.vorn');
  await settled(page);
  await page.locator('#circuit [data-output="y"]').waitFor();
  await page.locator('#circuit button[data-input="a"]').click();
  await page.locator('#circuit button[data-input="b"]').click();
  await page.locator('#circuit .vorn-timing-group button', { hasText: 'other top-level signals' }).click();
  assert.equal((await lanes()).length, 64 - 1, 'the pins, one group row and its signals: 64 rows');
  const more = page.locator('#circuit .vorn-timing-more');
  assert.match(await more.textContent(), /^Show 64 more lanes \(\d{4} hidden\)$/);
  await more.click();
  assert.equal((await lanes()).length, 128 - 1);
  await assertLabelsApart(page, '#circuit g.vorn-axis text');
  assert.ok(await page.locator('#circuit ol.vorn-timing-changes li').count() <= 200);
  assert.deepEqual(problems, []);
  await context.close();
});

test('keyboard and axe: every control reachable, tab strips follow the arrows, every panel clean; screenshots', async () => {
  const context = await browser.newContext({ viewport: { width: 1280, height: 800 }, acceptDownloads: true });
  const { page, problems } = await open(context);
  await settled(page);
  // Tab from the page's start reaches the file pickers.
  const reached = new Set();
  for (let i = 0; i < 40; i++) {
    await page.keyboard.press('Tab');
    reached.add(await page.evaluate(() => document.activeElement?.id || document.activeElement?.textContent?.trim()));
  }
  for (const id of ['project-list', 'project-new', 'open-files-button', 'open-folder-button', 'download-all', 'share']) assert.ok(reached.has(id), id);
  // The results tab strip: one Tab stop, the arrows move and select.
  await page.locator('#tab-schematic').focus();
  await page.keyboard.press('ArrowRight');
  assert.equal(await page.evaluate(() => document.activeElement.id), 'tab-table');
  assert.equal(await page.locator('#panel-table').isVisible(), true);
  await page.keyboard.press('End');
  assert.equal(await page.evaluate(() => document.activeElement.id), 'tab-downloads');
  await page.keyboard.press('ArrowRight');
  assert.equal(await page.evaluate(() => document.activeElement.id), 'tab-schematic');
  assert.deepEqual(await page.locator('#panel-tabs [role="tab"]').evaluateAll((tabs) => tabs.map((t) => t.tabIndex)), [0, -1, -1, -1, -1, -1]);
  // The file tabs too, once no check is due: a check's result draws them anew.
  await settled(page);
  await page.locator('#tabs [aria-selected="true"]').focus();
  const before = await page.evaluate(() => document.activeElement.dataset.path);
  await page.keyboard.press('ArrowRight');
  const after = await page.evaluate(() => document.activeElement.dataset.path);
  assert.notEqual(after, before);
  assert.equal(await page.locator(`#tabs [data-path="${after}"]`).getAttribute('aria-selected'), 'true');
  // Esc, then Tab, leaves the editor, as the hint under it says.
  await page.locator('.cm-content').click();
  await page.keyboard.press('Escape');
  await page.keyboard.press('Tab');
  assert.equal(await page.evaluate(() => Boolean(document.activeElement.closest('.cm-editor'))), false);
  assert.match(await page.locator('#editor-hint').textContent(), /Esc, then Tab/);

  const tables = '| a | b | cin | sum | cout |\n| 1 | 1 | 1 | 1 | 0 |\n';
  await page.locator('#open-files').setInputFiles([{ name: 'check.csv', mimeType: 'text/csv', buffer: Buffer.from(tables.replaceAll(' | ', ',').replaceAll('| ', '').replaceAll(' |', '')) }]);
  await settled(page);
  for (const tab of ['schematic', 'table', 'tests', 'circuit', 'analysis', 'downloads']) {
    await page.locator(`#tab-${tab}`).click();
    if (tab === 'circuit') await page.locator('#circuit button[data-input="a"]').click();
    if (tab === 'analysis') await page.locator('.analysis-output').first().waitFor();
    if (tab === 'tests') await page.locator('#tests tbody tr').first().waitFor();
    assert.deepEqual(await axeFindings(page), [], `the ${tab} panel`);
    if (tab !== 'downloads') await page.screenshot({ path: join(outputDir, `playground-${tab}-1280.png`), fullPage: true });
  }
  await page.setViewportSize({ width: 390, height: 844 });
  for (const tab of ['table', 'tests', 'circuit', 'analysis']) {
    await page.locator(`#tab-${tab}`).click();
    assert.ok(await page.evaluate(() => document.documentElement.scrollWidth <= window.innerWidth), `no sideways scrolling: ${tab}`);
    await page.screenshot({ path: join(outputDir, `playground-${tab}-390.png`), fullPage: true });
  }
  assert.deepEqual(problems, []);
  await context.close();
});
