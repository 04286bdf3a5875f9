// Random projects exported with --emit-verilog and simulated by Icarus
// Verilog: a generated testbench drives the root module through every input
// combination in the order --truth-table uses (first input least significant;
// within a row one input at a time, each settled before the next, since the
// table carries state from row to row) and prints each row, which must equal
// the CSV table line for line, with x where the table has '?'. Each project is
// run twice: without delays and with VORN_DELAYS defined.
//
// Projects mix every primitive, the built-in gates, anonymous gates,
// sub-circuit files instantiated several times (also anonymously), Verilog
// keywords as pin and instance names, outputs fed straight by inputs or by
// other outputs, and rings of inverters that nothing drives (their signals
// stay undefined, which Verilog must show as x, never z). Loops that a
// signal drives are left out: one that holds an undefined value can carry a
// pulse round it for ever, in our simulator (DidNotSettle) as in a Verilog
// simulator without delays.
//
// Usage: node differential.test.mjs <vorn-compile> [--count N] [--seed S] [--print]
import { execFile } from 'node:child_process';
import { mkdtempSync, mkdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { promisify } from 'node:util';

const run = promisify(execFile);
const compiler = process.argv[2] && resolve(process.argv[2]);
if (!compiler) {
  console.error('usage: differential.test.mjs <vorn-compile> [--count N] [--seed S]');
  process.exit(2);
}
const option = (name, fallback) => {
  const at = process.argv.indexOf(name);
  return at > 0 ? Number(process.argv[at + 1]) : fallback;
};
const count = option('--count', 300);
const firstSeed = option('--seed', 1);

// splitmix32-style generator: a seed gives the same project everywhere.
function random(seed) {
  let state = seed >>> 0;
  const next = () => {
    state = (state + 0x9e3779b9) >>> 0;
    let z = state;
    z = Math.imul(z ^ (z >>> 16), 0x85ebca6b) >>> 0;
    z = Math.imul(z ^ (z >>> 13), 0xc2b2ae35) >>> 0;
    return (z ^ (z >>> 16)) >>> 0;
  };
  const below = (n) => next() % n;
  return {
    below,
    chance: (percent) => below(100) < percent,
    pick: (list) => list[below(list.length)],
    shuffle(list) {
      for (let i = list.length - 1; i > 0; --i) {
        const j = below(i + 1);
        [list[i], list[j]] = [list[j], list[i]];
      }
      return list;
    },
  };
}

// Names Verilog reserves but our language does not.
const KEYWORD_NAMES = ['reg', 'begin', 'end', 'module', 'assign', 'always', 'buf', 'logic', 'integer', 'edge',
  'table', 'time', 'bit', 'int', 'initial', 'event', 'supply0', 'tri', 'wand', 'nmos', 'posedge', 'specify',
  'endmodule', 'inout', 'parameter', 'function', 'generate', 'fork', 'case', 'default', 'if', 'else', 'for',
  'while', 'wait', 'xnor1', 'bufif0', 'signed'];
const GATES = {
  and: ['a', 'b'], not: ['in'], wire: ['in'], led: ['in'],
  or: ['a', 'b'], nand: ['a', 'b'], nor: ['a', 'b'], xor: ['a', 'b'], xnor: ['a', 'b'],
};

// One source file. `files` are the files made before it, which it may import.
function makeFile(rng, index, files, isRoot) {
  const used = new Set();
  let serial = 0;
  const fresh = (prefix) => {
    if (rng.chance(15)) {
      const keyword = rng.pick(KEYWORD_NAMES);
      if (!used.has(keyword)) {
        used.add(keyword);
        return keyword;
      }
    }
    const name = `${prefix}${serial++}`;
    used.add(name);
    return name;
  };
  const inputs = [];
  const inputCount = isRoot ? rng.below(6) + (rng.chance(95) ? 1 : 0) : rng.below(3) + 1;
  for (let i = 0; i < inputCount; ++i) inputs.push(fresh('i'));
  const signals = [...inputs];  // readable by name, in an order that keeps the circuit acyclic
  const declarations = [];      // named instances, written in shuffled order
  const imports = new Map();    // file index -> alias
  const aliasOf = (file) => {
    if (!imports.has(file)) imports.set(file, `m${file}`);
    return imports.get(file);
  };
  // Recent signals half the time, so that gates build on each other.
  const recent = (n) => signals[signals.length - 1 - rng.below(Math.min(n, signals.length))];
  const operand = () => (signals.length ? (rng.chance(50) ? recent(4) : rng.pick(signals)) : null);

  // "type(port=..., ...)" with operands chosen now; null when nothing can feed it.
  const instance = (depth) => {
    const useSub = files.length > 0 && rng.chance(35);
    let type, ports, outputs;
    if (useSub) {
      const target = rng.below(files.length);
      type = aliasOf(target);
      ports = files[target].inputs;
      outputs = files[target].outputs;
    } else {
      type = rng.pick(Object.keys(GATES));
      ports = GATES[type];
      outputs = ['out'];
    }
    const bindings = [];
    for (const port of ports) {
      let value;
      if (depth < 2 && rng.chance(20)) {
        const inner = instance(depth + 1);
        if (!inner) return null;
        value = `${inner.text}.${rng.pick(inner.outputs)}`;
      } else {
        value = operand();
        if (value === null) return null;
      }
      bindings.push(`${port}=${value}`);
    }
    return { text: `${type}(${bindings.join(', ')})`, outputs };
  };

  const gateCount = rng.below(10) + (isRoot ? 2 : 1);
  for (let g = 0; g < gateCount; ++g) {
    const made = instance(0);
    if (!made) break;
    const name = fresh('g');
    const open = made.text.indexOf('(');
    declarations.push(`${made.text.slice(0, open)} ${name}${made.text.slice(open)}`);
    for (const port of made.outputs) signals.push(port === 'out' ? name : `${name}.${port}`);
  }

  // Loops through gates, each joined to the rest through an and gate.
  if (signals.length && rng.chance(20)) {
    const [n1, n2, g] = [fresh('r'), fresh('r'), fresh('g')];
    declarations.push(`not ${n1}(in=${n2}.out)`, `not ${n2}(in=${n1}.out)`, `and ${g}(a=${operand()}, b=${n1})`);
    signals.push(g);
  }

  const outputs = [];
  const outputLines = [];
  const outputCount = rng.below(3) + 1;
  for (let o = 0; o < outputCount; ++o) {
    const name = fresh('o');
    let value;
    if (outputs.length && rng.chance(10)) value = rng.pick(outputs);        // an earlier output
    else if (inputs.length && rng.chance(15)) value = rng.pick(inputs);     // straight from an input
    else if (signals.length && rng.chance(60)) value = recent(3);
    else if (signals.length && rng.chance(60)) value = operand();
    else {
      const made = instance(1);
      value = made ? `${made.text}.${rng.pick(made.outputs)}` : null;
    }
    if (value === null) {
      // Nothing to read: a ring of inverters that nothing drives.
      const [n1, n2] = [fresh('r'), fresh('r')];
      declarations.push(`not ${n1}(in=${n2}.out)`, `not ${n2}(in=${n1}.out)`);
      value = n1;
    }
    outputs.push(name);
    outputLines.push(`output ${name}(in=${value})`);
  }

  const lines = [`// random file ${index}`];
  for (const [file, alias] of imports) lines.push(`import ${alias} "f${file}.vorn"`);
  if (inputs.length) lines.push(`input ${inputs.join(', ')}`);
  lines.push(...rng.shuffle(declarations), ...outputLines);
  return { name: isRoot ? 'top' : `f${index}`, inputs, outputs, text: lines.join('\n') + '\n' };
}

function makeProject(seed) {
  const rng = random(seed);
  const files = [];
  const libraries = rng.below(4);
  for (let i = 0; i < libraries; ++i) files.push(makeFile(rng, i, files, false));
  const root = makeFile(rng, libraries, files, true);
  return { files, root };
}

function testbench(root, delays) {
  const rows = 1 << root.inputs.length;
  const regs = root.inputs.map((_, i) => `r${i}`);
  const wires = root.outputs.map((_, i) => `w${i}`);
  const settle = delays ? 100000 : 1;
  const lines = ['module vorn_differential_bench;'];
  if (regs.length) lines.push(`    reg ${regs.join(', ')};`);
  lines.push(`    wire ${wires.join(', ')};`, '    integer row;');
  // Positional: the ports must come in declaration order, inputs first.
  lines.push(`    top dut (${[...regs, ...wires].join(', ')});`);
  lines.push('    initial begin');
  lines.push(`        for (row = 0; row < ${rows}; row = row + 1) begin`);
  regs.forEach((reg, i) => lines.push(`            ${reg} = row[${i}];`, `            #${settle};`));
  if (!regs.length) lines.push(`            #${settle};`);
  const cells = [...regs, ...wires];
  lines.push(`            $display("${cells.map(() => '%b').join(',')}", ${cells.join(', ')});`);
  lines.push('        end', '        $finish;', '    end', 'endmodule', '');
  return lines.join('\n');
}

async function check(seed, work) {
  const dir = join(work, `p${seed}`);
  mkdirSync(dir);
  const { files, root } = makeProject(seed);
  files.forEach((file, i) => writeFileSync(join(dir, `f${i}.vorn`), file.text));
  writeFileSync(join(dir, 'top.vorn'), root.text);
  const problems = [];
  const csv = await run(compiler, ['top.vorn', '--truth-table', '--format=csv'], { cwd: dir, maxBuffer: 1 << 28 });
  await run(compiler, ['top.vorn', '--emit-verilog', '-o', 'top.v'], { cwd: dir });
  const table = csv.stdout.trimEnd().split('\n');
  const header = [...root.inputs, ...root.outputs].join(',');
  if (table[0] !== header) problems.push(`table header ${table[0]} is not ${header}`);
  const expected = table.slice(1).map((line) => line.replaceAll('?', 'x'));
  rowsChecked += expected.length;
  undefinedCells += expected.join().split('x').length - 1;
  for (const delays of [false, true]) {
    writeFileSync(join(dir, 'bench.v'), testbench(root, delays));
    const define = delays ? ['-DVORN_DELAYS'] : [];
    const compiled = await run('iverilog', ['-g2005', '-Wall', ...define, '-o', 'sim', 'top.v', 'bench.v'], { cwd: dir });
    if (compiled.stderr) problems.push(`iverilog${delays ? ' -DVORN_DELAYS' : ''} said:\n${compiled.stderr}`);
    const simulated = await run('vvp', ['-n', 'sim'], { cwd: dir, maxBuffer: 1 << 28, timeout: 120000 });
    const actual = simulated.stdout.split('\n').filter((line) => /^[01xz,]+$/.test(line));
    if (actual.join('\n') !== expected.join('\n')) {
      problems.push(`rows differ${delays ? ' with VORN_DELAYS' : ''}:\n  truth table: ${expected.join(' ')}\n  verilog:     ${actual.join(' ')}`);
    }
  }
  if (problems.length === 0) rmSync(dir, { recursive: true, force: true });
  return problems.length ? `seed ${seed} (kept in ${dir}):\n${problems.join('\n')}` : null;
}

// --print shows the project of --seed and stops.
if (process.argv.includes('--print')) {
  const { files, root } = makeProject(firstSeed);
  files.forEach((file, i) => console.log(`== f${i}.vorn\n${file.text}`));
  console.log(`== top.vorn\n${root.text}`);
  process.exit(0);
}

const work = mkdtempSync(join(tmpdir(), 'vorn-verilog-'));
const failures = [];
let rowsChecked = 0;
let undefinedCells = 0;
const seeds = Array.from({ length: count }, (_, i) => firstSeed + i);
// Two at a time: the machines that run the tests have two cores.
async function worker() {
  while (seeds.length) {
    const seed = seeds.shift();
    try {
      const failure = await check(seed, work);
      if (failure) failures.push(failure);
    } catch (error) {
      failures.push(`seed ${seed}: ${error.message.slice(0, 2000)}\n${(error.stderr ?? '').slice(-2000)}`);
    }
  }
}
await Promise.all([worker(), worker()]);
if (failures.length) {
  console.error(`${failures.length} of ${count} projects differ:\n\n${failures.slice(0, 5).join('\n\n')}`);
  process.exit(1);
}
rmSync(work, { recursive: true, force: true });
console.log(`${count} random projects, ${rowsChecked} rows (${undefinedCells} undefined cells): ` +
  'the Verilog simulation matches every truth table, with and without delays');
