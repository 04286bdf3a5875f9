// Random circuits of up to 10 inputs, some with latches (state carried from
// row to row) and outputs that never become defined: the table that
// --truth-table prints, fed back to --test, passes; flipping any one output
// cell makes exactly that row fail. The JavaScript module's circuit.test()
// must give the compiler's JSON report for the same tables.
// Run with `node --test`; VORN_COMPILE names the compiler.
import test from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { loadCircuit } from '../../web/vorn.mjs';
import { GATES, randomOf } from './random_source.mjs';

const compilerPath = process.env.VORN_COMPILE;
assert.ok(compilerPath, 'set VORN_COMPILE to the vorn-compile executable');
const work = mkdtempSync(join(tmpdir(), 'vorn-test-tables-'));
if (!process.env.VORN_KEEP) process.on('exit', () => rmSync(work, { recursive: true, force: true }));

// The trace on standard error is not needed here.
function compiler(args) {
  return spawnSync(compilerPath, args, { encoding: 'utf8', maxBuffer: 1 << 28, stdio: ['ignore', 'pipe', 'ignore'] });
}


function generate(seed) {
  const random = randomOf(seed);
  const inputs = Array.from({ length: 1 + random(10) }, (_, i) => `i${i}`);
  const signals = [...inputs];
  const recent = () => signals[signals.length - 1 - random(Math.min(signals.length, 5))];
  const pick = () => (random(3) ? recent() : signals[random(signals.length)]);
  const lines = [`input ${inputs.join(', ')}`];
  const gates = 2 + random(18);
  for (let g = 0; g < gates; g++) {
    const roll = random(10);
    if (roll === 0) {
      // A set/reset latch of primitives: its output depends on earlier rows.
      const [s, r] = [pick(), pick()];
      lines.push(`not l${g}r(in=${r})`, `not l${g}x(in=l${g}n.out)`, `and l${g}q(a=l${g}r.out, b=l${g}x.out)`,
        `not l${g}s(in=${s})`, `not l${g}y(in=l${g}q.out)`, `and l${g}n(a=l${g}s.out, b=l${g}y.out)`);
      signals.push(`l${g}q.out`, `l${g}n.out`);
    } else if (roll === 1) {
      // A ring that nothing drives: never defined.
      lines.push(`not r${g}a(in=r${g}b.out)`, `not r${g}b(in=r${g}a.out)`);
      signals.push(`r${g}b.out`);
    } else {
      const [type, arity] = GATES[random(GATES.length)];
      const ports = arity === 2 ? `a=${pick()}, b=${pick()}` : `in=${pick()}`;
      lines.push(`${type} g${g}(${ports})`);
      signals.push(`g${g}.out`);
    }
  }
  const outputs = 1 + random(4);
  for (let k = 0; k < outputs; k++) lines.push(`output y${k}(in=${recent()})`);
  return { text: `${lines.join('\n')}\n`, inputs: inputs.length, outputs, random };
}

// The output cells of a printed table, as [line index, start, end] in its
// lines, row by row.
function outputCells(lines, format, inputs) {
  const rows = [];
  const first = format === 'csv' ? 1 : 2;
  for (let l = first; l < lines.length && lines[l] !== ''; l++) {
    const cells = [];
    const separator = format === 'csv' ? ',' : '|';
    let start = format === 'csv' ? 0 : 1;
    for (let c = 0; ; c++) {
      const stop = lines[l].indexOf(separator, start);
      if (stop === -1) {
        // A CSV line's last cell runs to its end; a Markdown line ends in '|'.
        if (c >= inputs && format === 'csv') cells.push([start, lines[l].length]);
        break;
      }
      if (c >= inputs) cells.push([start, stop]);
      start = stop + 1;
    }
    rows.push({ line: l, cells });
  }
  return rows;
}

function flip(lines, line, [start, end], random) {
  const text = lines[line];
  const cell = text.slice(start, end);
  const value = cell.trim();
  const flipped = value === '0' ? '1' : value === '1' ? '0' : String(random(2));
  const copy = [...lines];
  copy[line] = text.slice(0, start) + cell.replace(value, flipped) + text.slice(end);
  return copy;
}

test('printed tables pass, and one flipped output cell fails exactly its row', async () => {
  let checked = 0;
  for (let seed = 1; seed <= 48; seed++) {
    const circuit = generate(seed);
    const source = join(work, `c${seed}.vorn`);
    writeFileSync(source, circuit.text);
    const format = seed % 2 ? 'csv' : 'markdown';
    const printed = compiler([source, '--truth-table', `--format=${format}`]);
    // A latch released in the wrong order may oscillate: no table to check.
    if (printed.status !== 0) continue;
    checked++;
    const label = `seed ${seed}:\n${circuit.text}`;
    const table = join(work, `c${seed}.${format === 'csv' ? 'csv' : 'md'}`);
    writeFileSync(table, printed.stdout);
    const rowCount = 2 ** circuit.inputs;

    const passing = compiler([source, '--test', table, '--format=json']);
    assert.equal(passing.status, 0, label);
    const report = JSON.parse(passing.stdout);
    assert.deepEqual([report.passed, report.failed, report.rows.length], [rowCount, 0, rowCount], label);
    assert.equal(compiler([source, '--test', table]).stdout, `${rowCount} of ${rowCount} rows passed\n`, label);

    const lines = printed.stdout.split('\n');
    const rows = outputCells(lines, format, circuit.inputs);
    assert.equal(rows.length, rowCount, label);
    const wasm = join(work, `c${seed}.wasm`);
    const loaded = seed % 3 === 0 && compiler([source, '-o', wasm]).status === 0 ? await loadCircuit(readFileSync(wasm)) : null;
    for (let trial = 0; trial < 3; trial++) {
      const row = rows[circuit.random(rows.length)];
      const cell = row.cells[circuit.random(row.cells.length)];
      const text = flip(lines, row.line, cell, circuit.random).join('\n');
      writeFileSync(table, text);
      const failing = compiler([source, '--test', table, '--format=json']);
      assert.equal(failing.status, 1, label);
      const failed = JSON.parse(failing.stdout);
      assert.deepEqual(failed.rows.filter((r) => !r.ok).map((r) => r.line), [row.line + 1], label);
      assert.match(failed.rows.find((r) => !r.ok).reason, /^expected y\d=[01?], got y\d=[01?]$/, label);
      if (loaded) assert.deepEqual(loaded.test(text, table), failed, `circuit.test() of ${label}`);
    }
    if (loaded) assert.deepEqual(loaded.test(printed.stdout, 'printed'), { ...report, table: 'printed' }, label);
  }
  assert.ok(checked >= 36, `only ${checked} of 48 circuits had a truth table`);
});

// Tables with several faults at once: --test and circuit.test() must report
// the same first one (the same place and words, control bytes escaped alike),
// and agree on the report when there is none. Under --diagnostics-format=json
// the fault is the failure's location, and nothing else is written.
const FAULTY_CELLS = ['0', '1', '?', '*', '', ' 1 ', 'x', '10', '\x1b[2J', 'caf\u00e9', '\u0085'];
const FAULTY_NAMES = ['a', 'b', 'y', 'z', 'a', 'y', 'q', '\x1b[31m', ''];

function faultyTable(random) {
  const markdown = random(2) === 0;
  const row = (cells, asMarkdown = markdown) => {
    if (!asMarkdown) return cells.join(',');
    const text = `| ${cells.join(' | ')} |`;
    return random(12) === 0 ? text.slice(0, -1) : text;
  };
  const pickAll = (pool, count) => Array.from({ length: count }, () => pool[random(pool.length)]);
  const good = ['a', 'b', 'y', 'z'].sort(() => random(3) - 1);
  const header = random(3) === 0 ? pickAll(FAULTY_NAMES, 1 + random(5)) : good;
  const lines = [row(header)];
  if (markdown && random(2) === 0) lines.push(row(header.map(() => ['---', ':-:', '--:', 'x'][random(4)])));
  const count = random(6);
  for (let r = 0; r < count; r++) {
    const kind = random(10);
    if (kind === 0) lines.push(random(2) ? '' : '// a comment');
    else if (kind === 1) lines.push(row(pickAll(FAULTY_CELLS, header.length), !markdown));
    else {
      const width = kind === 2 ? header.length + random(3) - 1 : header.length;
      lines.push(row(pickAll(kind < 5 ? FAULTY_CELLS : ['0', '1', '0', '1', '*'], Math.max(width, 0))));
    }
  }
  return lines.join(random(5) === 0 ? '\r\n' : '\n') + (random(2) ? '\n' : '');
}

test('--test and circuit.test() report the same first fault of a table', async () => {
  const source = join(work, 'faults.vorn');
  writeFileSync(source, 'input a, b\nand g(a=a, b=b)\noutput y(in=g)\noutput z(in=a)\n');
  const wasm = join(work, 'faults.wasm');
  assert.equal(compiler([source, '-o', wasm]).status, 0);
  const circuit = await loadCircuit(readFileSync(wasm));
  const random = randomOf(41);
  const faults = new Set();
  for (let round = 0; round < 400; round++) {
    const text = faultyTable(random);
    const table = join(work, `faults${round % 2 ? '.csv' : '.md'}`);
    writeFileSync(table, text);
    const label = `table ${round}:\n${text}`;
    let expected = null;
    let report = null;
    try {
      report = circuit.test(text, table);
    } catch (error) {
      assert.equal(error.name, 'TableError', label);
      expected = error;
    }
    const json = round % 2 === 0;
    const run = spawnSync(compilerPath, [source, '--test', table, '--format=json', ...(json ? ['--diagnostics-format=json'] : [])],
      { encoding: 'utf8', maxBuffer: 1 << 28 });
    const errors = run.stderr.split('\n').filter((line) => line !== '' && !line.startsWith('info(log): '));
    if (expected === null) {
      assert.deepEqual(JSON.parse(run.stdout), report, label);
      assert.deepEqual(errors, json ? ['{"diagnostics":[],"failure":null}'] : [], label);
      continue;
    }
    faults.add(expected.reason.replace(/'.*'/, "'…'"));
    assert.equal(run.status, 1, label);
    assert.equal(run.stdout, '', label);
    if (!json) {
      assert.deepEqual(errors, [expected.message], label);
      continue;
    }
    assert.equal(errors.length, 1, label);
    assert.deepEqual(JSON.parse(errors[0]).failure, {
      stage: 'test table failed',
      error: 'InvalidTestTable',
      location: { file: table, line: expected.line, column: expected.column, message: expected.reason },
    }, label);
  }
  // Every kind of fault turned up.
  assert.ok(faults.size >= 10, [...faults].join('\n'));
});
