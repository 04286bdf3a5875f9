// Times the playground page in headless Chromium, served from 127.0.0.1:
//   ready      first load in a fresh profile, from navigation to the first
//              diagnostics shown (editor, compiler module and first check);
//   check      from the edit to the language server's diagnostics for it
//              shown in the page, for each example and for a generated file
//              of 10,000 gates (bench/playground_lsp_latency.mjs times single
//              keystrokes).
// Usage: node bench/playground_timing.mjs build/release/web [runs]
// (playwright-core from tests/web; the web folder as the build lays it out).
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';

const here = dirname(fileURLToPath(import.meta.url));
const webBuild = resolve(process.argv[2] ?? join(here, '../build/release/web'));
const runs = Number(process.argv[3] ?? 7);
const { chromium } = await import(join(here, '../tests/web/node_modules/playwright-core/index.mjs'));
const { startServer } = await import(join(here, '../tests/web/server.mjs'));

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const range = (values) => `median ${median(values).toFixed(1)} ms (min ${Math.min(...values).toFixed(1)}, max ${Math.max(...values).toFixed(1)}, n=${values.length})`;

// 10,000 gates in a chain over four inputs, alternating and/not.
function tenThousandGates() {
  const lines = ['// 10,000 gates', 'input a, b, c, d', 'and g0(a=a, b=b)'];
  for (let i = 1; i < 10000; i++) {
    lines.push(i % 2 ? `not g${i}(in=g${i - 1}.out)` : `and g${i}(a=g${i - 1}.out, b=${'abcd'[i % 4]})`);
  }
  lines.push('output y(in=g9999.out)', 'output z(in=d)', '');
  return lines.join('\n');
}

const server = await startServer({ '/': webBuild });
const browser = await chromium.launch({ executablePath: '/usr/bin/chromium', headless: true, args: ['--no-sandbox', '--disable-gpu'] });

const ready = [];
for (let i = 0; i < runs; i++) {
  const context = await browser.newContext();
  const page = await context.newPage();
  await page.goto(`${server.url}/playground.html`);
  await page.locator('html[data-ready]').waitFor();
  ready.push(await page.evaluate(() => performance.getEntriesByName('playground-ready')[0].startTime));
  await context.close();
}
console.log(`page ready on first load: ${range(ready)}`);

const context = await browser.newContext();
const page = await context.newPage();
page.on('dialog', (dialog) => dialog.accept());
await page.goto(`${server.url}/playground.html`);
await page.locator('html[data-ready]').waitFor();
const idle = () => page.waitForFunction(() => !document.documentElement.hasAttribute('data-busy'), null, { timeout: 120000 });

// One check per run: a comment line typed at the end of the root file.
async function timeChecks() {
  const times = [];
  for (let i = 0; i < runs; i++) {
    await page.locator('.cm-content').click();
    await page.keyboard.press('Control+End');
    await page.keyboard.type(`// ${i}\n`);
    await idle();
    times.push(Number(await page.locator('#check-status').getAttribute('data-ms')));
  }
  return times;
}

for (const label of await page.locator('#examples option').allTextContents()) {
  if (label === 'Choose…') continue;
  await page.locator('#examples').selectOption({ label });
  await idle();
  console.log(`check, ${label}: ${range(await timeChecks())}`);
}

await page.locator('#open-files').setInputFiles({ name: 'gates10k.vorn', mimeType: 'text/plain', buffer: Buffer.from(tenThousandGates()) });
await page.locator('#root').selectOption('gates10k.vorn');
await idle();
console.log(`check, 10,000 gates: ${range(await timeChecks())}`);
console.log(`  (${await page.locator('#check-status').textContent()})`);

await browser.close();
await server.close();
