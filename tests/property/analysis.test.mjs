// --analyze and --synthesize against independent oracles, on random circuits
// and tables: the printed truth table (every term list and Karnaugh cell
// must agree with it), Yosys's longest path over the Verilog export
// flattened to the same AND and NOT cells (no `proc`: its clean-up folds
// double inversions), the value change dump's settling times against the
// delay, and --test on the written file.
// Run with `node --test`; VORN_COMPILE names the compiler, YOSYS (default
// "yosys") the synthesis tool.
import test from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { GATES, randomOf } from './random_source.mjs';

const compilerPath = process.env.VORN_COMPILE;
assert.ok(compilerPath, 'set VORN_COMPILE to the vorn-compile executable');
const yosys = process.env.YOSYS || 'yosys';
const work = mkdtempSync(join(tmpdir(), 'vorn-analysis-'));
if (!process.env.VORN_KEEP) process.on('exit', () => rmSync(work, { recursive: true, force: true }));

function run(command, args) {
  return spawnSync(command, args, { encoding: 'utf8', maxBuffer: 1 << 28, stdio: ['ignore', 'pipe', 'pipe'] });
}


// Acyclic circuits in which every gate reaches an output, so the longest
// path of the whole design is the deepest output's.
function generate(seed) {
  const random = randomOf(seed);
  const inputs = Array.from({ length: 1 + random(8) }, (_, i) => `i${i}`);
  const signals = [...inputs];
  const read = new Set();
  const pick = () => {
    const signal = random(3) ? signals[signals.length - 1 - random(Math.min(signals.length, 4))] : signals[random(signals.length)];
    read.add(signal);
    return signal;
  };
  const lines = [`input ${inputs.join(', ')}`];
  const gates = 1 + random(16);
  for (let g = 0; g < gates; g++) {
    const [type, arity] = GATES[random(GATES.length)];
    lines.push(`${type} g${g}(${arity === 2 ? `a=${pick()}, b=${pick()}` : `in=${pick()}`})`);
    signals.push(`g${g}.out`);
  }
  let k = 0;
  lines.push(`output y${k++}(in=${pick()})`);
  for (const signal of signals.slice(inputs.length)) if (!read.has(signal)) lines.push(`output y${k++}(in=${signal})`);
  return `${lines.join('\n')}\n`;
}

// A literal list (["a", "b'"]) as a function of a row's named input bits.
// From a value change dump of the whole table: for each output, the longest
// time from an input's drive (its change, less its own delay of 5) to the
// output's last change before the next drive.
function settlingTimes(vcd, inputs, outputs) {
  const names = new Map();
  const changes = [];
  let depth = 0;
  let time = 0;
  for (const line of vcd.split('\n')) {
    if (line.startsWith('$scope')) depth++;
    else if (line.startsWith('$upscope')) depth--;
    else if (line.startsWith('$var') && depth === 1) names.set(line.split(' ')[3], line.split(' ')[4]);
    else if (line.startsWith('#')) time = Number(line.slice(1));
    else if (/^[01xz]/.test(line) && names.has(line.slice(1))) changes.push([time, names.get(line.slice(1))]);
  }
  const drives = changes.filter(([, name]) => inputs.includes(name)).map(([t]) => t - 5);
  const worst = Object.fromEntries(outputs.map((name) => [name, 0]));
  for (const [t, name] of changes) {
    if (!(name in worst)) continue;
    const drive = drives.filter((d) => d < t).pop();
    if (drive !== undefined) worst[name] = Math.max(worst[name], t - drive);
  }
  return worst;
}

const literalValue = (literal, bits) => (literal.endsWith("'") ? 1 - bits[literal.slice(0, -1)] : bits[literal]);
const sop = (terms, bits) => (terms.some((term) => term.every((l) => literalValue(l, bits) === 1)) ? 1 : 0);
const pos = (clauses, bits) => (clauses.every((clause) => clause.some((l) => literalValue(l, bits) === 1)) ? 1 : 0);

test('terms, clauses and map cells agree with the truth table; gate depth with Yosys', () => {
  let compared = 0;
  let depths = 0;
  let reachedBound = 0;
  for (let seed = 1; seed <= 120; seed++) {
    const source = join(work, `c${seed}.vorn`);
    writeFileSync(source, generate(seed));
    const vcdPath = join(work, `c${seed}.vcd`);
    const table = JSON.parse(run(compilerPath, [source, '--truth-table', '--format=json', '--vcd', vcdPath]).stdout);
    const analyzed = run(compilerPath, [source, '--analyze', '--format=json']);
    const undefinedCell = table.rows.some((row) => row.out.includes(null));
    assert.equal(analyzed.status, undefinedCell ? 1 : 0, `seed ${seed}: ${analyzed.stderr}`);
    if (undefinedCell) {
      assert.match(analyzed.stderr, /^analyze: output '\w+' is undefined \(\?\) on \d+ rows?/m);
      continue;
    }
    const report = JSON.parse(analyzed.stdout);
    assert.deepEqual(report.outputs.map((o) => o.name), table.outputs);
    const settled = settlingTimes(readFileSync(vcdPath, 'utf8'), table.inputs, table.outputs);
    for (const output of report.outputs) {
      assert.ok(settled[output.name] <= output.depth.delay, `seed ${seed} ${output.name}: settled after ${settled[output.name]}`);
      reachedBound += settled[output.name] === output.depth.delay ? 1 : 0;
    }
    for (const row of table.rows) {
      const bits = Object.fromEntries(table.inputs.map((name, i) => [name, row.in[i]]));
      report.outputs.forEach((output, k) => {
        assert.equal(sop(output.sop.terms, bits), row.out[k], `seed ${seed} ${output.name} sop ${output.sop.text}`);
        assert.equal(pos(output.pos.clauses, bits), row.out[k], `seed ${seed} ${output.name} pos ${output.pos.text}`);
        if (!output.kmap) return;
        const { maps, rows, cols, cells } = output.kmap;
        const label = (axis) => axis.vars.map((name) => bits[name]).join('');
        const cell = cells[maps.labels.indexOf(label(maps))][rows.labels.indexOf(label(rows))][cols.labels.indexOf(label(cols))];
        assert.equal(cell, row.out[k], `seed ${seed} ${output.name} map cell`);
        compared++;
      });
    }
    const verilog = join(work, `c${seed}.v`);
    assert.equal(run(compilerPath, [source, '--emit-verilog', '-o', verilog]).status, 0);
    const ltp = run(yosys, ['-p', `read_verilog ${verilog}; hierarchy -top c${seed}; flatten; ltp -noff`]);
    const length = Number(/Longest topological path in \S+ \(length=(\d+)\)/.exec(ltp.stdout)?.[1] ?? 0);
    const deepest = Math.max(0, ...report.outputs.map((o) => o.depth.gates ?? 0));
    assert.equal(deepest, length, `seed ${seed}: depth ${deepest}, yosys ${length}`);
    depths++;
  }
  assert.ok(compared > 1000 && depths > 50, `only ${compared} cells and ${depths} depths compared`);
  // The delay is an upper bound that the simulator does reach.
  assert.ok(reachedBound > 0);
  if (process.env.VORN_VERBOSE) console.log(`${reachedBound} outputs settled exactly at their bound`);
});

test('written circuits pass --test on their own tables with don\'t-cares', () => {
  for (let seed = 1; seed <= 40; seed++) {
    const random = randomOf(seed * 7919);
    const inputs = Array.from({ length: 1 + random(7) }, (_, i) => `x${i}`);
    const outputs = Array.from({ length: 1 + random(3) }, (_, k) => `f${k}`);
    const lines = [[...inputs, ...outputs].join(',')];
    for (let row = 0; row < 1 << inputs.length; row++) {
      if (random(4) === 0) continue;  // an unlisted row is a don't-care
      const bits = inputs.map((_, i) => (row >> i) & 1);
      lines.push([...bits, ...outputs.map(() => ['0', '1', '1', '0', '*'][random(5)])].join(','));
    }
    if (lines.length === 1) continue;
    const tablePath = join(work, `t${seed}.csv`);
    const circuit = join(work, `t${seed}.vorn`);
    writeFileSync(tablePath, `${lines.join('\n')}\n`);
    const written = run(compilerPath, ['--synthesize', tablePath, '--outputs', outputs.join(','), '-o', circuit]);
    assert.equal(written.status, 0, `seed ${seed}: ${written.stderr}`);
    const tested = run(compilerPath, [circuit, '--test', tablePath]);
    assert.equal(tested.status, 0, `seed ${seed}: ${tested.stdout}`);
  }
});
