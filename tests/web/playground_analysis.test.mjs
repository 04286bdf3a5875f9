// The playground's Analysis panel in headless Chromium from the system: its
// Karnaugh maps read off the page, cell by cell, against the native
// compiler's truth table (VORN_COMPILE), each outlined group against the
// cells it covers, and its forms and critical paths against the native
// compiler's --analyze JSON. Keyboard-only use, axe-core, and screenshots at
// a desktop and a phone size (VORN_TEST_OUTPUT).
import test, { after, before } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { axeFindings, playgroundEnvironment } from './page_checks.mjs';
import { startServer } from './server.mjs';

const { compilerPath, webBuild, outputDir, launch } = await playgroundEnvironment();

const work = mkdtempSync(join(tmpdir(), 'vorn-analysis-'));

function native(name, text, args) {
  const dir = mkdtempSync(join(work, 'native-'));
  writeFileSync(join(dir, name), text);
  const result = spawnSync(compilerPath, [name, ...args], { cwd: dir, encoding: 'utf8' });
  assert.equal(result.status, 0, result.stderr);
  return JSON.parse(result.stdout);
}

// f reads four inputs (one map), g all five (two maps), h two; k one (no map).
const SOURCE = `input a, b, c, d, e
and ab(a=a, b=b)
not nd(in=d)
and cnd(a=c, b=nd.out)
or f1(a=ab.out, b=cnd.out)
output f(in=f1.out)
and ce(a=c, b=e)
not nb(in=b)
and dnb(a=d, b=nb.out)
or g1(a=ce.out, b=dnb.out)
or g2(a=g1.out, b=ab.out)
output g(in=g2.out)
or h1(a=a, b=e)
output h(in=h1.out)
not k1(in=c)
output k(in=k1.out)
`;

let server;
let browser;
before(async () => {
  [server, browser] = await Promise.all([startServer({ '/': webBuild }), launch()]);
});
after(async () => {
  await Promise.all([browser?.close(), server?.close()]);
  rmSync(work, { recursive: true, force: true });
});

// Every map of one output as the page shows it: its axes' variables and
// labels, its cells, and the cells inside each outline.
const shownMaps = (page, output) => page.locator(`.analysis-output[data-output="${output}"] .kmap`).evaluateAll((grids) =>
  grids.map((grid) => {
    const at = (node) => [Number(getComputedStyle(node).gridRowStart) - 2, Number(getComputedStyle(node).gridColumnStart) - 2];
    const cells = [...grid.querySelectorAll('[role="cell"]')].map((cell) => {
      const [r, c] = at(cell);
      return { r, c, value: cell.querySelector('.kmap-value').textContent, marks: cell.querySelector('.kmap-marks')?.textContent ?? '' };
    });
    const colLabels = [...grid.querySelectorAll('[role="columnheader"]')].slice(1).map((h) => h.textContent);
    const rowLabels = [...grid.querySelectorAll('[role="rowheader"]')].map((h) => h.textContent);
    const outlines = [...grid.querySelectorAll('.kmap-group')].map((node) => {
      const style = getComputedStyle(node);
      return {
        group: node.dataset.group, style: style.borderTopStyle,
        rows: [Number(style.gridRowStart) - 2, Number(style.gridRowEnd) - 2],
        cols: [Number(style.gridColumnStart) - 2, Number(style.gridColumnEnd) - 2],
      };
    });
    const { rowVars, colVars, mapVars, mapLabel } = grid.dataset;
    const vars = (text) => (text ? text.split(' ') : []);
    return { rowVars: vars(rowVars), colVars: vars(colVars), mapVars: vars(mapVars), mapLabel, rowLabels, colLabels, cells, outlines };
  }));

test('the Analysis panel: maps equal the truth table, groups outline only ones, forms and paths as the terminal says', async () => {
  const expected = native('five.vorn', SOURCE, ['--analyze', '--format=json']);
  const table = native('five.vorn', SOURCE, ['--truth-table', '--format=json']);
  assert.ok(Array.isArray(table.inputs) && Array.isArray(table.rows), 'the truth table as JSON');

  const context = await browser.newContext({ viewport: { width: 1280, height: 800 } });
  const page = await context.newPage();
  const problems = [];
  page.on('console', (message) => problems.push(`${message.type()}: ${message.text()}`));
  page.on('pageerror', (error) => problems.push(`exception: ${error.message}`));
  const answers = ['five.vorn'];
  page.on('dialog', (dialog) => dialog.accept(answers.shift()));
  await page.goto(`${server.url}/playground.html`);
  await page.locator('html[data-ready]').waitFor();
  await page.getByRole('button', { name: '+ File' }).click();
  await page.locator('#tabs [data-path="five.vorn"][aria-selected="true"]').waitFor();
  await page.locator('#root').selectOption('five.vorn');
  await page.locator('.cm-content').click();
  await page.keyboard.press('Control+A');
  await page.keyboard.press('Delete');
  await page.keyboard.type(SOURCE);
  await page.waitForFunction(() => !document.documentElement.hasAttribute('data-busy'));

  // Reached from the keyboard alone: the selected tab, then the arrow keys.
  await page.locator('#panel-tabs [role="tab"][aria-selected="true"]').focus();
  for (let i = 0; i < 10 && await page.locator('#tab-analysis').getAttribute('aria-selected') !== 'true'; i++) {
    await page.keyboard.press('ArrowRight');
  }
  assert.equal(await page.locator('#panel-analysis').isHidden(), false);
  await page.locator('.analysis-output[data-output="k"]').waitFor();
  await page.waitForFunction(() => !document.documentElement.hasAttribute('data-busy'));

  // The truth table's value of an output for an assignment of its support:
  // the same on every row that agrees with it.
  const valueOf = (output, assignment) => {
    const column = table.outputs.indexOf(output);
    const values = new Set(table.rows.filter((r) => table.inputs.every((name, i) => !(name in assignment) || r.in[i] === assignment[name]))
      .map((r) => String(r.out[column])));
    assert.equal(values.size, 1, `${output} at ${JSON.stringify(assignment)}: ${[...values]}`);
    return [...values][0];
  };

  let checkedCells = 0;
  for (const output of expected.outputs) {
    const section = page.locator(`.analysis-output[data-output="${output.name}"]`);
    assert.equal(await section.locator('.support').textContent(), `Support: ${output.support.join(', ')}`);
    const forms = await section.locator('.expression').allTextContents();
    assert.deepEqual(forms, [output.sop.text, output.pos.text]);
    const path = await section.locator('.critical-path li code').allTextContents();
    assert.deepEqual(path, output.depth.path.map((step) => step.path));

    const maps = await shownMaps(page, output.name);
    if (!output.kmap) {
      assert.equal(maps.length, 0, `${output.name} has no map`);
      continue;
    }
    assert.equal(maps.length, output.support.length === 5 ? 2 : output.support.length === 6 ? 4 : 1);
    const letters = new Set();
    for (const map of maps) {
      // Gray code: neighbouring labels differ in one bit, around the edge too.
      for (const labels of [map.rowLabels, map.colLabels]) {
        for (const [i, label] of labels.entries()) {
          const next = labels[(i + 1) % labels.length];
          const differing = [...label].filter((bit, k) => bit !== next[k]).length;
          assert.ok(labels.length === 1 || differing === 1, `${labels} in Gray code order`);
        }
      }
      assert.deepEqual([...map.rowVars, ...map.colVars, ...map.mapVars].sort(), [...output.support].sort());
      const assign = (vars, label) => Object.fromEntries(vars.map((name, i) => [name, Number(label[i])]));
      const ones = new Set();
      for (const cell of map.cells) {
        const assignment = { ...assign(map.mapVars, map.mapLabel), ...assign(map.rowVars, map.rowLabels[cell.r]), ...assign(map.colVars, map.colLabels[cell.c]) };
        assert.equal(cell.value, valueOf(output.name, assignment), `${output.name} at ${JSON.stringify(assignment)}`);
        if (cell.value === '1') ones.add(`${cell.r},${cell.c}`);
        checkedCells++;
      }
      // Each outline covers ones only, its letter shown in each of its cells;
      // together the outlines cover every one.
      const covered = new Set();
      for (const outline of map.outlines) {
        letters.add(outline.group);
        for (let r = outline.rows[0]; r < outline.rows[1]; r++) {
          for (let c = outline.cols[0]; c < outline.cols[1]; c++) {
            assert.ok(ones.has(`${r},${c}`), `${output.name}: group ${outline.group} covers a 0 at ${r},${c}`);
            assert.ok(map.cells.find((cell) => cell.r === r && cell.c === c).marks.includes(outline.group));
            covered.add(`${r},${c}`);
          }
        }
      }
      assert.deepEqual([...covered].sort(), [...ones].sort(), `${output.name}: the groups cover the ones`);
    }
    // One letter per term; the legend gives each its term.
    assert.equal(letters.size, output.sop.terms.length);
    const legend = await section.locator('.kmap-legend li').allTextContents();
    assert.deepEqual(legend.map((line) => line.split(' (')[0]),
      output.kmap.groups.map((group, g) => `${String.fromCharCode(65 + g)} = ${output.sop.terms[group.term].join('·')}`));
  }
  assert.ok(checkedCells >= 16 + 32 + 4, `every cell checked (${checkedCells})`);

  // Line styles, not only colours, tell neighbouring groups apart.
  const styles = await page.locator('.analysis-output[data-output="g"] .kmap-group').evaluateAll((nodes) =>
    [...new Set(nodes.map((node) => getComputedStyle(node).borderTopStyle))]);
  assert.ok(styles.length >= 2, `several line styles: ${styles}`);

  assert.deepEqual(await axeFindings(page), []);
  await page.locator('#panel-analysis').screenshot({ path: join(outputDir, 'playground-analysis-1280.png') });
  await page.setViewportSize({ width: 390, height: 844 });
  await page.locator('.analysis-output[data-output="g"]').scrollIntoViewIfNeeded();
  await page.screenshot({ path: join(outputDir, 'playground-analysis-390.png') });
  assert.deepEqual(await axeFindings(page), []);

  // g's critical path marked in the schematic: the top-level components it
  // passes through (its steps' first names, as the terminal lists them).
  await page.setViewportSize({ width: 1280, height: 800 });
  const g = expected.outputs.find((output) => output.name === 'g');
  const onPath = [...new Set(g.depth.path.map((step) => step.path.split('.')[0]))].sort();
  await page.getByRole('button', { name: "Show g's critical path in the schematic" }).click();
  assert.equal(await page.locator('#tab-schematic').getAttribute('aria-selected'), 'true');
  await page.locator('#panel-schematic [data-component].vs-highlight').first().waitFor();
  const marked = await page.locator('#panel-schematic [data-component].vs-highlight').evaluateAll((nodes) =>
    [...new Set(nodes.map((node) => node.dataset.component))].sort());
  assert.deepEqual(marked, onPath);
  await page.locator('#panel-schematic').screenshot({ path: join(outputDir, 'playground-critical-path.png') });

  // A circuit whose output can be undefined is refused, and says why.
  await page.locator('#tab-analysis').click();
  await page.locator('.cm-content').click();
  await page.keyboard.press('Control+A');
  await page.keyboard.press('Delete');
  await page.keyboard.type('input a\nnot r1(in=r2.out)\nnot r2(in=r1.out)\nand g(a=a, b=r2.out)\noutput y(in=g.out)\n');
  await page.locator('#analysis-note', { hasText: "No analysis: output 'y' is undefined (?) on 1 row: a=1." }).waitFor();
  assert.equal(await page.locator('.analysis-output').count(), 0);
  assert.deepEqual(problems, []);
  await context.close();
});
