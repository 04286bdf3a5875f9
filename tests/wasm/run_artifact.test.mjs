// The example host (examples/run-artifact.mjs) on a module assembled here
// from the runtime and hand-made topologies: a half adder whose XOR is a
// sub-circuit instance with its own pins.
import test from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, writeFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, dirname } from 'node:path';
import { fileURLToPath } from 'node:url';
import {
  loadRuntimeBytes, compactTopology, fullTopology, assembleArtifact, Kind, Port,
} from './harness.mjs';
import { decodeFullTopology, loadCircuit } from '../../web/vorn.mjs';

const script = join(dirname(fileURLToPath(import.meta.url)), '../../examples/run-artifact.mjs');

// Root: inputs a (0), b (1); instance x of "xor" (ids 2..9: its inputs p, q,
// an or built from nots and ands, its output o); and c (10); outputs
// sum (11) from the instance, carry (12).
// xor(p, q) = and(or(p, q), not(and(p, q))) with or = not(and(not p, not q)).
const frame = [{ alias: 'x', subcircuit: 'xor', targetFile: 1 }];
const records = [
  { id: 0, kind: Kind.input_pin, name: 'a' },
  { id: 1, kind: Kind.input_pin, name: 'b' },
  { id: 2, kind: Kind.input_pin, name: 'p', origin: frame },
  { id: 3, kind: Kind.input_pin, name: 'q', origin: frame },
  { id: 4, kind: Kind.not_gate, name: 'np', origin: frame },
  { id: 5, kind: Kind.not_gate, name: 'nq', origin: frame },
  { id: 6, kind: Kind.and_gate, name: 'nor', origin: frame },
  { id: 7, kind: Kind.and_gate, name: 'both', origin: frame },
  { id: 8, kind: Kind.and_gate, name: 'y', origin: frame },
  { id: 9, kind: Kind.output_pin, name: 'o', origin: frame },
  { id: 10, kind: Kind.and_gate, name: 'c' },
  { id: 11, kind: Kind.output_pin, name: 'sum' },
  { id: 12, kind: Kind.output_pin, name: 'carry' },
  { id: 13, kind: Kind.not_gate, name: 'or_' , origin: frame },
  { id: 14, kind: Kind.not_gate, name: 'nboth', origin: frame },
];
const connections = [
  [2, 4, Port.in], [3, 5, Port.in], [4, 6, Port.a], [5, 6, Port.b], [6, 13, Port.in],
  [2, 7, Port.a], [3, 7, Port.b], [7, 14, Port.in], [13, 8, Port.a], [14, 8, Port.b],
  [8, 9, Port.in], [0, 2, Port.in], [1, 3, Port.in],
  [0, 10, Port.a], [1, 10, Port.b], [8, 11, Port.in], [10, 12, Port.in],
];
const compact = compactTopology(records.map((r) => [r.id, r.kind]), connections);
const full = fullTopology(records, connections);
const artifact = assembleArtifact(loadRuntimeBytes(), compact, full);

function run(args) {
  const dir = mkdtempSync(join(tmpdir(), 'vorn-run-'));
  try {
    const path = join(dir, 'half_adder.wasm');
    writeFileSync(path, artifact);
    return spawnSync(process.execPath, [script, path, ...args], { encoding: 'utf8' });
  } finally {
    rmSync(dir, { recursive: true, force: true });
  }
}

test('decodes the full topology', () => {
  const decoded = decodeFullTopology(full);
  assert.equal(decoded.components.length, records.length);
  assert.deepEqual(decoded.components[3], { id: 3, kind: 'input_pin', name: 'q', origin: [{ alias: 'x', subcircuit: 'xor', targetFile: 1 }] });
  assert.equal(decoded.connectionCount, connections.length);
  assert.throws(() => decodeFullTopology(full.subarray(0, full.length - 1)), /truncated/);
});

test('finds the top-level pins only', async () => {
  const { inputs, outputs } = await loadCircuit(artifact);
  assert.deepEqual(inputs, ['a', 'b']);
  assert.deepEqual(outputs, ['sum', 'carry']);
});

test('prints every input vector', () => {
  const result = run([]);
  assert.equal(result.status, 0, result.stderr);
  assert.equal(result.stdout,
    'a=0 b=0 -> sum=0 carry=0\n' +
    'a=1 b=0 -> sum=1 carry=0\n' +
    'a=0 b=1 -> sum=1 carry=0\n' +
    'a=1 b=1 -> sum=0 carry=1\n');
  assert.equal(result.stderr, '');
});

test('drives named inputs and reports undefined outputs', () => {
  let result = run(['a=1', 'b=1']);
  assert.equal(result.status, 0, result.stderr);
  assert.equal(result.stdout, 'sum=0 carry=1\n');
  // b never driven: carry from and(high, undefined) stays undefined.
  result = run(['a=1']);
  assert.equal(result.stdout, 'sum=? carry=?\n');
  result = run(['a=0', '--debug']);
  assert.equal(result.stdout, 'sum=? carry=0\n');
  assert.match(result.stderr, /^\(wasm\) \[Time: 5\] Updating component id=0 to low$/m);
  result = run(['p=1']);
  assert.equal(result.status, 2);
  assert.match(result.stderr, /no top-level input named 'p'/);
});

test('a circuit that does not settle is reported and fails', () => {
  // The oscillator of the README: once en is high the loop toggles for ever.
  const compiler = process.argv[2];
  assert.ok(compiler, 'pass the vorn-compile executable as the first argument');
  const dir = mkdtempSync(join(tmpdir(), 'vorn-ring-'));
  try {
    writeFileSync(join(dir, 'ring.vorn'), 'input en\nand g(a=en, b=n.out)\nnot n(in=g.out)\noutput y(in=n.out)\n');
    const compiled = spawnSync(compiler, [join(dir, 'ring.vorn'), '-o', join(dir, 'ring.wasm')], { encoding: 'utf8' });
    assert.equal(compiled.status, 0, compiled.stderr);
    const host = (args) => spawnSync(process.execPath, [script, join(dir, 'ring.wasm'), ...args], { encoding: 'utf8' });

    let result = host([]);
    assert.equal(result.status, 1);
    assert.equal(result.stdout, 'en=0 -> y=1\n', 'the rows before stand');
    assert.equal(result.stderr, 'run-artifact: the circuit did not settle at en=1 (a loop keeps oscillating)\n');
    // From the start nothing is defined, so en=1 alone leaves the loop idle.
    result = host(['en=1']);
    assert.equal(result.status, 0, result.stderr);
    assert.equal(result.stdout, 'y=?\n');
    result = host(['en=0', 'en=1']);
    assert.equal(result.status, 1);
    assert.equal(result.stdout, '');
    assert.equal(result.stderr, 'run-artifact: the circuit did not settle at en=0 en=1 (a loop keeps oscillating)\n');
    result = host(['en=0']);
    assert.equal(result.status, 0, result.stderr);
    assert.equal(result.stdout, 'y=1\n');
  } finally {
    rmSync(dir, { recursive: true, force: true });
  }
});
