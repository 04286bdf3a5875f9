// Keystroke to diagnostics in the playground, where the language server
// (vorn-lsp.wasm in a worker) checks the project: for each example and for
// a generated file of 2,000 gates, the time from a keystroke in the editor
// to the server's diagnostics for that text shown in the page (the status
// line's data-ms), median of 9; and the size of vorn-lsp.wasm, raw and
// gzipped.
// Usage: node bench/playground_lsp_latency.mjs build/release/web <gates_2000.vorn> [runs]
// (bench/generate_inputs.sh writes gates_2000.vorn; playwright-core from tests/web).
import { readFileSync } from 'node:fs';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { gzipSync } from 'node:zlib';

const here = dirname(fileURLToPath(import.meta.url));
const webBuild = resolve(process.argv[2] ?? join(here, '../build/release/web'));
const gates = process.argv[3];
const runs = Number(process.argv[4] ?? 9);
if (!gates) throw new Error('usage: node bench/playground_lsp_latency.mjs <web build> <gates_2000.vorn> [runs]');
const { chromium } = await import(join(here, '../tests/web/node_modules/playwright-core/index.mjs'));
const { startServer } = await import(join(here, '../tests/web/server.mjs'));

const wasm = readFileSync(join(webBuild, 'vorn-lsp.wasm'));
console.log(`vorn-lsp.wasm: ${wasm.length.toLocaleString('en')} bytes, ${gzipSync(wasm, { level: 9 }).length.toLocaleString('en')} gzipped`);

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const summary = (values) => `median ${median(values).toFixed(1)} ms (min ${Math.min(...values).toFixed(1)}, max ${Math.max(...values).toFixed(1)}, n=${values.length})`;

const server = await startServer({ '/': webBuild });
const browser = await chromium.launch({ executablePath: '/usr/bin/chromium', headless: true, args: ['--no-sandbox', '--disable-gpu'] });
const context = await browser.newContext();
const page = await context.newPage();
page.on('dialog', (dialog) => dialog.accept());
await page.goto(`${server.url}/playground.html`);
await page.locator('html[data-ready]').waitFor();
const idle = () => page.waitForFunction(() => !document.documentElement.hasAttribute('data-busy'), null, { timeout: 120000 });

// One keystroke per run, at the end of the open file, alternately adding and
// removing a space, so that the text stays the same size.
async function timeKeystrokes() {
  const times = [];
  await page.locator('.cm-content').click();
  for (let i = 0; i < runs; i++) {
    await page.keyboard.press('Control+End');
    await page.keyboard.press(i % 2 ? 'Backspace' : 'Space');
    await idle();
    times.push(Number(await page.locator('#check-status').getAttribute('data-ms')));
  }
  return times;
}

for (const label of await page.locator('#examples option').allTextContents()) {
  if (label === 'Choose…') continue;
  await page.locator('#examples').selectOption({ label });
  await idle();
  console.log(`keystroke to diagnostics, ${label}: ${summary(await timeKeystrokes())}`);
}
await page.locator('#open-files').setInputFiles({ name: 'gates_2000.vorn', mimeType: 'text/plain', buffer: readFileSync(gates) });
await page.locator('#tabs [data-path="gates_2000.vorn"][aria-selected="true"]').waitFor();
await idle();
console.log(`keystroke to diagnostics, 2,000 gates: ${summary(await timeKeystrokes())}`);
console.log(`  (${await page.locator('#check-status').textContent()})`);
await browser.close();
await server.close();
