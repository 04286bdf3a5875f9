// The SVG schematic in headless Chromium, in the web folder as the build
// lays it out (VORN_WEB_BUILD): the playground's Schematic panel and the
// page's <vorn-circuit diagram>. Toggling an input, by mouse or keyboard,
// changes the values drawn on the wires; instances open and close; axe-core
// finds nothing serious. Screenshots at a desktop and a phone size go to
// VORN_TEST_OUTPUT.
import test, { after, before } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { playgroundEnvironment } from './page_checks.mjs';
import { startServer } from './server.mjs';

const here = dirname(fileURLToPath(import.meta.url));
const repo = resolve(here, '../..');
const { compilerPath, webBuild, outputDir, launch } = await playgroundEnvironment();

const work = mkdtempSync(join(tmpdir(), 'vorn-schematic-browser-'));
for (const name of ['full_adder.vorn', 'half_adder.vorn']) writeFileSync(join(work, name), readFileSync(join(repo, 'examples', name)));
const built = spawnSync(resolve(compilerPath), ['full_adder.vorn', '-o', 'full_adder.wasm'], { cwd: work, encoding: 'utf8' });
assert.equal(built.status, 0, built.stderr);

let server;
let browser;
before(async () => {
  server = await startServer({ '/': webBuild, '/artifacts/': work });
  browser = await launch();
});
after(async () => {
  await browser?.close();
  await server?.close();
  rmSync(work, { recursive: true, force: true });
});

async function open(url, viewport = { width: 1280, height: 800 }) {
  const context = await browser.newContext({ viewport, acceptDownloads: true });
  const page = await context.newPage();
  const problems = [];
  page.on('console', (message) => problems.push(`${message.type()}: ${message.text()}`));
  page.on('pageerror', (error) => problems.push(`exception: ${error.message}`));
  page.on('dialog', (dialog) => dialog.accept());
  await page.goto(`${server.url}${url}`);
  return { page, problems, context };
}

// Serious and critical findings in the page, or in the part `selector` names.
async function axeFindings(page, selector = null) {
  await page.addScriptTag({ path: join(here, 'node_modules/axe-core/axe.min.js') });
  const violations = await page.evaluate(async (part) => (await window.axe.run(part ? document.querySelector(part) : document, {
    resultTypes: ['violations'], rules: { 'label-content-name-mismatch': { enabled: true } },
  })).violations, selector);
  return violations.filter((v) => ['serious', 'critical'].includes(v.impact)).map((v) => `${v.id}: ${v.nodes.map((n) => `${n.target.join(' ')} ${n.html.slice(0, 80)} ${n.failureSummary}`).join(', ')}`);
}

// The value drawn on each net, and on each pin symbol, of the schematic in `scope`.
const drawnValues = (scope) => scope.evaluate((root) => {
  const values = {};
  for (const net of root.querySelectorAll('[data-net]')) values[net.dataset.net] = net.dataset.value;
  for (const pin of root.querySelectorAll('[data-kind="input"], [data-kind="output"]')) values[`pin ${pin.dataset.component}`] = pin.dataset.value;
  return values;
});

async function waitForValue(scope, signal, value) {
  await scope.locator(`[data-net="${signal}"][data-value="${value}"]`).waitFor({ state: 'attached' });
}

test('the playground draws the full adder; inputs toggle by click and keyboard; instances open and close; text view; download', async () => {
  const { page, problems, context } = await open('/playground.html');
  await page.locator('html[data-ready]').waitFor();
  const picture = page.locator('#schematic-picture');
  await picture.locator('svg [data-net="a"]').waitFor({ state: 'attached' });
  // The element's inputs start low once loaded.
  await waitForValue(picture, 'a', '0');
  assert.deepEqual(await drawnValues(picture), {
    a: '0', b: '0', cin: '0', 'h1.sum': '0', 'h1.carry': '0', 'h2.sum': '0', 'h2.carry': '0', 'c.out': '0',
    'pin a': '0', 'pin b': '0', 'pin cin': '0', 'pin sum': '0', 'pin cout': '0',
  });
  await picture.locator('[data-component="a"]').click();
  await waitForValue(picture, 'a', '1');
  const focused = picture.locator('[data-component="cin"]');
  await focused.focus();
  await page.keyboard.press('Space');
  await waitForValue(picture, 'cin', '1');
  assert.deepEqual(await drawnValues(picture), {
    a: '1', b: '0', cin: '1', 'h1.sum': '1', 'h1.carry': '0', 'h2.sum': '0', 'h2.carry': '1', 'c.out': '1',
    'pin a': '1', 'pin b': '0', 'pin cin': '1', 'pin sum': '0', 'pin cout': '1',
  });
  assert.equal(await focused.getAttribute('aria-pressed'), 'true');
  assert.equal(await page.locator('#circuit [data-input="cin"]').getAttribute('data-state'), '1', 'the Circuit panel follows');
  assert.match(await picture.locator('[data-net="h2.carry"] > title').textContent(), /^h2\.carry = 1$/);
  // The text alternative lists every component with its drivers.
  assert.match(await picture.locator('.vorn-schematic-text').textContent(), /half h2: a from h1\.sum, b from cin/);

  await page.screenshot({ path: join(outputDir, 'schematic-playground-1280.png'), fullPage: true });
  assert.deepEqual(await axeFindings(page), []);

  // Opened in place, with values inside; closed by the frame's title.
  await picture.locator('[data-open="h1"]').click();
  await picture.locator('[data-frame="h1"]').waitFor({ state: 'attached' });
  await waitForValue(picture, 'h1.s.out', '1');
  await picture.locator('[data-close="h1"]').click();
  await picture.locator('[data-open="h1"]').waitFor({ state: 'attached' });
  assert.equal(await picture.locator('[data-frame]').count(), 0);

  // Everything opened by "Expand macros": no closed instance is left.
  await page.locator('#expand-macros').check();
  await picture.locator('[data-frame="h1.s.o"]').waitFor({ state: 'attached' });
  assert.equal(await picture.locator('[data-open]').count(), 0);
  await page.locator('#expand-macros').uncheck();
  await picture.locator('[data-open="h2"]').waitFor({ state: 'attached' });
  // Each new picture is built beneath the shown one; none is left behind.
  await page.waitForFunction(() => document.querySelectorAll('#schematic-picture svg').length === 1);
  assert.equal(await picture.locator('[data-building]').count(), 0);

  const [download] = await Promise.all([page.waitForEvent('download'), picture.getByRole('button', { name: 'Download SVG' }).click()]);
  assert.equal(download.suggestedFilename(), 'schematic.svg');
  const svg = readFileSync(await download.path(), 'utf8');
  assert.match(svg, /^<\?xml[^>]*>\n<svg [^>]*xmlns="http:\/\/www\.w3\.org\/2000\/svg"/);
  assert.match(svg, /<style>[^<]*\.vs-net/);
  assert.match(svg, /data-net="c\.out" data-value="1"/);

  // The compiler's drawing behind "Text".
  await page.locator('#schematic-as-text').click();
  assert.equal(await picture.isHidden(), true);
  assert.match(await page.locator('#schematic').textContent(), /cout/);
  await page.locator('#schematic-as-picture').click();
  await picture.locator('svg').waitFor();

  const phone = await context.newPage();
  await phone.setViewportSize({ width: 390, height: 844 });
  await phone.goto(`${server.url}/playground.html`);
  await phone.locator('#schematic-picture svg [data-net="a"]').waitFor({ state: 'attached' });
  await phone.locator('#schematic-picture').scrollIntoViewIfNeeded();
  await phone.screenshot({ path: join(outputDir, 'schematic-playground-390.png') });
  assert.deepEqual(problems, []);
  await context.close();
});

test('the page\'s <vorn-circuit diagram>: its buttons and its symbols toggle the same inputs; axe clean', async () => {
  for (const viewport of [{ width: 1280, height: 800 }, { width: 390, height: 844 }]) {
    const { page, problems, context } = await open('/index.html?src=/artifacts/full_adder.wasm', viewport);
    const diagram = page.locator('#circuit .vorn-diagram');
    await diagram.locator('svg [data-net="a"][data-value="0"]').waitFor({ state: 'attached' });
    await page.locator('#circuit [data-input="b"]').click();
    await waitForValue(diagram, 'b', '1');
    await waitForValue(diagram, 'h1.sum', '1');
    await diagram.locator('[data-component="a"]').click();
    await waitForValue(diagram, 'h1.carry', '1');
    assert.equal(await page.locator('#circuit [data-input="a"]').getAttribute('data-state'), '1');
    assert.equal(await page.locator('#circuit [data-output="cout"]').getAttribute('data-state'), '1');
    const values = await drawnValues(diagram);
    assert.equal(values['pin cout'], '1');
    assert.equal(values['h2.sum'], '0');
    await page.screenshot({ path: join(outputDir, `schematic-page-${viewport.width}.png`), fullPage: true });
    // The whole page on a desktop; on a phone the schematic (the timing
    // diagram's own plot scrolls there, which is not this test's matter).
    assert.deepEqual(await axeFindings(page, viewport.width < 600 ? '#circuit .vorn-diagram' : null), []);
    assert.deepEqual(problems, []);
    await context.close();
  }
});
