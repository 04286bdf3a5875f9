// Checks of a Playwright page shared by the browser tests.
import assert from 'node:assert/strict';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

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
