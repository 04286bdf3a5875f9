// Time from a change to its diagnostics in vorn-lsp, for one document of
// 100,000 components: each round edits one line (alternately breaking and
// mending it) and waits for the publishDiagnostics that follows.
//
//   node bench/lsp_republish.mjs <vorn-lsp> [--rounds=N] [--shape=chain|unused|window]
//                                [--edit=name|syntax]
//
// chain: and/not gates alternating, one input feeding the next (no
// diagnostics when mended); unused: 100,000 inputs that feed nothing
// (100,000 warnings in every publication); window: 8 inputs and gates each
// reading signals 50 to 200 places back, 8 outputs. The edit renames the middle
// line's type (an E001) or cuts that line short, as typing does (text the
// grammar cannot read).
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';
import { Client } from '../tests/lsp/client.mjs';

const args = process.argv.slice(2);
const server = resolve(args.find((a) => !a.startsWith('--')) ?? '');
const option = (name, fallback) => (args.find((a) => a.startsWith(`--${name}=`)) ?? `=${fallback}`).split('=')[1];
const rounds = Number(option('rounds', 11));
const shape = option('shape', 'chain');
const edit = option('edit', 'name');
const N = 100000;

const lines = [];
if (shape === 'chain') {
  lines.push('input a, b');
  let prev = 'a';
  for (let i = 0; i < N; ++i) {
    lines.push(i % 2 === 0 ? `and g${i}(a=${prev}, b=b)` : `not g${i}(in=${prev})`);
    prev = `g${i}`;
  }
  lines.push(`output y(in=${prev}.out)`);
} else if (shape === 'window') {
  // 8 inputs, gates (a third NOT) reading signals 50 to 200 places back, 8 outputs.
  let seed = 26;
  const random = () => ((seed = (seed * 1103515245 + 12345) % 2147483648) / 2147483648);
  lines.push('input i0, i1, i2, i3, i4, i5, i6, i7');
  const names = ['i0', 'i1', 'i2', 'i3', 'i4', 'i5', 'i6', 'i7'];
  const pick = () => {
    let back = 50 + Math.floor(random() * 151);
    if (back > names.length) back = 1 + Math.floor(random() * names.length);
    return names[names.length - back];
  };
  for (let g = 0; g < N; ++g) {
    const a = pick();
    const b = pick();
    lines.push(random() < 1 / 3 ? `not g${g}(in=${a})` : `and g${g}(a=${a}, b=${b})`);
    names.push(`g${g}`);
  }
  for (let i = 0; i < 8; ++i) lines.push(`output o${i}(in=g${N - 1 - i}.out)`);
} else {
  for (let i = 0; i < N; ++i) lines.push(`input i${i}`);
  lines.push('output y(in=i0)');
}
const text = lines.join('\n') + '\n';
const middle = Math.floor(lines.length / 2);
const broken = lines.slice();
broken[middle] = edit === 'syntax' ? broken[middle].slice(0, broken[middle].indexOf('(') + 1)
  : broken[middle].replace(/^(and|not|input) /, 'nope ');

// The server's own processor time (user + system) in milliseconds, which a
// busy machine does not inflate the way it inflates wall time.
function cpuMs(pid) {
  const fields = readFileSync(`/proc/${pid}/stat`, 'latin1').split(') ')[1].split(' ');
  return ((Number(fields[11]) + Number(fields[12])) * 1000) / 100;
}

const work = mkdtempSync(join(tmpdir(), 'vorn-lsp-bench-'));
const path = join(work, 'big.vorn');
writeFileSync(path, text);
const uri = pathToFileURL(path).href;
const client = new Client(server, { cwd: work });
try {
  await client.initialize(pathToFileURL(work).href);
  let t = process.hrtime.bigint();
  client.notify('textDocument/didOpen', { textDocument: { uri, languageId: 'vorn', version: 1, text } });
  let published = await client.diagnosticsFor(uri, 60000);
  const openMs = Number(process.hrtime.bigint() - t) / 1e6;
  const times = [];
  const cpu = [];
  let count = 0;
  for (let round = 0; round < rounds; ++round) {
    const next = round % 2 === 0 ? broken.join('\n') + '\n' : text;
    t = process.hrtime.bigint();
    const before = cpuMs(client.child.pid);
    client.notify('textDocument/didChange', { textDocument: { uri, version: round + 2 }, contentChanges: [{ text: next }] });
    published = await client.diagnosticsFor(uri, 60000);
    times.push(Number(process.hrtime.bigint() - t) / 1e6);
    cpu.push(cpuMs(client.child.pid) - before);
    count = Math.max(count, published.diagnostics.length);
  }
  times.sort((x, y) => x - y);
  cpu.sort((x, y) => x - y);
  const ms = (v) => `${v.toFixed(0)} ms`;
  console.log(`${shape}, ${edit} edits: ${N} components, ${(text.length / 1e6).toFixed(1)} MB, up to ${count} diagnostics per publication`);
  console.log(`open to first diagnostics: ${ms(openMs)}`);
  const spread = (list) => `min ${ms(list[0])}, median ${ms(list[Math.floor(list.length / 2)])}, max ${ms(list.at(-1))}`;
  console.log(`change to diagnostics over ${rounds} edits, wall: ${spread(times)}`);
  console.log(`server processor time per edit (user + system): ${spread(cpu)}`);
  await client.shutdownAndExit();
} finally {
  client.kill();
  rmSync(work, { recursive: true, force: true });
}
