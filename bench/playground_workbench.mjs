// Times the playground's workbench in headless Chromium, served from 127.0.0.1:
//   toggle     the main thread's longest block while inputs are flipped with
//              the timing diagram shown: long tasks (a PerformanceObserver,
//              which reports every task of 50 ms or more) and each click's
//              handling time (Event Timing: processingEnd - processingStart),
//              on the 4-bit adder example and on gates_2000.vorn and
//              local_20000.vorn of bench/generate_inputs.sh, with pins only
//              and with a group of signals opened;
//   save       from the last key pressed in the editor to the project found
//              in localStorage, and the time the saving itself takes.
// Usage: node bench/playground_workbench.mjs build/release/web [toggles]
import { spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';

const here = dirname(fileURLToPath(import.meta.url));
const webBuild = resolve(process.argv[2] ?? join(here, '../build/release/web'));
const toggles = Number(process.argv[3] ?? 30);
const { chromium } = await import(join(here, '../tests/web/node_modules/playwright-core/index.mjs'));
const { startServer } = await import(join(here, '../tests/web/server.mjs'));

const generated = mkdtempSync(join(tmpdir(), 'vorn-bench-'));
spawnSync('bash', [join(here, 'generate_inputs.sh'), generated], { stdio: 'inherit' });

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const summary = (values) => (values.length
  ? `median ${median(values).toFixed(1)} ms, max ${Math.max(...values).toFixed(1)} ms (n=${values.length})` : 'none');

const server = await startServer({ '/': webBuild });
const browser = await chromium.launch({ executablePath: '/usr/bin/chromium', headless: true, args: ['--no-sandbox', '--disable-gpu'] });
const context = await browser.newContext({ viewport: { width: 1280, height: 800 } });
// Every long task and every click's handling, from the page's start; and
// the time each localStorage write takes.
await context.addInitScript(() => {
  window.benchLong = [];
  window.benchClicks = [];
  window.benchSaves = [];
  new PerformanceObserver((list) => { for (const entry of list.getEntries()) window.benchLong.push(entry.duration); })
    .observe({ type: 'longtask', buffered: true });
  new PerformanceObserver((list) => {
    for (const entry of list.getEntries()) {
      if (entry.name === 'click') window.benchClicks.push({ processing: entry.processingEnd - entry.processingStart, duration: entry.duration });
    }
  }).observe({ type: 'event', durationThreshold: 16, buffered: true });
  const setItem = Storage.prototype.setItem;
  Storage.prototype.setItem = function timed(key, value) {
    const started = performance.now();
    try {
      return setItem.call(this, key, value);
    } finally {
      if (key.startsWith('vorn-playground:project:')) window.benchSaves.push({ at: started, ms: performance.now() - started, value });
    }
  };
});
const page = await context.newPage();
page.on('dialog', (dialog) => dialog.accept());
await page.goto(`${server.url}/playground.html`);
await page.locator('html[data-ready]').waitFor();
const idle = () => page.waitForFunction(() => !document.documentElement.hasAttribute('data-busy'), null, { timeout: 120000 });

async function flip(label) {
  await page.locator('#tab-circuit').click();
  const inputs = await page.locator('#circuit button[data-input]').evaluateAll((b) => b.map((x) => x.dataset.input));
  const measure = async (what) => {
    await page.evaluate(() => { window.benchLong.length = 0; window.benchClicks.length = 0; });
    for (let i = 0; i < toggles; i++) {
      await page.locator(`#circuit button[data-input="${inputs[i % inputs.length]}"]`).click();
      await page.evaluate(() => new Promise((done) => requestAnimationFrame(() => setTimeout(done, 0))));
    }
    await page.waitForTimeout(200);
    const { long, clicks } = await page.evaluate(() => ({ long: window.benchLong, clicks: window.benchClicks }));
    const lanes = await page.locator('#circuit g.vorn-lane').count();
    console.log(`${label}, ${what} (${lanes} lanes drawn): long tasks ${summary(long)}; `
      + `click handling ${summary(clicks.map((c) => c.processing))}`);
  };
  await measure('pins');
  const groups = page.locator('#circuit .vorn-timing-group button[aria-expanded="false"]');
  if (await groups.count()) {
    await groups.last().click();
    await measure('one group opened');
  }
}

await page.locator('#examples').selectOption({ label: '4-bit adder (files in a folder)' });
await page.locator('#tabs [data-path="parts/half_adder.vorn"]').waitFor();
await idle();
await flip('4-bit adder');

for (const name of ['gates_2000.vorn', 'local_20000.vorn']) {
  await page.locator('#open-files').setInputFiles([{ name, mimeType: 'text/plain', buffer: readFileSync(join(generated, name)) }]);
  await page.locator('#root').selectOption(name);
  await idle();
  await page.locator('#circuit [data-output]').first().waitFor();
  await flip(name);
}

// Save latency: keys typed, then the project polled for in storage, with
// the 4-bit adder as the root and with the 20,000 gates as the root (whose
// checks keep the main thread busy while typing).
for (const root of ['adder4.vorn', 'local_20000.vorn']) {
  await page.locator('#root').selectOption(root);
  await idle();
  await page.locator(`#tabs [data-path="${root}"]`).click();
  await page.evaluate(() => { window.benchLong.length = 0; window.benchSaves.length = 0; });
  const latencies = [];
  await page.locator('.cm-content').click();
  for (let i = 0; i < 10; i++) {
    const marker = `// saved ${root} ${i}`;
    await page.keyboard.press('Control+End');
    await page.keyboard.type(marker);
    // From the last key: each key starts the save's short wait anew.
    const pressed = await page.evaluate(() => performance.now());
    await page.keyboard.press('Enter');
    const found = await page.evaluate(async (text) => {
      for (;;) {
        const hit = window.benchSaves.find((save) => save.value.includes(text));
        if (hit) return hit.at + hit.ms;
        await new Promise((done) => setTimeout(done, 5));
      }
    }, marker);
    latencies.push(found - pressed);
  }
  await idle();
  const { saves, bytes, long } = await page.evaluate(() => ({
    saves: window.benchSaves.map((save) => save.ms), bytes: window.benchSaves.at(-1).value.length, long: window.benchLong,
  }));
  console.log(`save, root ${root}: key to storage ${summary(latencies)} [${latencies.map((ms) => ms.toFixed(0)).join(' ')}]; `
    + `each write ${summary(saves)} (${bytes.toLocaleString('en')} characters: the 4-bit adder project and both generated files); `
    + `long tasks while typing ${summary(long)}`);
}

await browser.close();
await server.close();
rmSync(generated, { recursive: true, force: true });
