// The playground's editor as the language server drives it (vorn-lsp.wasm in
// a worker, through @codemirror/lsp-client), in headless Chromium from the
// system: a diagnostic under the name it is about, with the status line
// counting what the page shows; completion, hover, rename, outline and go to
// definition as a student uses them; and a rename that reaches a file the
// editor does not show.
import test, { after, before } from 'node:test';
import assert from 'node:assert/strict';
import { existsSync, mkdirSync } from 'node:fs';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { launchChromium, startServer } from './server.mjs';

const here = dirname(fileURLToPath(import.meta.url));
const repo = resolve(here, '../..');
const CHROMIUM = process.env.VORN_CHROMIUM ?? '/usr/bin/chromium';
const webBuild = process.env.VORN_WEB_BUILD;
const outputDir = process.env.VORN_TEST_OUTPUT ?? join(repo, 'build/web-test-output');

assert.ok(webBuild && existsSync(join(webBuild, 'vorn-lsp.wasm')), 'set VORN_WEB_BUILD to the folder the build writes vorn-lsp.wasm into');
assert.ok(existsSync(CHROMIUM), `${CHROMIUM} is missing: apt-get install chromium (scripts/ensure-tools.sh does)`);
const { chromium } = await import('playwright-core');
mkdirSync(outputDir, { recursive: true });

let server;
let browser;
before(async () => {
  server = await startServer({ '/': webBuild });
  browser = await launchChromium(chromium, CHROMIUM);
});
after(async () => {
  await browser?.close();
  await server?.close();
});

const editorText = (page) => page.locator('.cm-content').evaluate((content) =>
  [...content.querySelectorAll('.cm-line')].map((line) => line.textContent).join('\n'));
const settled = (page) => page.waitForFunction(() => !document.documentElement.hasAttribute('data-busy'));
// The editor's character at a line (1-based) and column (0-based), on screen.
async function pointAt(page, line, column) {
  return page.evaluate(([l, c]) => {
    const lineElement = document.querySelectorAll('.cm-content .cm-line')[l - 1];
    const walker = document.createTreeWalker(lineElement, NodeFilter.SHOW_TEXT);
    let left = c;
    for (let node = walker.nextNode(); node; node = walker.nextNode()) {
      if (left < node.length) {
        const range = document.createRange();
        range.setStart(node, left);
        range.setEnd(node, left + 1);
        const box = range.getBoundingClientRect();
        return { x: box.left + box.width / 2, y: box.top + box.height / 2 };
      }
      left -= node.length;
    }
    throw new Error(`no character ${c} on line ${l}`);
  }, [line, column]);
}
async function clickAt(page, line, column) {
  const { x, y } = await pointAt(page, line, column);
  await page.mouse.click(x, y);
}

test('the language server in the page: a diagnostic at its name, completion, hover, rename in and across files', async () => {
  const context = await browser.newContext({ viewport: { width: 1200, height: 1000 } });
  const page = await context.newPage();
  const problems = [];
  page.on('console', (message) => problems.push(`${message.type()}: ${message.text()}`));
  page.on('pageerror', (error) => problems.push(`exception: ${error.message}`));
  page.on('dialog', (dialog) => dialog.accept('lsp.vorn'));
  await page.goto(`${server.url}/playground.html`);
  await page.locator('html[data-ready]').waitFor();
  await page.getByRole('button', { name: '+ File' }).click();
  await page.locator('#tabs [data-path="lsp.vorn"][aria-selected="true"]').waitFor();

  // The slip a student makes: the compiler speaks of the unconnected port,
  // the server of the name, under the name.
  await page.locator('.cm-content').click();
  await page.keyboard.press('Control+A');
  await page.keyboard.press('Delete');
  await page.keyboard.type('input a, b\nand c1(a=a, b=bb)\noutput y(in=c1)\n');
  await settled(page);
  const underline = page.locator('.cm-lintRange-error', { hasText: 'bb' });
  await underline.first().waitFor();
  assert.equal((await page.locator('.cm-lintRange-error').allTextContents()).includes('bb'), true);
  await underline.first().hover();
  await page.locator('.cm-tooltip-lint', { hasText: "undeclared signal 'bb'" }).waitFor();
  const listed = await page.locator('#problems li').allTextContents();
  assert.ok(listed.includes("lsp.vorn:2:15: error: undeclared signal 'bb'"), listed.join('\n'));
  assert.ok(listed.some((line) => /^lsp\.vorn:2:1: error: E004: required input 'b' is unconnected/.test(line)), listed.join('\n'));
  // The status line counts every line the list shows.
  const status = await page.locator('#check-status').textContent();
  const count = (level) => listed.filter((line) => line.includes(`: ${level}: `)).length;
  assert.match(status, new RegExp(`${count('error')} errors?, ${count('warning')} warnings?, ${count('hint')} hints?\\.$`));
  await page.screenshot({ path: join(outputDir, 'playground-lsp-diagnostic.png'), fullPage: true });

  // Completion after `b=`: the signals the file declares.
  await page.locator('.cm-content').click();
  await page.keyboard.press('Control+Home');
  await page.keyboard.press('ArrowDown');
  await page.keyboard.press('End');
  await page.keyboard.press('ArrowLeft');
  await page.keyboard.press('Backspace');
  await page.keyboard.press('Backspace');
  await page.keyboard.press('Control+Space');
  const options = page.locator('.cm-tooltip-autocomplete li');
  await options.first().waitFor();
  const labels = await options.evaluateAll((items) => items.map((item) => item.querySelector('.cm-completionLabel').textContent));
  assert.deepEqual(labels.slice().sort(), ['a', 'b']);
  await page.screenshot({ path: join(outputDir, 'playground-lsp-completion.png'), fullPage: true });
  await page.keyboard.press('Escape');
  await page.keyboard.type('b');
  await settled(page);
  await page.locator('.cm-lintRange-error').first().waitFor({ state: 'detached' });
  assert.equal(await editorText(page), 'input a, b\nand c1(a=a, b=b)\noutput y(in=c1)\n');
  assert.match(await page.locator('#check-status').textContent(), /: 0 errors, 0 warnings, 0 hints\.$/);

  // Hover on a port: the port, its instance and what drives it.
  const port = await pointAt(page, 2, 7);
  await page.mouse.move(port.x, port.y);
  const hover = page.locator('.cm-tooltip-hover');
  await hover.waitFor();
  assert.match(await hover.textContent(), /input port a of instance c1 \(and\)\s*driven by a \(input pin\)/);
  await page.screenshot({ path: join(outputDir, 'playground-lsp-hover.png'), fullPage: true });
  await page.mouse.move(5, 5);

  // Rename the instance (F2): its declaration and its reader.
  await clickAt(page, 2, 5);
  await page.keyboard.press('F2');
  const name = page.locator('.cm-lsp-rename-panel input[name="name"]');
  await name.waitFor();
  await name.fill('gate1');
  await name.press('Enter');
  await page.waitForFunction(() => document.querySelector('.cm-content').textContent.includes('gate1('));
  assert.equal(await editorText(page), 'input a, b\nand gate1(a=a, b=b)\noutput y(in=gate1)\n');

  // In the full adder, the half adder's output `sum` renamed where it is
  // read: the half adder's file, not shown, follows.
  page.removeAllListeners('dialog');
  page.on('dialog', (dialog) => dialog.accept());
  await page.locator('#examples').selectOption({ label: 'Full adder (two files)' });
  await page.locator('#tabs [data-path="half_adder.vorn"]').waitFor();
  await settled(page);
  const full = (await editorText(page)).split('\n');
  const line = full.findIndex((text) => text.includes('.sum'));
  await clickAt(page, line + 1, full[line].indexOf('.sum') + 2);
  await page.keyboard.press('F2');
  await name.waitFor();
  await name.fill('total');
  await name.press('Enter');
  await page.waitForFunction(() => document.querySelector('.cm-content').textContent.includes('.total'));
  assert.ok(!(await editorText(page)).includes('.sum'), await editorText(page));

  // The outline (Mod-Shift-o): every declaration, a click goes there.
  await page.locator('.cm-content').click();
  await page.keyboard.press('Control+Shift+O');
  const outline = page.locator('.cm-vorn-outline li');
  await outline.first().waitFor();
  assert.deepEqual(await outline.allTextContents(),
    ['input a', 'input b', 'input cin', 'half h1', 'half h2', 'or c', 'output sum', 'output cout']);
  await outline.filter({ hasText: 'half h2' }).locator('button').click();
  assert.match(await page.locator('.cm-activeLine').textContent(), /^half h2\(/);

  // Go to definition (F12) on the type: the half adder's file opens.
  await clickAt(page, full.findIndex((text) => text.startsWith('half h1')) + 1, 1);
  await page.keyboard.press('F12');
  await page.locator('#tabs [data-path="half_adder.vorn"][aria-selected="true"]').waitFor();
  await page.waitForFunction(() => document.querySelector('.cm-content').textContent.includes('output total('));
  await settled(page);
  assert.deepEqual(await page.locator('#problems li').allTextContents(), ['No problems.']);
  await page.screenshot({ path: join(outputDir, 'playground-lsp-rename.png'), fullPage: true });
  assert.deepEqual(problems, []);
  await context.close();
});
