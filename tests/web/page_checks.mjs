// Checks of a Playwright page shared by the browser tests.
import assert from 'node:assert/strict';
import { existsSync, mkdirSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { launchChromium } from './server.mjs';

const here = dirname(fileURLToPath(import.meta.url));

// axe-core (from tests/web/node_modules) on the page as it is: the serious
// and critical findings, each as "rule: targets". The check that a control's
// name holds its visible text is still marked experimental in axe-core; it
// is wanted.
export async function axeFindings(page) {
  await page.addScriptTag({ path: join(here, 'node_modules/axe-core/axe.min.js') });
  const violations = await page.evaluate(async () => (await window.axe.run(document, {
    resultTypes: ['violations'], rules: { 'label-content-name-mismatch': { enabled: true } },
  })).violations);
  return violations.filter((v) => ['serious', 'critical'].includes(v.impact))
    .map((v) => `${v.id}: ${v.nodes.map((n) => n.target.join(' ')).join(', ')}`);
}

// The texts matched by `selector` (one row of labels), left to right, each
// clear of the next: their boxes as drawn do not overlap. Returns how many.
export async function assertLabelsApart(page, selector) {
  const boxes = await page.locator(selector).evaluateAll((texts) => texts.map((t) => {
    const box = t.getBoundingClientRect();
    return { text: t.textContent, left: box.left, right: box.right };
  }));
  for (let i = 1; i < boxes.length; i++) {
    assert.ok(boxes[i].left > boxes[i - 1].right, `${selector}: "${boxes[i - 1].text}" and "${boxes[i].text}" overlap`);
  }
  return boxes.length;
}

// What a test of the built playground needs from the environment, checked:
// the native compiler (VORN_COMPILE), the web folder as built
// (VORN_WEB_BUILD), where screenshots go (VORN_TEST_OUTPUT, created) and
// Chromium, launched.
export async function playgroundEnvironment() {
  const chromiumPath = process.env.VORN_CHROMIUM ?? '/usr/bin/chromium';
  const compilerPath = process.env.VORN_COMPILE;
  const webBuild = process.env.VORN_WEB_BUILD;
  const outputDir = process.env.VORN_TEST_OUTPUT ?? join(here, '../../build/web-test-output');
  assert.ok(compilerPath, 'set VORN_COMPILE to the vorn-compile executable');
  assert.ok(webBuild && existsSync(join(webBuild, 'playground.js')), 'set VORN_WEB_BUILD to the folder the build writes playground.js into');
  assert.ok(existsSync(chromiumPath), `${chromiumPath} is missing: apt-get install chromium (scripts/ensure-tools.sh does)`);
  mkdirSync(outputDir, { recursive: true });
  const { chromium } = await import('playwright-core');
  return { compilerPath, webBuild, outputDir, launch: () => launchChromium(chromium, chromiumPath) };
}
