#!/usr/bin/env node
// Times the SVG schematic (web/schematic.mjs) in headless Chromium, served
// from the built web folder: layout (ELK, in its worker) plus drawing, for
// the examples and for generated circuits of 500 and 2,000 gates; and the
// longest task on the page's main thread (PerformanceObserver "longtask",
// which reports tasks of 50 ms and more) during an edit (a new circuit
// loaded and drawn while the old picture stays) and during a toggle.
//
//   node bench/schematic_bench.mjs <vorn-compile> <built web folder> [repetitions]
import { spawnSync } from 'node:child_process';
import { copyFileSync, mkdirSync, mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { startServer } from '../tests/web/server.mjs';

const here = dirname(fileURLToPath(import.meta.url));
const repo = resolve(here, '..');
const [compiler, webBuild, repetitionsArg] = process.argv.slice(2);
if (!compiler || !webBuild) {
  process.stderr.write('usage: node bench/schematic_bench.mjs <vorn-compile> <built web folder> [repetitions]\n');
  process.exit(2);
}
const repetitions = Number(repetitionsArg ?? 5);
const work = mkdtempSync(join(tmpdir(), 'vorn-schematic-bench-'));
process.on('exit', () => rmSync(work, { recursive: true, force: true }));

function run(args, cwd) {
  const result = spawnSync(resolve(args[0]), args.slice(1), { cwd, encoding: 'utf8', maxBuffer: 1 << 26 });
  if (result.status !== 0) {
    process.stderr.write(`${args.join(' ')} failed:\n${result.stderr}`);
    process.exit(1);
  }
}

spawnSync('bash', [join(here, 'generate_inputs.sh'), join(work, 'gen')]);
mkdirSync(join(work, 'parts'));
for (const name of ['full_adder.vorn', 'half_adder.vorn', 'inverter.vorn']) {
  copyFileSync(join(repo, 'examples', name), join(work, name));
  copyFileSync(join(repo, 'examples', name), join(work, 'parts', name));
}
copyFileSync(join(repo, 'web/playground-src/adder4.vorn'), join(work, 'adder4.vorn'));
const circuits = [
  ['inverter', 'inverter.vorn'], ['half adder', 'half_adder.vorn'], ['full adder', 'full_adder.vorn'],
  ['4-bit adder', 'adder4.vorn'], ['500 gates', 'gen/gates_500.vorn'], ['2,000 gates', 'gen/gates_2000.vorn'],
].map(([title, source], i) => {
  run([compiler, source, '-o', `c${i}.wasm`], work);
  return { title, url: `/artifacts/c${i}.wasm` };
});

const { chromium } = await import(resolve(repo, 'tests/web/node_modules/playwright-core/index.mjs'));
const server = await startServer({ '/': resolve(webBuild), '/artifacts/': work });
const browser = await chromium.launch({ executablePath: '/usr/bin/chromium', headless: true, args: ['--no-sandbox', '--disable-gpu'] });
const page = await browser.newPage({ viewport: { width: 1280, height: 800 } });
await page.goto(`${server.url}/index.html`);

const median = (values) => [...values].sort((x, y) => x - y)[values.length >> 1];
process.stdout.write(`schematic in Chromium, ${repetitions} drawings each; longest main-thread task (tasks under 50 ms are not reported)\n`);
for (const circuit of circuits) {
  const result = await page.evaluate(async ({ url, repetitions: count }) => {
    const { loadCircuit } = await import('/vorn.mjs');
    const { renderSchematic } = await import('/schematic.mjs');
    const bytes = await (await fetch(url)).arrayBuffer();
    const box = document.createElement('div');
    document.body.append(box);
    let circuit = await loadCircuit(bytes);
    for (const name of circuit.inputs) circuit.set(name, 0);
    circuit.run();
    const view = renderSchematic(box, circuit);
    await view.ready;
    const times = [];
    for (let i = 0; i < count; i++) {
      const start = performance.now();
      await view.setCircuit(circuit);
      times.push(performance.now() - start);
    }
    const longest = async (action) => {
      const tasks = [];
      const observer = new PerformanceObserver((list) => tasks.push(...list.getEntries().map((entry) => entry.duration)));
      observer.observe({ type: 'longtask' });
      await action();
      await new Promise((done) => setTimeout(done, 100));
      observer.disconnect();
      return tasks.length ? Math.max(...tasks) : 0;
    };
    // An edit: the new circuit's bytes loaded, then drawn in place of the old.
    const edit = await longest(async () => {
      circuit = await loadCircuit(bytes);
      for (const name of circuit.inputs) circuit.set(name, 0);
      circuit.run();
      await view.setCircuit(circuit);
    });
    const toggle = await longest(async () => {
      circuit.set(circuit.inputs[0], 1);
      circuit.run();
      view.update();
      await new Promise((done) => requestAnimationFrame(() => setTimeout(done, 0)));
    });
    const symbols = box.querySelectorAll('[data-component]').length;
    const nets = box.querySelectorAll('[data-net]').length;
    view.destroy();
    box.remove();
    return { times, edit, toggle, symbols, nets };
  }, { url: circuit.url, repetitions });
  const blocked = (ms) => (ms ? `${ms.toFixed(0)} ms` : '< 50 ms');
  process.stdout.write(`${circuit.title.padEnd(12)} ${String(result.symbols).padStart(5)} symbols ${String(result.nets).padStart(5)} nets: `
    + `layout + drawing median ${median(result.times).toFixed(0)} ms (min ${Math.min(...result.times).toFixed(0)}, max ${Math.max(...result.times).toFixed(0)}); `
    + `longest block: edit ${blocked(result.edit)}, toggle ${blocked(result.toggle)}\n`);
}
await browser.close();
await server.close();
