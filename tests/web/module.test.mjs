// web/vorn.mjs under Node.js against the compiler itself: its truth tables
// must come out identical, apply() must agree with arithmetic in any order,
// oscillation must be reported, and damaged files refused with a reason.
// Run with `node --test`; VORN_COMPILE names the compiler.
import test from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, writeFileSync, readFileSync, readdirSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, dirname } from 'node:path';
import { fileURLToPath } from 'node:url';
import { loadCircuit, toCsv, toMarkdown } from '../../web/vorn.mjs';
import { compactTopology, fullTopology, assembleArtifact, Kind, Port } from '../wasm/harness.mjs';

const compilerPath = process.env.VORN_COMPILE;
assert.ok(compilerPath, 'set VORN_COMPILE to the vorn-compile executable');
const work = mkdtempSync(join(tmpdir(), 'vorn-module-'));
process.on('exit', () => rmSync(work, { recursive: true, force: true }));

const FULL_ADDER =
  'input a, b, cin\nxor p(a=a, b=b)\nxor s(a=p.out, b=cin)\nand g(a=a, b=b)\nand t(a=p.out, b=cin)\n' +
  'or c(a=g.out, b=t.out)\noutput sum(in=s.out)\noutput cout(in=c.out)\n';

// An 8-bit ripple-carry adder: eight instances of the full adder, the first
// carry tied low by a gate (a AND NOT a).
function adder8() {
  const lines = ['import fa "fa.vorn"'];
  const bits = [...Array(8).keys()];
  lines.push(`input ${[...bits.map((i) => `a${i}`), ...bits.map((i) => `b${i}`)].join(', ')}`);
  lines.push('and zero(a=a0, b=not(in=a0).out)');
  let carry = 'zero.out';
  for (const i of bits) {
    lines.push(`fa f${i}(a=a${i}, b=b${i}, cin=${carry})`);
    carry = `f${i}.cout`;
  }
  for (const i of bits) lines.push(`output s${i}(in=f${i}.sum)`);
  lines.push(`output cout(in=${carry})`);
  return `${lines.join('\n')}\n`;
}

const sources = {
  'fa.vorn': FULL_ADDER,
  'adder8.vorn': adder8(),
  // One file of primitives only, compiled without the project pipeline.
  'single.vorn':
    'input a, b\nand g(a=a, b=b)\nnot n(in=g.out)\nwire w(in=a)\nled l(in=n.out)\noutput y(in=l.out)\noutput z(in=w.out)\n',
  // Sub-circuits two levels deep (the built-in gates inside fa), and
  // outputs that are undefined: z reads a loop nothing drives, y is
  // and(a, z), defined only while a is low.
  'project.vorn':
    'import fa "fa.vorn"\nimport latchless "loop.vorn"\ninput a, b\n' +
    'fa f(a=a, b=b, cin=a)\nlatchless l(en=a)\noutput s(in=f.sum)\noutput co(in=f.cout)\n' +
    'output y(in=l.y)\noutput z(in=l.z)\n',
  'loop.vorn':
    'input en\nnot m(in=k.out)\nnot k(in=m.out)\nand g(a=en, b=k.out)\noutput y(in=g.out)\noutput z(in=k.out)\n',
  'ring.vorn': 'input en\nand g(a=en, b=n.out)\nnot n(in=g.out)\noutput y(in=n.out)\n',
  // A loop-free chain of 303 xor gates whose pulses multiply along the way;
  // the import takes compiling to the project pipeline, which knows xor.
  'chain.vorn': ['import buffer "buffer.vorn"', 'input a', 'xor x0(a=a, b=a)',
    ...[...Array(302).keys()].map((i) => `xor x${i + 1}(a=x${i}, b=a)`),
    'buffer zb(i=x301)', 'output y(in=x302)', 'output z(in=zb.o)', ''].join('\n'),
  'buffer.vorn': 'input i\nwire w(in=i)\noutput o(in=w)\n',
  'wide.vorn': `input ${[...Array(17).keys()].map((i) => `i${i}`).join(', ')}\n` +
    `and g(a=i0, b=i16)\noutput y(in=g.out)\n`,
};
for (const [name, text] of Object.entries(sources)) writeFileSync(join(work, name), text);

function compiler(args) {
  const result = spawnSync(compilerPath, args, { encoding: 'utf8', maxBuffer: 1 << 28 });
  return result;
}

function compile(name) {
  const output = join(work, name.replace('.vorn', '.wasm'));
  const result = compiler([join(work, name), '-o', output]);
  assert.equal(result.status, 0, result.stderr.slice(0, 2000));
  return readFileSync(output);
}

// The trace on standard error is dropped: it runs to hundreds of megabytes
// for the wider tables.
function cliTable(name, format = 'json') {
  const result = spawnSync(compilerPath, [join(work, name), '--truth-table', `--format=${format}`],
    { encoding: 'utf8', maxBuffer: 1 << 28, stdio: ['ignore', 'pipe', 'ignore'] });
  assert.equal(result.status, 0, `truth table of ${name}`);
  return format === 'json' ? JSON.parse(result.stdout) : result.stdout;
}

test('truth tables equal the compiler\'s in all three formats', async (t) => {
  for (const name of ['single.vorn', 'project.vorn', 'adder8.vorn']) {
    await t.test(name, async () => {
      const circuit = await loadCircuit(compile(name));
      const expected = cliTable(name);
      const table = circuit.truthTable();
      assert.deepEqual(table, expected);
      assert.equal(JSON.stringify(table), JSON.stringify(expected), 'key order');
      assert.deepEqual([circuit.inputs, circuit.outputs], [expected.inputs, expected.outputs]);
      if (name !== 'adder8.vorn') {
        assert.equal(toCsv(table), cliTable(name, 'csv'));
        assert.equal(toMarkdown(table), cliTable(name, 'markdown'));
      }
    });
  }
  // The project's table really has undefined cells, and its records know
  // where they came from.
  const circuit = await loadCircuit(compile('project.vorn'));
  const table = circuit.truthTable();
  assert.ok(table.rows.every((row) => row.out[3] === null));
  assert.deepEqual(table.rows.map((row) => row.out[2]), table.rows.map((row) => (row.in[0] ? null : 0)));
  const inner = circuit.components.find((c) => c.name === 'm');
  assert.deepEqual(inner.origin, [{ alias: 'l', subcircuit: 'latchless', targetFile: inner.origin[0].targetFile }]);
  assert.equal(inner.kind, 'not_gate');
});

// A fixed-seed shuffle, so a failure can be replayed.
function shuffled(count, seed) {
  const order = [...Array(count).keys()];
  let state = seed;
  for (let i = count - 1; i > 0; i--) {
    state = (state * 1103515245 + 12345) % 2 ** 31;
    const j = state % (i + 1);
    [order[i], order[j]] = [order[j], order[i]];
  }
  return order;
}

test('apply() adds correctly in a shuffled order, driving only the inputs that change', async () => {
  const circuit = await loadCircuit(compile('adder8.vorn'));
  let previous = null;
  for (const vector of shuffled(1 << 16, 12).slice(0, 3000)) {
    const a = vector & 0xff;
    const b = vector >> 8;
    const values = {};
    for (let i = 0; i < 8; i++) {
      // State persists between calls: unchanged inputs are not driven again.
      if (previous === null || ((previous ^ vector) >> i) & 1) values[`a${i}`] = (a >> i) & 1;
      if (previous === null || ((previous ^ vector) >> (i + 8)) & 1) values[`b${i}`] = Boolean((b >> i) & 1);
    }
    const outputs = circuit.apply(values);
    const sum = a + b;
    const expected = { cout: (sum >> 8) & 1 };
    for (let i = 0; i < 8; i++) expected[`s${i}`] = (sum >> i) & 1;
    assert.deepEqual(outputs, expected, `a=${a} b=${b}`);
    assert.equal(circuit.get('a7'), (a >> 7) & 1);
    previous = vector;
  }
});

test('a loop-free chain settles however many pulses run through it', async () => {
  const chain = await loadCircuit(compile('chain.vorn'));
  // x0 = a xor a = 0, x1 = a, x2 = 0, ...: y = x302 = 0, z = x301 = a
  const expected = { inputs: ['a'], outputs: ['y', 'z'], rows: [{ in: [0], out: [0, 0] }, { in: [1], out: [0, 1] }] };
  assert.deepEqual(chain.truthTable(), expected);
  assert.deepEqual(cliTable('chain.vorn'), expected);
  assert.deepEqual(chain.apply({ a: 1 }), { y: 0, z: 1 });
  assert.deepEqual(chain.apply({ a: 0 }), { y: 0, z: 0 });
  assert.equal(chain.run(), true);
});

test('set, get and run: names, values, trace lines and an oscillating ring', async () => {
  const lines = [];
  const ring = await loadCircuit(compile('ring.vorn'), { trace: (line) => lines.push(line) });
  assert.equal(ring.get('y'), null, 'nothing driven yet');
  ring.set('en', false);
  assert.equal(ring.run(), true);
  assert.equal(ring.get('y'), 1);
  assert.match(lines[0], /^\(wasm\) \[Time: 5\] Updating component id=0 to low$/);
  ring.trace = null;
  ring.set('en', 1);
  assert.equal(ring.run(), false, 'the ring oscillates');
  assert.equal(ring.run(), false, 'and keeps oscillating');
  assert.throws(() => ring.apply({ en: 1 }), /did not settle/);
  assert.deepEqual(ring.apply({ en: 0 }), { y: 1 }, 'breaking the loop settles it');
  assert.equal(ring.run(), true);
  assert.throws(() => ring.truthTable(), /did not settle at row 1/);
  assert.equal(compiler([join(work, 'ring.vorn'), '--truth-table']).status, 1, 'the compiler refuses it too');

  assert.throws(() => ring.set('y', 1), /no input named 'y' \(inputs: 'en'\)/);
  assert.throws(() => ring.set('en', 2), /takes 0, 1, false or true/);
  assert.throws(() => ring.get('g'), /no pin named 'g' \(inputs: 'en'; outputs: 'y'\)/);
  assert.throws(() => ring.apply({ en: 0, nope: 1 }), /no input named 'nope'/);

  const wide = await loadCircuit(compile('wide.vorn'));
  assert.equal(wide.inputs.length, 17);
  assert.throws(() => wide.truthTable(), /at most 16 inputs; this circuit has 17/);
  assert.deepEqual(wide.apply({ i0: 1, i16: 1 }), { y: 1 });
});

test('files that are not compiled circuits are refused with the reason', async () => {
  const runtime = readFileSync(join(dirname(compilerPath), 'vorn-runtime.wasm'));
  // inputs a (0); not n (1); output y (2)
  const records = [
    { id: 0, kind: Kind.input_pin, name: 'a' },
    { id: 1, kind: Kind.not_gate, name: 'n' },
    { id: 2, kind: Kind.output_pin, name: 'y' },
  ];
  const links = [[0, 1, Port.in], [1, 2, Port.in]];
  const compact = compactTopology(records.map((r) => [r.id, r.kind]), links);
  const full = fullTopology(records, links);
  const good = assembleArtifact(runtime, compact, full);
  assert.deepEqual((await loadCircuit(good)).apply({ a: 1 }), { y: 0 }, 'the hand-made artifact works');

  const cases = [
    [new Uint8Array(0), /not a compiled circuit: the file is empty/],
    [new TextEncoder().encode('input a\noutput y(in=a)\n'), /not a WebAssembly module/],
    [Uint8Array.of(0, 0x61, 0x73, 0x6d, 1, 0, 0, 0, 1, 5), /WebAssembly module is invalid/],
    [Uint8Array.of(0, 0x61, 0x73, 0x6d, 1, 0, 0, 0), /lacks the simulator's exports \(memory, topology_alloc/],
    [runtime, /has no "vorn\.topology\.v0\.min" section/],
    [assembleArtifact(runtime, compact, full).subarray(0, runtime.length + 2 + 21 + compact.length),
      /has no "vorn\.topology\.v0\.full" section/],
    [assembleArtifact(runtime, compact.subarray(0, compact.length - 1), full),
      /malformed "vorn\.topology\.v0\.min" section: truncated: 3 components and 2 connections need 46 bytes, the section has 45/],
    [assembleArtifact(runtime, compact, full.subarray(0, full.length - 12)),
      /malformed "vorn\.topology\.v0\.full" section: truncated.*connection/],
    [assembleArtifact(runtime, compact, full.subarray(0, 20)),
      /malformed "vorn\.topology\.v0\.full" section: truncated: 3 components cannot fit in 11 bytes \(header, byte 9\)/],
    [assembleArtifact(runtime, compact, Uint8Array.from(full, (b, i) => (i === 14 ? 0xff : b))),
      /"vorn\.topology\.v0\.full" section: truncated: 255 more bytes needed, \d+ left \(component record 0, byte 18\)/],
    [assembleArtifact(runtime, compact, Uint8Array.from(full, (b, i) => (i === 13 ? 9 : b))),
      /"vorn\.topology\.v0\.full" section: unknown component kind 9 \(component record 0/],
    [assembleArtifact(runtime, Uint8Array.from(compact, (b, i) => (i === 0 ? 0x58 : b)), full),
      /"vorn\.topology\.v0\.min" section: does not start with "VORN"/],
    [assembleArtifact(runtime, compact, Uint8Array.from([...full, 0])),
      /"vorn\.topology\.v0\.full" section: 1 unexpected bytes after the last record/],
    [assembleArtifact(runtime, compactTopology([[0, 0], [1, 1], [2, 5]], [[0, 1, 0], [1, 7, 0]]), full),
      /"vorn\.topology\.v0\.min" section: unknown destination component 7 \(connection record 1/],
    [assembleArtifact(runtime, compactTopology([[0, 0], [1, 2], [2, 5]], links), full),
      /the topology sections disagree at component record 1/],
  ];
  for (const [bytes, message] of cases) {
    await assert.rejects(loadCircuit(bytes), message);
  }
  await assert.rejects(loadCircuit(42), TypeError);
});

// The golden cases' malformed tables, each refused with the compiler's own
// line; test() past 16 inputs; a row that oscillates fails alone.
test('test(): malformed tables, wide circuits and oscillating rows', async () => {
  const golden = join(dirname(fileURLToPath(import.meta.url)), '../golden');
  const gateSource = readFileSync(join(golden, 'test_markdown_table_passes/gate.vorn'), 'utf8');
  writeFileSync(join(work, 'gate.vorn'), gateSource);
  const gate = await loadCircuit(compile('gate.vorn'));
  const cases = readdirSync(golden).filter((name) => name.startsWith('test_error_'));
  assert.ok(cases.length >= 12);
  for (const name of cases) {
    const table = readFileSync(join(golden, name, 'args'), 'utf8').split('\n')[2];
    const expected = readFileSync(join(golden, name, 'expected_stderr'), 'utf8').trimEnd();
    assert.throws(() => gate.test(readFileSync(join(golden, name, table), 'utf8'), table),
      { name: 'TableError', message: expected }, name);
  }

  const wide = await loadCircuit(compile('wide.vorn'));
  const names = wide.inputs.join(',');
  const ones = wide.inputs.map(() => 1).join(',');
  const report = wide.test(`${names},y\n${ones},1\n${ones.replace(/^1/, '0')},0\n${ones},0\n`, 'wide.csv');
  assert.deepEqual(report.rows.map((row) => [row.line, row.ok, row.reason]),
    [[2, true, null], [3, true, null], [4, false, 'expected y=0, got y=1']]);
  assert.deepEqual([report.table, report.passed, report.failed], ['wide.csv', 2, 1]);

  const ring = await loadCircuit(compile('ring.vorn'));
  const rows = ring.test('| en | y |\n| 0 | 1 |\n| 1 | * |\n| 0 | 1 |\n').rows;
  assert.deepEqual(rows.map((row) => row.reason), [null, 'did not settle', null]);
});
