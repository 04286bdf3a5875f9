#!/usr/bin/env node
// Times web/vorn.mjs on a large artifact, in Node.js and in headless
// Chromium: loading and initialising it, and one input toggle that ripples
// through every gate. Needs the browser tests' npm packages (npm ci in
// tests/web) and /usr/bin/chromium.
//
//   node bench/web_bench.mjs <vorn-compile> [circuit.vorn] [repetitions]
//
// Without a circuit, chain_100k.vorn from bench/generate_inputs.sh is used:
// 100,000 gates in a chain that input a drives while b is high.
import { spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { loadCircuit } from '../web/vorn.mjs';

const here = dirname(fileURLToPath(import.meta.url));
const repo = resolve(here, '..');
const [compiler, sourceArg, repetitionsArg] = process.argv.slice(2);
if (!compiler) {
  process.stderr.write('usage: node bench/web_bench.mjs <vorn-compile> [circuit.vorn] [repetitions]\n');
  process.exit(2);
}
const repetitions = Number(repetitionsArg ?? 7);
const work = mkdtempSync(join(tmpdir(), 'vorn-web-bench-'));
process.on('exit', () => rmSync(work, { recursive: true, force: true }));

function check(result, what) {
  if (result.status !== 0) {
    process.stderr.write(`${what} failed:\n${result.stderr}`);
    process.exit(1);
  }
}

let source = sourceArg;
if (!source) {
  check(spawnSync('bash', [join(here, 'generate_inputs.sh'), work], { encoding: 'utf8' }), 'generate_inputs.sh');
  source = join(work, 'chain_100k.vorn');
}
const artifact = join(work, 'circuit.wasm');
check(spawnSync(compiler, [source, '-o', artifact], { encoding: 'utf8' }), 'compiling');
const bytes = readFileSync(artifact);

const median = (values) => [...values].sort((x, y) => x - y)[values.length >> 1];
const format = (values) => `median ${median(values).toFixed(1)} ms (min ${Math.min(...values).toFixed(1)}, max ${Math.max(...values).toFixed(1)}, n=${values.length})`;

// Shared by both hosts: load, drive every input low, then flip the first
// input back and forth, timing each flip with its settle.
async function measure(load, input, now) {
  const loads = [];
  const toggles = [];
  let components = 0;
  for (let i = 0; i < input.repetitions; i++) {
    const start = now();
    const circuit = await load();
    loads.push(now() - start);
    components = circuit.components.length;
    for (const name of circuit.inputs) circuit.set(name, 1);
    if (!circuit.run()) throw new Error('did not settle');
    const last = circuit.outputs[circuit.outputs.length - 1];
    for (let flip = 0; flip < 4; flip++) {
      const before = circuit.get(last);
      const begin = now();
      circuit.set(circuit.inputs[0], flip % 2);
      if (!circuit.run()) throw new Error('did not settle');
      toggles.push(now() - begin);
      // The flip must have reached the far end of the circuit.
      if (input.ripples && circuit.get(last) === before) throw new Error(`output ${last} did not change`);
    }
  }
  return { loads, toggles, components };
}

const ripples = !sourceArg;  // chain_100k's output follows input a while b is high
const node = await measure(() => loadCircuit(bytes), { repetitions, ripples }, () => performance.now());
process.stdout.write(`artifact: ${source} (${bytes.length} bytes, ${node.components} components)\n`);
process.stdout.write(`node ${process.version}: load+init ${format(node.loads)}; toggle ${format(node.toggles)}\n`);

const { chromium } = await import(join(repo, 'tests/web/node_modules/playwright-core/index.mjs'));
const { startServer } = await import(join(repo, 'tests/web/server.mjs'));
const server = await startServer({ '/': join(repo, 'web'), '/bench/': work });
const context = await chromium.launchPersistentContext(join(work, 'profile'), {
  executablePath: process.env.VORN_CHROMIUM ?? '/usr/bin/chromium',
  headless: true,
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
    '--disable-component-update', '--disable-sync'],
});
try {
  const page = await context.newPage();
  await page.goto(`${server.url}/index.html`);
  const browser = await page.evaluate(async ({ measureSource, repetitions, ripples }) => {
    const { loadCircuit } = await import('/vorn.mjs');
    // eslint-disable-next-line no-new-func
    const measure = new Function(`return (${measureSource})`)();
    // Fetched once: the load time is the module's work, not the server's.
    const bytes = await (await fetch('/bench/circuit.wasm')).arrayBuffer();
    return measure(() => loadCircuit(bytes), { repetitions, ripples }, () => performance.now());
  }, { measureSource: measure.toString(), repetitions, ripples });
  const version = context.browser()?.version() ?? (await page.evaluate(() => navigator.userAgent));
  process.stdout.write(`chromium ${version}: load+init ${format(browser.loads)}; toggle ${format(browser.toggles)}\n`);

  // The whole page: from the address to lamps showing the settled state.
  const pageLoads = [];
  for (let i = 0; i < Math.min(repetitions, 3); i++) {
    const start = performance.now();
    await page.goto(`${server.url}/index.html?src=/bench/circuit.wasm`);
    await page.locator('#circuit [data-output]:not([data-state="?"])').first().waitFor();
    pageLoads.push(performance.now() - start);
  }
  process.stdout.write(`chromium page (navigation to live lamps): ${format(pageLoads)}\n`);
} finally {
  await context.close();
  await server.close();
}
