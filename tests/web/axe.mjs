// axe-core (from tests/web/node_modules) on a Playwright page as it is:
// the serious and critical findings, each as "rule: targets". The check
// that a control's name holds its visible text is still marked experimental
// in axe-core; it is wanted.
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

const here = dirname(fileURLToPath(import.meta.url));

export async function axeFindings(page) {
  await page.addScriptTag({ path: join(here, 'node_modules/axe-core/axe.min.js') });
  const violations = await page.evaluate(async () => (await window.axe.run(document, {
    resultTypes: ['violations'], rules: { 'label-content-name-mismatch': { enabled: true } },
  })).violations);
  return violations.filter((v) => ['serious', 'critical'].includes(v.impact))
    .map((v) => `${v.id}: ${v.nodes.map((n) => n.target.join(' ')).join(', ')}`);
}
