// Modules written by the compiler: the carried runtime followed by the two
// topology sections, and a simulation that agrees with the compiler's own
// truth tables for every input vector.
import test from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, writeFileSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, dirname } from 'node:path';
import { fileURLToPath } from 'node:url';
import {
  compilerPath, loadRuntimeBytes, instantiate, loadTopology, sections, decodeFullTopology, leb128,
} from './harness.mjs';

const runtime = loadRuntimeBytes();
const work = mkdtempSync(join(tmpdir(), 'vorn-artifact-'));
process.on('exit', () => rmSync(work, { recursive: true, force: true }));

const sources = {
  'and2.vorn': 'input a, b\nand g(a=a, b=b)\noutput out(in=g.out)\n',
  'chain.vorn':
    '// A pin through a wire, an inverter and an LED.\n' +
    'input a\nwire w(in=a)\nnot n(in=w.out)\nled l(in=n.out)\noutput y(in=l.out)\noutput z(in=w.out)\n',
  'half_adder.vorn':
    'import inv "chain.vorn"\ninput a, b\nxor s(a=a, b=b)\nand c(a=a, b=b)\noutput sum(in=s.out)\noutput carry(in=c.out)\n',
  'full_adder.vorn':
    'import half "half_adder.vorn"\ninput a, b, cin\nhalf h1(a=a, b=b)\nhalf h2(a=h1.sum, b=cin)\n' +
    'or c(a=h1.carry, b=h2.carry)\noutput sum(in=h2.sum)\noutput cout(in=c.out)\n',
  'wide.vorn':
    'import fa "full_adder.vorn"\ninput a0, a1, b0, b1, c, e, f, g, h, k\n' +
    'fa lo(a=a0, b=b0, cin=c)\nfa hi(a=a1, b=b1, cin=lo.cout)\n' +
    'nand x(a=e, b=f)\nnor y(a=g, b=h)\nxnor q(a=x.out, b=y.out)\nand m(a=q.out, b=k)\n' +
    'output s0(in=lo.sum)\noutput s1(in=hi.sum)\noutput co(in=hi.cout)\noutput mix(in=m.out)\n',
  // a and not a: the wire brings a rise to g before the inverter undoes it.
  'pulse.vorn': 'input a\nnot n(in=a)\nwire w(in=a)\nand g(a=n.out, b=w.out)\noutput o(in=g.out)\n',
};
for (const [name, text] of Object.entries(sources)) writeFileSync(join(work, name), text);

function compiler(args) {
  const result = spawnSync(compilerPath, args, { encoding: 'buffer', maxBuffer: 1 << 30 });
  assert.equal(result.status, 0, `vorn-compile ${args.join(' ')}: ${result.stderr.toString().slice(0, 2000)}`);
  return result;
}

function compile(name) {
  const output = join(work, name.replace('.vorn', '.wasm'));
  compiler([join(work, name), '-o', output]);
  return new Uint8Array(readFileSync(output));
}

function truthTable(name) {
  return JSON.parse(compiler([join(work, name), '--truth-table', '--format=json']).stdout.toString());
}

function decodeCompact(bytes) {
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  assert.equal(String.fromCharCode(...bytes.subarray(0, 4)), 'VORN');
  assert.equal(bytes[4], 1);
  const components = view.getUint32(5, true);
  const connections = view.getUint32(9, true);
  assert.equal(bytes.length, 13 + 5 * components + 9 * connections);
  const list = [];
  for (let i = 0; i < components; i++) list.push({ id: view.getUint32(13 + 5 * i, true), kind: bytes[17 + 5 * i] });
  const links = [];
  for (let i = 0, at = 13 + 5 * components; i < connections; i++, at += 9) {
    links.push({ from: view.getUint32(at, true), to: view.getUint32(at + 4, true), port: bytes[at + 8] });
  }
  return { components: list, connections: links };
}

// The runtime unchanged, then exactly the two custom sections.
function checkLayout(artifact) {
  assert.ok(artifact.length > runtime.length);
  assert.ok(Buffer.from(artifact.subarray(0, runtime.length)).equals(runtime), 'runtime copied byte for byte');
  const appended = sections(artifact).filter((s) => s.start > runtime.length);
  assert.deepEqual(appended.map((s) => s.name), ['vorn.topology.v0.min', 'vorn.topology.v0.full']);
  const [compact, full] = appended.map((s) => artifact.subarray(s.payloadStart, s.end));
  let at = runtime.length;
  for (const [name, payload] of [['vorn.topology.v0.min', compact], ['vorn.topology.v0.full', full]]) {
    const header = [0, ...leb128(1 + name.length + payload.length), name.length, ...Buffer.from(name)];
    assert.deepEqual([...artifact.subarray(at, at + header.length)], header);
    at += header.length + payload.length;
  }
  assert.equal(at, artifact.length);
  const module = new WebAssembly.Module(artifact);
  assert.deepEqual(WebAssembly.Module.customSections(module, 'vorn.topology.v0.min').map((b) => b.byteLength), [compact.length]);
  return { module, compact, full };
}

// Drives every row of the compiler's truth table through the runtime, in the
// table's order (the circuit is not reset between rows, as in the table).
function checkAgainstTruthTable(name) {
  const artifact = compile(name);
  const { module, compact, full } = checkLayout(artifact);
  const table = truthTable(name);
  const topology = decodeFullTopology(full);
  const minimal = decodeCompact(compact);
  assert.deepEqual(minimal.components, topology.components.map(({ id, kind }) => ({ id, kind })));
  assert.deepEqual(minimal.connections, topology.connections);
  topology.components.forEach((c, index) => assert.equal(c.id, index, 'ids are record positions'));

  const top = topology.components.filter((c) => c.origin.length === 0);
  const inputs = top.filter((c) => c.kind === 0);
  const outputs = top.filter((c) => c.kind === 5);
  assert.deepEqual(inputs.map((c) => c.name), table.inputs);
  assert.deepEqual(outputs.map((c) => c.name), table.outputs);
  assert.equal(table.rows.length, 2 ** inputs.length);

  const { exports } = instantiate(module);
  loadTopology(exports, compact);
  for (const row of table.rows) {
    inputs.forEach((pin, i) => exports.setPin(pin.id, row.in[i]));
    exports.run();
    const got = outputs.map((pin) => {
      const state = exports.getOutputState(pin.id);
      return state === 2 ? null : state;
    });
    assert.deepEqual(got, row.out, `${name} inputs ${row.in.join('')}`);
  }
  return { exports, topology, inputs, outputs };
}

test('single file: layout and every vector', () => {
  const { exports, inputs } = checkAgainstTruthTable('and2.vorn');
  // The sections of the two-input AND example: 60 and 98 bytes.
  const artifact = compile('and2.vorn');
  assert.equal(artifact.length, runtime.length + 2 + 21 + 60 + 2 + 22 + 98);
  // getOutputState reads any component; setPin ignores non-inputs.
  exports.setPin(3, 0);
  assert.equal(exports.getOutputState(3), 1);
  assert.equal(exports.getOutputState(inputs[0].id), 1);
});

test('wire, inverter and LED', () => {
  checkAgainstTruthTable('chain.vorn');
});

test('built-in gates and an unused import', () => {
  checkAgainstTruthTable('half_adder.vorn');
});

test('nested sub-circuits', () => {
  const { topology } = checkAgainstTruthTable('full_adder.vorn');
  assert.ok(topology.components.some((c) => c.origin.length >= 2), 'two levels of instances');
});

test('ten inputs, 1024 vectors', () => {
  checkAgainstTruthTable('wide.vorn');
});

test('a pulse through a fast and a slow path settles to 0', () => {
  const { exports, inputs, outputs } = checkAgainstTruthTable('pulse.vorn');
  const [a] = inputs.map((pin) => pin.id);
  const [o] = outputs.map((pin) => pin.id);
  const g = 3;
  for (const value of [1, 0, 1, 1, 0, 1]) {
    exports.setPin(a, value);
    assert.equal(exports.getOutputState(o), 0, `a=${value}`);
    assert.equal(exports.getOutputState(g), 0, `and gate at a=${value}`);
  }
});

test('the example host prints the same table', () => {
  const artifact = join(work, 'full_adder.wasm');
  compile('full_adder.vorn');
  const script = join(dirname(fileURLToPath(import.meta.url)), '../../examples/run-artifact.mjs');
  const result = spawnSync(process.execPath, [script, artifact], { encoding: 'utf8' });
  assert.equal(result.status, 0, result.stderr);
  const table = truthTable('full_adder.vorn');
  const expected = table.rows.map((row) =>
    `${table.inputs.map((n, i) => `${n}=${row.in[i]}`).join(' ')} -> ` +
    `${table.outputs.map((n, i) => `${n}=${row.out[i] ?? '?'}`).join(' ')}\n`).join('');
  assert.equal(result.stdout, expected);
});

test('a damaged compact section leaves the runtime uninitialised', () => {
  const { module, compact } = checkLayout(compile('full_adder.vorn'));
  const cases = {
    short: compact.slice(0, 12),
    magic: Uint8Array.from(compact, (b, i) => (i === 0 ? 0x58 : b)),
    kind: Uint8Array.from(compact, (b, i) => (i === 17 ? 9 : b)),
    truncated: compact.slice(0, compact.length - 1),
    dangling: Uint8Array.from(compact, (b, i) => (i === compact.length - 2 ? 0xEE : b)),
  };
  for (const [name, payload] of Object.entries(cases)) {
    const { exports } = instantiate(module);
    loadTopology(exports, payload);
    exports.setPin(0, 1);
    assert.equal(exports.getOutputState(0), 2, name);
  }
});
