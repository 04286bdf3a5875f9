// Robustness sweep: feeds the compiler malformed, adversarial, deep and large
// sources in every mode and fails on any crash, hang or sanitizer report.
// Exit statuses 0, 1 and 2 are all acceptable; what is printed is not judged.
//
//   node sweep.mjs <vorn-compile> [--scale=N] [--seed=N] [--jobs=N]
//                  [--timeout=SECONDS] [--save=DIR] [--only=REGEX] [--lsp=PATH]
//
// With --lsp the same sources go through the language server instead: one
// session per case that opens the files, edits the root, asks for symbols,
// hovers, definitions and completions at random places, sends a few broken
// messages, and must end cleanly with status 0.
//
// --scale multiplies the number of mutated sources (1 in CI); the seed fixes
// every random choice, so a failure reproduces exactly. --save copies each
// failing case (its files and a run.sh) into DIR.
import { spawn, execFileSync } from 'node:child_process';
import {
  mkdtempSync, mkdirSync, writeFileSync, readFileSync, readdirSync, statSync, symlinkSync,
} from 'node:fs';
import { tmpdir, cpus } from 'node:os';
import { join, dirname, relative, resolve } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { Client, frame } from '../lsp/client.mjs';

const here = dirname(fileURLToPath(import.meta.url));
const repo = resolve(here, '..', '..');

// ---------------------------------------------------------------- options
const options = { scale: 1, seed: 20260501, jobs: Math.max(1, cpus().length), timeout: 20, save: null, only: null, lsp: null };
const positional = [];
for (const arg of process.argv.slice(2)) {
  const m = /^--(\w+)=(.*)$/.exec(arg);
  if (!m) { positional.push(arg); continue; }
  if (!(m[1] in options)) { console.error(`unknown option ${arg}`); process.exit(2); }
  options[m[1]] = ['save', 'only', 'lsp'].includes(m[1]) ? m[2] : Number(m[2]);
}
if (positional.length !== 1) {
  console.error('usage: node sweep.mjs <vorn-compile> [--scale=N] [--seed=N] [--jobs=N] [--timeout=S] [--save=DIR] [--only=RE]');
  process.exit(2);
}
const compiler = resolve(positional[0]);

// ---------------------------------------------------------------- randomness
// mulberry32: small, fast and the same on every platform.
function rng(seed) {
  let s = seed >>> 0;
  const next = () => {
    s = (s + 0x6d2b79f5) >>> 0;
    let t = s;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
  next.int = (n) => Math.floor(next() * n);
  next.pick = (list) => list[next.int(list.length)];
  return next;
}

// ---------------------------------------------------------------- modes
const MODES = {
  inspect: ['--inspect'],
  preview: ['--preview', '--color=always'],
  preview_expand: ['--preview', '--expand-macros', '--color=never'],
  tt_markdown: ['--truth-table'],
  tt_csv: ['--truth-table', '--format=csv', '--strict'],
  tt_json: ['--truth-table', '--format=json'],
  wasm: ['-o', 'out/x.wasm'],
  zig: ['--emit-zig', '-o', 'x.zig'],
  verilog: ['--emit-verilog', '-o', 'x.v'],
  werror: ['-Werror', '-o', 'w.wasm'],
};
const ALL_MODES = Object.keys(MODES);
// Modes whose cost grows fastest with the circuit; big inputs skip the rest.
const CHEAP_MODES = ['inspect', 'wasm', 'zig', 'verilog', 'tt_json'];

// ---------------------------------------------------------------- cases
// A case is a set of files written into a fresh directory plus the root
// path handed to the compiler; `modes` defaults to every mode.
const cases = [];
function addCase(name, files, { root = 'main.vorn', modes = ALL_MODES, dirs = [], links = {} } = {}) {
  cases.push({ name, files, root, modes, dirs, links });
}
const rep = (text, n, sep = '') => Array(n).fill(text).join(sep);
const lines = (...l) => l.join('\n') + '\n';

// Seeds: the bundled examples and the sources of the golden cases, each with
// its sibling files so that imports still resolve after a mutation.
function collectVorn(dir) {
  const out = [];
  for (const entry of readdirSync(dir, { withFileTypes: true }).sort((a, b) => a.name.localeCompare(b.name))) {
    const path = join(dir, entry.name);
    if (entry.isDirectory()) out.push(...collectVorn(path));
    else if (entry.isFile() && entry.name.endsWith('.vorn') && statSync(path).size <= 64 * 1024) out.push(path);
  }
  return out;
}
const seeds = [];
{
  const groups = [join(repo, 'examples')];
  const golden = join(repo, 'tests', 'golden');
  for (const d of readdirSync(golden).sort()) groups.push(join(golden, d));
  for (const dir of groups) {
    const paths = collectVorn(dir);
    if (paths.length === 0) continue;
    const files = {};
    for (const p of paths) files[relative(dir, p)] = readFileSync(p);
    for (const p of paths) seeds.push({ label: relative(repo, p), root: relative(dir, p), files });
  }
}

// ---- hand-made adversarial sources -------------------------------------------

addCase('empty', { 'main.vorn': '' });
addCase('blanks', { 'main.vorn': ' \t\r\n\n  \r\n' });
addCase('comment_only', { 'main.vorn': '// nothing here' });
addCase('garbage_only', { 'main.vorn': '%%% ((( ))) <> === ...\n' });
addCase('connection_only', { 'main.vorn': 'a.x <> b.y\n' });
addCase('nul_bytes', { 'main.vorn': Buffer.from('input a\0, b\n\0not n(in=a)\noutput q(in=n\0.out)\n// \0\0\n\0') });
addCase('nul_in_comment', { 'main.vorn': Buffer.from('// a\0b\ninput a\noutput q(in=a)\n') });
addCase('non_utf8', {
  'main.vorn': Buffer.concat([Buffer.from('// \xff\xfe\xc3\x28\xe2\x82\n', 'latin1'), Buffer.from('input a\nnot n\xc3(in=a)\noutput q(in=a)\n', 'latin1')]),
});
addCase('utf8_identifiers', { 'main.vorn': 'input é, ß\nnot ñ(in=é)\noutput ü(in=ñ)\n' });
addCase('bom', { 'main.vorn': '\ufeffinput a\noutput q(in=a)\n' });
addCase('crlf', { 'main.vorn': 'input a, b\r\nxor s(a=a, b=b)\r\nand c(a=a,\r\n b=b)\r\noutput sum(in=s.out)\r\noutput carry(in=c.out)\r\n' });
addCase('cr_only', { 'main.vorn': 'input a, b\rxor s(a=a, b=b)\routput sum(in=s.out)\r' });
addCase('no_final_newline', { 'main.vorn': 'input a\nnot n(in=a)\noutput q(in=n.out)' });
addCase('keywords_as_names', {
  'main.vorn': lines('input input, output, and, inputs', 'and and(a=and, b=input)', 'not not(in=not)',
    'bus bus(in=bus)', 'led led(in=led)', 'or order(a=x, b=y)', 'nor nor(a=a, b=b)', 'output output(in=and.out)',
    'output_pin p(in=x)', 'and_gate g(a=x, b=y)'),
});
addCase('connections_mixed', { 'main.vorn': lines('input a', 'a.out <> q.in', 'not n(in=a)', 'n <> n', 'output q(in=n)') });
addCase('dotted_everything', { 'main.vorn': lines('input a', 'not n(in=a.out.out)', 'output q(in=n.in)', 'output r(in=a.b)') });
addCase('anon_outputs', {
  'main.vorn': lines('input a, b', 'output q(in=and(a=not(in=a).out, b=xor(a=a, b=nand(a=a, b=b).out).out).out)',
    'output r(zz=or(a=a, b=b).out, in=not(in=a).out)', 'output s(in=led(in=a).nope)', 'and(a=a, b=b).out <> q'),
});
addCase('empty_bindings', { 'main.vorn': lines('input a', 'not n()', 'output q()', 'output r(in=)', 'not m(in=a,)', 'output z(in=m)') });
addCase('unterminated', { 'main.vorn': 'input a\nnot n(in=a\noutput q(in=n.out' });
addCase('unterminated_import', { 'main.vorn': 'import x "lib.vorn\ninput a\noutput q(in=a)\n' });

// Deep nesting around the parser's limit and far past it, for every
// shape of nesting the grammar has.
for (const depth of [2000, 9999, 10000, 10001, 60000]) {
  const modes = depth > 10001 ? ['inspect', 'wasm', 'tt_json'] : CHEAP_MODES;
  addCase(`deep_not_${depth}`, {
    'main.vorn': `input a\noutput y(in=${rep('not(in=', depth)}a${rep(').out', depth)})\n`,
  }, { modes });
}
addCase('deep_and_left', { 'main.vorn': `input a, b\nand g(a=${rep('and(a=', 3000)}a${rep(', b=b).out', 3000)}, b=b)\noutput q(in=g)\n` }, { modes: CHEAP_MODES });
addCase('deep_unclosed', { 'main.vorn': `input a\noutput y(in=${rep('not(in=', 20000)}a\n` });
addCase('deep_parens_garbage', { 'main.vorn': `input a\n${rep('(', 200000)}\n` });
addCase('deep_dot_chain', { 'main.vorn': `input a\nnot n(in=a${rep('.out', 50000)})\noutput q(in=n)\n` });

// Very long names, paths and lines.
{
  const long = 'x' + rep('Yz_9', 250000);
  addCase('long_identifier', { 'main.vorn': lines(`input ${long}`, `not ${long}n(in=${long})`, `output ${long}q(in=${long}n)`) }, { modes: CHEAP_MODES });
  const wide = long.slice(0, 20000);
  addCase('long_identifier_preview', { 'main.vorn': lines(`input ${wide}`, `xor ${wide}n(a=${wide}, b=${wide})`, `output ${wide}q(in=${wide}n)`) }, { modes: ['preview', 'preview_expand'] });
  addCase('long_import_path', { 'main.vorn': lines(`import lib "${rep('a/', 5000)}x.vorn"`, 'input a', 'output q(in=a)') }, { modes: ['wasm', 'inspect'] });
  addCase('long_import_name', { 'main.vorn': lines(`import lib "${rep('n', 300)}.vorn"`, 'input a', 'output q(in=a)') }, { modes: ['wasm'] });
  addCase('long_comment', { 'main.vorn': `//${rep('\xff comment ', 100000)}\ninput a\noutput q(in=a)\n` }, { modes: ['inspect', 'wasm'] });
  addCase('long_port_name', { 'main.vorn': lines('input a', `not n(${long}=a)`, `output q(in=n.${long})`) }, { modes: CHEAP_MODES });
}

// Loops of every kind: without a gate (an error) and through gates (legal,
// and the simulator must still stop).
addCase('self_loops', {
  'main.vorn': lines('input a', 'wire w(in=w)', 'not n(in=n)', 'and g(a=g, b=a)', 'led l(in=l.out)', 'output q(in=q)', 'output r(in=g)'),
});
addCase('not_self_loop', { 'main.vorn': lines('input a', 'not n(in=n)', 'output q(in=n)') });
addCase('not_ring_3', { 'main.vorn': lines('input a', 'not n1(in=n3)', 'not n2(in=n1)', 'not n3(in=n2)', 'output q(in=n3)') });
addCase('not_ring_gated', { 'main.vorn': lines('input en', 'and g(a=en, b=n)', 'not n(in=g)', 'output q(in=n)') });
addCase('sr_latch', { 'main.vorn': lines('input s, r', 'nand q1(a=s, b=q2)', 'nand q2(a=r, b=q1)', 'output q(in=q1)', 'output nq(in=q2)') });
addCase('wire_ring_long', {
  'main.vorn': 'input a\n' + Array.from({ length: 2000 }, (_, i) => `wire w${i}(in=w${(i + 1) % 2000})`).join('\n') + '\noutput q(in=w0)\n',
}, { modes: CHEAP_MODES });
addCase('not_ring_long', {
  'main.vorn': 'input a\n' + Array.from({ length: 1001 }, (_, i) => `not w${i}(in=w${(i + 1) % 1001})`).join('\n') + '\noutput q(in=w0)\n',
}, { modes: CHEAP_MODES });
addCase('anon_loop', { 'main.vorn': lines('input a', 'not n(in=not(in=n).out)', 'wire w(in=wire(in=w).out)', 'output q(in=n)', 'output r(in=w)') });
addCase('output_chain_loop', { 'main.vorn': lines('output a(in=b)', 'output b(in=c)', 'output c(in=a)') });
addCase('many_interlocking_loops', {
  'main.vorn': 'input a\n' + Array.from({ length: 300 }, (_, i) => `and g${i}(a=g${(i * 7 + 1) % 300}, b=g${(i * 13 + 5) % 300})\nwire w${i}(in=w${(i * 11 + 3) % 300})`).join('\n') + '\noutput q(in=g0)\noutput r(in=w0)\n',
}, { modes: CHEAP_MODES.concat(['preview']) });
addCase('loop_through_subcircuit', {
  'main.vorn': lines('import pass "pass.vorn"', 'input a', 'pass p(x=p.y)', 'output q(in=p.y)'),
  'pass.vorn': lines('input x', 'output y(in=x)'),
});
addCase('gate_loop_through_subcircuit', {
  'main.vorn': lines('import inv "inv.vorn"', 'inv p(x=p.y)', 'output q(in=p.y)'),
  'inv.vorn': lines('input x', 'not n(in=x)', 'output y(in=n)'),
});

// Names declared twice and ports bound twice or not at all.
addCase('duplicates', {
  'main.vorn': lines('input a, a, b', 'input b', 'output a(in=a)', 'not a(in=b)', 'not n(in=a)', 'not n(in=b)',
    'and g(a=a, a=b, b=a, b=b, c=a)', 'output q(in=n)', 'output q(in=g)'),
});
addCase('unconnected_and_unknown', {
  'main.vorn': lines('input a', 'and g(a=a)', 'not n(x=a, y=a)', 'wire w', 'led l', 'nope u(in=a)', 'output q(in=g.nope)', 'output r(in=zz.out)'),
});
addCase('zero_inputs', { 'main.vorn': lines('not n(in=n2)', 'not n2(in=n)', 'output q(in=n)') });
addCase('zero_inputs_zero_outputs', { 'main.vorn': lines('not n(in=n)') });
addCase('inputs_no_outputs', { 'main.vorn': lines('input a, b', 'and g(a=a, b=b)') });
addCase('output_of_input', { 'main.vorn': lines('input a', 'output q(in=a)', 'output r(in=q)', 'output s(in=a.out)') });
addCase('only_outputs', { 'main.vorn': lines('output q', 'output r, s, t') });

// Width: one signal feeding many gates, many pins, many outputs.
{
  const n = 3000;
  addCase('fanout_3000', {
    'main.vorn': 'input a\n' + Array.from({ length: n }, (_, i) => `not g${i}(in=a)`).join('\n') + '\noutput q(in=g0)\n',
  }, { modes: CHEAP_MODES });
  addCase('outputs_3000', {
    'main.vorn': 'input a\n' + Array.from({ length: n }, (_, i) => `output q${i}(in=a)`).join('\n') + '\n',
  }, { modes: CHEAP_MODES.concat(['tt_csv']) });
  addCase('inputs_3000', {
    'main.vorn': 'input ' + Array.from({ length: n }, (_, i) => `i${i}`).join(', ') + '\noutput q(in=i0)\n',
  }, { modes: CHEAP_MODES.concat(['tt_markdown']) });
  addCase('fanout_preview_120', {
    'main.vorn': 'input a, b\n' + Array.from({ length: 120 }, (_, i) => `xor g${i}(a=a, b=b)\noutput q${i}(in=g${i})`).join('\n') + '\n',
  }, { modes: ['preview', 'preview_expand'] });
}

// Truth tables at and past the input limit.
const inputsOf = (n) => Array.from({ length: n }, (_, i) => `i${i}`);
addCase('tt_16_inputs', {
  'main.vorn': `input ${inputsOf(16).join(', ')}\n${inputsOf(15).map((x, i) => `and g${i}(a=${i ? `g${i - 1}` : 'i15'}, b=${x})`).join('\n')}\noutput q(in=g14)\n`,
}, { modes: ['tt_csv'] });
addCase('tt_17_inputs', {
  'main.vorn': `input ${inputsOf(17).join(', ')}\n${inputsOf(16).map((x, i) => `and g${i}(a=${i ? `g${i - 1}` : 'i16'}, b=${x})`).join('\n')}\noutput q(in=g15)\n`,
});
addCase('tt_17_inputs_in_subcircuit', {
  'main.vorn': lines('import wide "wide.vorn"', 'input a', `wide w(${inputsOf(17).map((x) => `${x}=a`).join(', ')})`, 'output q(in=w.q)'),
  'wide.vorn': `input ${inputsOf(17).join(', ')}\n${inputsOf(16).map((x, i) => `and g${i}(a=${i ? `g${i - 1}` : 'i16'}, b=${x})`).join('\n')}\noutput q(in=g15)\n`,
});

// Imports of every awkward kind.
const withPin = (...l) => lines(...l, 'input a', 'output q(in=a)');
addCase('import_missing', { 'main.vorn': withPin('import lib "nope.vorn"') });
addCase('import_directory', { 'main.vorn': withPin('import lib "sub"') }, { dirs: ['sub'] });
addCase('import_dot', { 'main.vorn': withPin('import lib "."') });
addCase('import_root_dir', { 'main.vorn': withPin('import lib "/"') });
addCase('import_trailing_slash', { 'main.vorn': withPin('import lib "lib.vorn/"'), 'lib.vorn': withPin() });
addCase('import_empty_path', { 'main.vorn': withPin('import lib ""') });
addCase('import_self', { 'main.vorn': lines('import me "main.vorn"', 'input a', 'me m(a=a)', 'output q(in=m.q)') });
addCase('import_self_unused', { 'main.vorn': withPin('import me "./main.vorn"') });
addCase('import_cycle_2', {
  'main.vorn': lines('import b "b.vorn"', 'input a', 'b x(a=a)', 'output q(in=x.q)'),
  'b.vorn': lines('import m "main.vorn"', 'input a', 'm x(a=a)', 'output q(in=x.q)'),
});
addCase('import_cycle_3_via_symlink', {
  'main.vorn': lines('import b "b.vorn"', 'input a', 'b x(a=a)', 'output q(in=x.q)'),
  'b.vorn': lines('import c "d/c.vorn"', 'input a', 'c x(a=a)', 'output q(in=x.q)'),
  'real/c.vorn': lines('import m "../main.vorn"', 'import m2 "../../main.vorn"', 'input a', 'm x(a=a)', 'output q(in=x.q)'),
}, { links: { d: 'real' } });
addCase('import_symlink_loop', { 'main.vorn': withPin('import lib "loop/x.vorn"') }, { links: { loop: 'loop' } });
addCase('import_dangling_symlink', { 'main.vorn': withPin('import lib "gone.vorn"') }, { links: { 'gone.vorn': 'nowhere.vorn' } });
addCase('import_builtin_paths', {
  'main.vorn': lines('import xor "<builtin>/xor.vorn"', 'import or "<builtin>/or.vorn"', 'import x2 "<builtin>/xor.vorn"',
    'input a, b', 'x2 g(a=a, b=b)', 'output q(in=g)'),
});
for (const path of ['<builtin>/nope.vorn', '<builtin>/', '<builtin>', '<builtin>/../main.vorn', '<builtin>/xor.vorn/', '<builtin>//xor.vorn', '/dev/null', '/dev/zero', '/proc/self/cmdline']) {
  addCase(`import_path_${path.replace(/[^A-Za-z0-9]/g, '_')}`, { 'main.vorn': lines(`import lib "${path}"`, 'input a', 'lib l(a=a)', 'output q(in=a)') }, { modes: ['wasm', 'tt_json', 'preview'] });
}
addCase('import_binary_file', { 'main.vorn': withPin('import lib "lib.vorn"'), 'lib.vorn': Buffer.from(Array.from({ length: 4096 }, (_, i) => (i * 131 + 7) & 255)) });
addCase('import_newline_in_path', { 'main.vorn': withPin('import lib "li\nb.vorn"'), 'li\nb.vorn': withPin() });
addCase('import_nul_in_path', { 'main.vorn': Buffer.from('import lib "lib.vorn\0junk"\ninput a\nlib l(a=a)\noutput q(in=a)\n'), 'lib.vorn': withPin() });
addCase('import_unparsable', { 'main.vorn': lines('import lib "lib.vorn"', 'input a', 'lib l(a=a)', 'output q(in=l.q)'), 'lib.vorn': '// only a comment\n' });
addCase('import_empty_file', { 'main.vorn': lines('import lib "lib.vorn"', 'input a', 'lib l(a=a)', 'output q(in=l.q)'), 'lib.vorn': '' });
addCase('import_with_errors', {
  'main.vorn': lines('import lib "lib.vorn"', 'input a', 'lib l(a=a, zz=a)', 'output q(in=l.nope)'),
  'lib.vorn': lines('input a, a', 'not n(in=m)', 'wire w(in=w)', 'output q(in=n)'),
});
addCase('import_unused_and_duplicate_aliases', {
  'main.vorn': lines('import lib "lib.vorn"', 'import lib "lib.vorn"', 'import other "lib.vorn"', 'import and "lib.vorn"',
    'import input "lib.vorn"', 'import g "lib.vorn"', 'input a', 'not g(in=a)', 'output q(in=g)'),
  'lib.vorn': withPin(),
});
addCase('import_macro_alias_mismatch', {
  'main.vorn': lines('import xor "lib.vorn"', 'import nand "<builtin>/xor.vorn"', 'input a, b', 'xor x(a=a, b=b)', 'nand y(a=a, b=b)', 'output q(in=x)', 'output r(in=y)'),
  'lib.vorn': lines('input a, b', 'output q(in=a)'),
});
addCase('import_zero_port_module', {
  'main.vorn': lines('import z "z.vorn"', 'import o "o.vorn"', 'input a', 'z u', 'z v(a=a)', 'o w', 'output q(in=w)', 'output r(in=u.x)'),
  'z.vorn': lines('not n(in=n)'),
  'o.vorn': lines('not n(in=n)', 'output k(in=n)'),
});
addCase('import_port_mismatch', {
  'main.vorn': lines('import h "h.vorn"', 'input a', 'h x(a=a, c=a)', 'h y', 'output q(in=x.sum)', 'output r(in=x.nope)', 'output s(in=y)'),
  'h.vorn': lines('input a, b', 'xor s(a=a, b=b)', 'output sum(in=s)', 'output carry(in=s)'),
});
addCase('import_chain_300', Object.fromEntries([
  ['main.vorn', lines('import m "m1.vorn"', 'input a', 'm x(a=a)', 'output q(in=x.q)')],
  ...Array.from({ length: 300 }, (_, i) => [`m${i + 1}.vorn`, i === 299
    ? lines('input a', 'not n(in=a)', 'output q(in=n)')
    : lines(`import m "m${i + 2}.vorn"`, 'input a', 'm x(a=a)', 'output q(in=x.q)')]),
]), { modes: CHEAP_MODES.concat(['preview']) });
addCase('import_fanin_many_files', Object.fromEntries([
  ['main.vorn', Array.from({ length: 200 }, (_, i) => `import m${i} "lib/m${i}.vorn"`).join('\n') + '\ninput a\n' +
    Array.from({ length: 200 }, (_, i) => `m${i} x${i}(a=a)\noutput q${i}(in=x${i}.q)`).join('\n') + '\n'],
  ...Array.from({ length: 200 }, (_, i) => [`lib/m${i}.vorn`, lines(`import up "../lib/m${(i + 1) % 200}.vorn"`, 'input a', 'xor n(a=a, b=a)', 'output q(in=n)')]),
]), { modes: ['wasm', 'zig', 'inspect'] });
// Each level instantiates the one below twice: the flattened circuit doubles
// with every file (2^12 copies here).
addCase('import_doubling_12', Object.fromEntries([
  ['main.vorn', lines('import d "d12.vorn"', 'input a', 'd x(a=a)', 'output q(in=x.q)')],
  ['d0.vorn', lines('input a', 'not n(in=a)', 'output q(in=n)')],
  ...Array.from({ length: 12 }, (_, i) => [`d${i + 1}.vorn`, lines(`import d "d${i}.vorn"`, 'input a', 'd x(a=a)', 'd y(a=x.q)', 'output q(in=y.q)')]),
]), { modes: ['wasm', 'zig', 'tt_json'] });

// The command line and output paths. Devices such as /dev/null are left out
// on purpose: a regression there would replace the machine's device.
{
  const src = { 'main.vorn': lines('input a, b', 'and g(a=a, b=b)', 'output q(in=g)') };
  const runs = [
    ['main.vorn', '-o', '.'], ['main.vorn', '-o', 'sub/'], ['main.vorn', '-o', 'sub'], ['main.vorn', '-o', 'main.vorn'],
    ['main.vorn', '--emit-zig', '-o', 'link.vorn'], ['main.vorn', '-o', 'main.vorn/x.wasm'], ['main.vorn', '-o', 'a//b///c.wasm'],
    ['main.vorn', '-o', `${rep('d/', 3000)}x.wasm`], ['main.vorn', '-o', `${rep('n', 300)}.wasm`], ['main.vorn', '-o', 'dangling.wasm'],
    ['main.vorn', '-o', ''], ['', '--inspect'], ['sub', '--inspect'], ['/dev/zero', '--inspect'], ['/dev/null', '--truth-table'],
    ['main.vorn', '--preview', '--preview', '--color=always', '--format=markdown'], ['-o'], ['--color=', 'main.vorn'],
    ['main.vorn', 'x'.repeat(100000)], ['main.vorn', ...Array(5000).fill('-Werror'), '-o', 'w.wasm'], ['main.vorn', '--help', '-o'],
    ['main.vorn', '--truth-table', '--strict', '--format=json', '--format=csv'], ['main.vorn', '--expand-macros', '--inspect'],
    ['main.vorn', '-o', 'x.wasm', '-o', 'y.wasm', '--emit-zig'], ['main.vorn', '--', '-o', 'x'],
  ];
  addCase('command_lines', src, { modes: runs, dirs: ['sub'], links: { 'link.vorn': 'main.vorn', 'dangling.wasm': 'gone/x.wasm' } });
}

// Hostile test tables for --test: the table is the second file a run reads.
{
  const names = ['a', 'b'];
  const tables = {
    'nul.csv': Buffer.from('a,b,q\n0,\0,1\n\0\n'),
    'cr_only.csv': 'a,b,q\r0,0,0\r1,1,1\r',
    'wide_line.md': `|${rep(' a |', 100000)}\n`,
    'many_rows.csv': `b,q,a\n${rep('1,*,0\n', 20000)}`,
    'pipes.md': `${rep('|', 50000)}\n${rep('|', 50000)}\n`,
    'only_separators.csv': `${rep(',', 100000)}\n`,
    'alignment_only.md': '|---|---|---|\n|---|---|---|\n',
    'non_utf8.csv': Buffer.from('a,b,\xff\n0,0,\xc3\n', 'latin1'),
    'commented.csv': `${rep('//\n', 100000)}a,b,q\n1,1,?\n`,
  };
  const runs = Object.keys(tables).flatMap((table, i) => [['main.vorn', '--test', table, ['--format=json', '--format=csv', '--format=markdown'][i % 3]]]);
  runs.push(['main.vorn', '--test', 'sub'], ['main.vorn', '--test', '/dev/zero'], ['main.vorn', '--test', 'main.vorn'],
    ['main.vorn', '--test', ''], ['main.vorn', '--test'], ['main.vorn', '--test', 'nul.csv', '--test', 'gone.csv']);
  addCase('test_tables', { 'main.vorn': lines(`input ${names.join(', ')}`, 'and g(a=a, b=b)', 'output q(in=g)'), ...tables },
    { modes: runs, dirs: ['sub'] });
}

// ---- mutations of the seeds -----------------------------------------------------
const TOKENS = ['input', 'output', 'and', 'not', 'or', 'xor', 'nand', 'nor', 'xnor', 'wire', 'led', 'bus', 'import',
  '(', ')', '=', ',', '.', '<>', '//', '"', '\n', '\r\n', '\r', ' ', '\t', '\0', '\xff', '\xc3', 'out', 'in', 'a', 'b',
  '.out', 'not(in=', ').out', 'and(a=', '__anon_0', '<builtin>/xor.vorn', '"main.vorn"', '"lib.vorn"', '..', '/'];
function identifiers(text) {
  return [...new Set(text.match(/[A-Za-z_][A-Za-z0-9_]*/g) || [])];
}
function mutate(buffer, r) {
  let b = Buffer.from(buffer);
  const count = 1 + r.int(4);
  for (let k = 0; k < count; ++k) {
    const pos = r.int(b.length + 1);
    switch (r.int(10)) {
      case 0: if (b.length) b[Math.min(pos, b.length - 1)] ^= 1 << r.int(8); break;
      case 1: if (b.length) b[Math.min(pos, b.length - 1)] = r.int(256); break;
      case 2: b = Buffer.concat([b.subarray(0, pos), Buffer.from(r.pick(TOKENS), 'latin1'), b.subarray(pos)]); break;
      case 3: b = Buffer.concat([b.subarray(0, pos), b.subarray(Math.min(b.length, pos + 1 + r.int(16)))]); break;
      case 4: b = b.subarray(0, pos); break;  // truncation
      case 5: {  // duplicate a chunk somewhere else
        const start = r.int(b.length + 1);
        const chunk = b.subarray(start, Math.min(b.length, start + 1 + r.int(64)));
        b = Buffer.concat([b.subarray(0, pos), chunk, b.subarray(pos)]);
        break;
      }
      case 6: {  // rename identifiers into each other: loops, duplicates, undeclared names
        const text = b.toString('latin1');
        const ids = identifiers(text);
        if (ids.length < 2) break;
        const from = r.pick(ids);
        const to = r.pick(ids);
        const all = r.int(2) === 0;
        const re = new RegExp(`\\b${from}\\b`, all ? 'g' : '');
        b = Buffer.from(text.replace(re, to), 'latin1');
        break;
      }
      case 7: {  // swap two lines
        const ls = b.toString('latin1').split('\n');
        const i = r.int(ls.length);
        const j = r.int(ls.length);
        [ls[i], ls[j]] = [ls[j], ls[i]];
        b = Buffer.from(ls.join('\n'), 'latin1');
        break;
      }
      case 8: {  // repeat a line many times
        const ls = b.toString('latin1').split('\n');
        const i = r.int(ls.length);
        ls.splice(i, 0, ...Array(1 + r.int(200)).fill(ls[i]));
        b = Buffer.from(ls.join('\n'), 'latin1');
        break;
      }
      case 9: b = Buffer.from(b.toString('latin1').replace(/\n/g, r.int(2) ? '\r\n' : '\r'), 'latin1'); break;
    }
  }
  return b;
}
// Each seed file draws from its own generator, so adding a golden case does
// not change the mutants of the others.
function hashText(text) {
  let h = 2166136261;
  for (let i = 0; i < text.length; ++i) h = Math.imul(h ^ text.charCodeAt(i), 16777619);
  return h >>> 0;
}
{
  const perSeed = Math.max(1, Math.round(2 * options.scale));
  for (const seed of seeds) {
    const r = rng(options.seed ^ hashText(seed.label));
    for (let k = 0; k < perSeed; ++k) {
      const files = { ...seed.files };
      // Mostly the root, sometimes one of the files it imports.
      const names = Object.keys(files);
      const target = r.int(4) === 0 ? r.pick(names) : seed.root;
      files[target] = mutate(files[target], r);
      // Three random modes per mutant keep the run short; scale widens it.
      const modes = options.scale >= 4 ? ALL_MODES : [r.pick(ALL_MODES), r.pick(ALL_MODES), r.pick(ALL_MODES)];
      addCase(`mut_${seed.label.replace(/[^A-Za-z0-9]+/g, '_')}_${k}`, files, { root: seed.root, modes: [...new Set(modes)] });
    }
  }
}

// ---- random circuits ---------------------------------------------------------------
// Mostly valid sources, so that the back ends (layout, routing, simulation,
// serializers, emitters) see odd shapes instead of diagnostics: random gates
// and built-in macros, nested anonymous instances, fan-out, loops through
// gates, sub-circuits in imported files and unused pins.
const GATES = { and: ['a', 'b'], not: ['in'], wire: ['in'], led: ['in'], or: ['a', 'b'], xor: ['a', 'b'],
  nand: ['a', 'b'], nor: ['a', 'b'], xnor: ['a', 'b'] };
function randomModule(r, { inputs, gates, outputs, subs = {}, loops = true, outNamedOut = false }) {
  const ins = Array.from({ length: inputs }, (_, i) => `i${i}`);
  const types = { ...GATES, ...subs };
  const names = Array.from({ length: gates }, (_, i) => `g${i}`);
  const chosen = names.map(() => r.pick(Object.keys(types)));
  const portOf = (t) => (subs[t] ? (subs[t].outs.includes('out') && r.int(2) ? '' : `.${r.pick(subs[t].outs)}`)
    : r.int(3) ? '' : '.out');
  // Anonymous instances need an output called "out": every gate, and the
  // sub-circuits that have one.
  const anonymous = Object.keys(types).filter((t) => !subs[t] || subs[t].outs.includes('out'));
  // A signal for gate k: an input or an earlier gate; sometimes a later one
  // (a loop, legal only through a gate); sometimes an anonymous instance.
  function signal(k, depth) {
    const roll = r.int(20);
    if (roll === 0 && depth < 4) {
      const t = r.pick(anonymous);
      const ports = subs[t] ? subs[t].ins : GATES[t];
      return `${t}(${ports.map((p) => `${p}=${signal(k, depth + 1)}`).join(', ')}).out`;
    }
    if (loops && roll === 1 && gates > 0) {
      const j = r.int(gates);
      return names[j] + portOf(chosen[j]);
    }
    if (k > 0 && (ins.length === 0 || r.int(3))) {
      const j = r.int(k);
      return names[j] + portOf(chosen[j]);
    }
    return ins.length ? r.pick(ins) : 'nothing';
  }
  const body = [];
  if (ins.length) body.push(`input ${ins.join(', ')}`);
  names.forEach((name, k) => {
    const t = chosen[k];
    const ports = subs[t] ? subs[t].ins : types[t];
    body.push(`${t} ${name}(${ports.map((p) => `${p}=${signal(k, 0)}`).join(', ')})`);
  });
  const outs = Array.from({ length: outputs }, (_, i) => (i === 0 && outNamedOut ? 'out' : `o${i}`));
  outs.forEach((o) => body.push(r.int(4) ? `output ${o}(in=${signal(gates, 0)})` : `output ${o}(in=${r.pick(ins.length ? ins : [outs[0]])})`));
  return { text: body.join('\n') + '\n', ins, outs };
}
{
  const r = rng(options.seed ^ 0x5eed);
  const count = Math.max(1, Math.round(40 * options.scale));
  for (let k = 0; k < count; ++k) {
    // Library files import earlier ones (now and then a later one, or
    // themselves); the root imports most of them, one perhaps twice.
    const files = {};
    const libs = [];
    const libCount = r.int(5);
    for (let f = 0; f < libCount; ++f) {
      const usable = {};
      const head = [];
      for (const lib of libs) {
        if (r.int(2)) continue;
        usable[lib.alias] = lib;
        head.push(`import ${lib.alias} "${lib.alias}.vorn"`);
      }
      if (r.int(12) === 0) head.push(`import later "m${f + 1 + r.int(2)}.vorn"`);
      if (r.int(15) === 0) head.push(`import self "m${f}.vorn"`);
      const m = randomModule(r, { inputs: r.int(4), gates: r.int(7), outputs: 1 + r.int(2), subs: usable,
        loops: r.int(2) === 0, outNamedOut: r.int(2) === 0 });
      files[`lib/m${f}.vorn`] = head.map((l) => l + '\n').join('') + m.text;
      libs.push({ alias: `m${f}`, ins: m.ins, outs: m.outs });
    }
    const subs = {};
    const head = [];
    for (const lib of libs) {
      if (r.int(5) === 0) continue;
      subs[lib.alias] = lib;
      head.push(`import ${lib.alias} "lib/${lib.alias}.vorn"`);
    }
    if (libs.length && r.int(6) === 0) {
      const lib = r.pick(libs);
      subs.twin = lib;
      head.push(`import twin "lib/../lib/${lib.alias}.vorn"`);
    }
    const m = randomModule(r, { inputs: r.int(6), gates: r.int(25), outputs: r.int(5), subs, loops: r.int(3) === 0 });
    files['main.vorn'] = head.map((l) => l + '\n').join('') + m.text;
    const modes = options.scale >= 4 ? ALL_MODES : [r.pick(ALL_MODES), r.pick(ALL_MODES), r.pick(ALL_MODES), r.pick(ALL_MODES)];
    addCase(`rand_${k}`, files, { modes: [...new Set(modes)] });
  }
}

// ---------------------------------------------------------------- running
// Report headers only, so that a diagnostic quoting such words from a
// source (an import path, say) is not taken for a report.
const SANITIZER = /==\d+==ERROR: |^SUMMARY: \w+Sanitizer|:\d+:\d+: runtime error: /m;
const env = {
  ...process.env,
  ASAN_OPTIONS: 'detect_leaks=1:abort_on_error=0:exitcode=86:detect_stack_use_after_return=0',
  UBSAN_OPTIONS: 'print_stacktrace=1:halt_on_error=1:exitcode=87',
};
delete env.NO_COLOR;

// rm copes with the thousands of nested directories some runs create,
// which fs.rmSync's recursion does not.
const removeTree = (path) => execFileSync('rm', ['-rf', path]);
const work = mkdtempSync(join(tmpdir(), 'vorn-sweep-'));
process.on('exit', () => removeTree(work));

function materialise(c, dir) {
  mkdirSync(dir, { recursive: true });
  for (const d of c.dirs) mkdirSync(join(dir, d), { recursive: true });
  for (const [name, body] of Object.entries(c.files)) {
    mkdirSync(dirname(join(dir, name)), { recursive: true });
    writeFileSync(join(dir, name), body);
  }
  for (const [name, target] of Object.entries(c.links)) symlinkSync(target, join(dir, name));
}

// A mode is a name from MODES, or a complete argument list.
function argsOf(c, mode) {
  return Array.isArray(mode) ? mode : [c.root, ...MODES[mode]];
}

function runOnce(c, dir, mode) {
  const args = argsOf(c, mode);
  return new Promise((done) => {
    const started = Date.now();
    const child = spawn(compiler, args, { cwd: dir, env, stdio: ['ignore', 'ignore', 'pipe'] });
    let tail = '';
    let report = '';
    child.stderr.on('data', (chunk) => {
      const text = tail + chunk.toString('latin1');
      if (!report && SANITIZER.test(text)) report = text.slice(Math.max(0, text.search(SANITIZER) - 200));
      else if (report && report.length < 8000) report += chunk.toString('latin1');
      tail = text.slice(-200);
    });
    child.on('error', (error) => { report = `could not run the compiler: ${error.message}`; });
    let timedOut = false;
    const timer = setTimeout(() => { timedOut = true; child.kill('SIGKILL'); }, options.timeout * 1000);
    child.on('close', (status, signal) => {
      clearTimeout(timer);
      const seconds = (Date.now() - started) / 1000;
      let problem = null;
      if (timedOut) problem = `no exit within ${options.timeout} s`;
      else if (signal) problem = `killed by ${signal}`;
      else if (report.startsWith('could not run')) problem = report;
      else if (report) problem = `sanitizer report (status ${status})`;
      else if (![0, 1, 2].includes(status)) problem = `exit status ${status}`;
      done({ mode, args, seconds, status, problem, report: report.slice(0, 4000) });
    });
  });
}

// One language-server session over a case's files.
async function lspSession(c, dir) {
  const r = rng(options.seed ^ hashText(c.name) ^ 0x15e);
  const started = Date.now();
  // A session is a dozen requests and two checks: it gets three runs' time.
  const budget = options.timeout * 3000;
  const client = new Client(resolve(options.lsp), { cwd: dir, env, timeoutMs: budget });
  const timer = setTimeout(() => client.kill(), budget);
  let problem = null;
  try {
    await client.initialize(pathToFileURL(dir).href);
    const names = Object.keys(c.files);
    const texts = Object.fromEntries(names.map((n) => [n, Buffer.from(c.files[n]).toString('utf8')]));
    const rootUri = pathToFileURL(join(dir, c.root)).href;
    const uriOf = (n) => pathToFileURL(join(dir, n)).href;
    let version = 1;
    for (const n of names) {
      if (n !== c.root && r.int(2)) continue;
      client.notify('textDocument/didOpen', { textDocument: { uri: uriOf(n), languageId: 'vorn', version, text: texts[n] } });
    }
    if (!(c.root in texts)) texts[c.root] = '';
    await client.diagnosticsFor(rootUri);
    const ask = async (text) => {
      const lines = text.split('\n');
      const line = r.int(lines.length + 2);
      const character = r.int((lines[line] || '').length + 3);
      const at = { textDocument: { uri: rootUri }, position: { line, character } };
      for (const method of ['textDocument/hover', 'textDocument/definition', 'textDocument/completion']) {
        const answer = await client.request(method, at);
        if (answer.error) throw new Error(`${method} failed: ${JSON.stringify(answer.error)}`);
      }
    };
    const symbols = await client.request('textDocument/documentSymbol', { textDocument: { uri: rootUri } });
    if (symbols.error) throw new Error(`documentSymbol failed: ${JSON.stringify(symbols.error)}`);
    for (let k = 0; k < 4; ++k) await ask(texts[c.root]);
    // An edit: a mutation of the root, then broken messages, then the
    // edit's diagnostics.
    // Mutations that repeat a line of a huge source are capped: the server
    // refuses sources past 16 MiB anyway, and shipping them costs the sweep.
    let edited = mutate(Buffer.from(texts[c.root], 'utf8'), r).toString('utf8');
    if (edited.length > Math.max(1 << 20, 2 * texts[c.root].length)) edited = texts[c.root].slice(0, r.int(texts[c.root].length + 1));
    client.notify('textDocument/didChange', { textDocument: { uri: rootUri, version: ++version }, contentChanges: [{ text: edited }] });
    const junk = [frame('{"id": 1, "method": '), Buffer.from('Content-Length: -4\r\n\r\n'), frame('"just a string"'),
      frame({ jsonrpc: '2.0', id: 'x', method: 'textDocument/hover', params: { textDocument: {}, position: { line: -1 } } })];
    client.sendRaw(junk[r.int(junk.length)]);
    await client.diagnosticsFor(rootUri);
    for (let k = 0; k < 3; ++k) await ask(edited);
    for (const n of names) {
      if (r.int(3) === 0) client.notify('textDocument/didClose', { textDocument: { uri: uriOf(n) } });
    }
    const { closed } = await client.shutdownAndExit();
    if (closed.signal) problem = `killed by ${closed.signal}`;
    else if (closed.status !== 0) problem = `exit status ${closed.status}`;
  } catch (error) {
    problem = client.closed?.signal === 'SIGKILL' ? `no exit within ${budget / 1000} s` : String(error.message || error);
  } finally {
    clearTimeout(timer);
    client.kill();
    await client.exited;
  }
  let report = '';
  if (SANITIZER.test(client.stderr)) {
    report = client.stderr.slice(Math.max(0, client.stderr.search(SANITIZER) - 200), 8000);
    problem = problem || 'sanitizer report';
  }
  return { mode: 'lsp', args: ['vorn-lsp'], seconds: (Date.now() - started) / 1000, status: client.closed?.status, problem, report };
}

const only = options.only ? new RegExp(options.only) : null;
const queue = [];
cases.forEach((c, index) => {
  if (only && !only.test(c.name)) return;
  if (options.lsp) {
    queue.push({ c, index, mode: 'lsp' });
    return;
  }
  for (const mode of c.modes) queue.push({ c, index, mode });
});

const failures = [];
const slowest = [];
const statuses = new Map();
let runs = 0;
let started = 0;
async function worker() {
  while (queue.length) {
    const { c, index, mode } = queue.shift();
    const serial = started++;
    const dir = join(work, `${index}-${serial}`);
    materialise(c, dir);
    const result = mode === 'lsp' ? await lspSession(c, dir) : await runOnce(c, dir, mode);
    ++runs;
    const group = c.name.split('_')[0] === 'mut' || c.name.startsWith('rand_') ? c.name.split('_')[0] : 'crafted';
    const key = `${group} status ${result.status}`;
    statuses.set(key, (statuses.get(key) || 0) + 1);
    const label = Array.isArray(mode) ? 'args' : mode;
    slowest.push({ name: `${c.name} ${label}`, seconds: result.seconds });
    if (result.problem) {
      failures.push({ c, ...result });
      console.log(`FAIL ${c.name} [${result.args.join(' ')}]: ${result.problem}`);
      if (result.report) console.log(result.report.split('\n').slice(0, 30).join('\n'));
      if (options.save) {
        const keep = join(options.save, `${c.name}-${label}-${serial}`);
        removeTree(keep);
        materialise(c, keep);
        writeFileSync(join(keep, 'run.sh'), `cd "$(dirname "$0")" && "\${1:-vorn-compile}" ${result.args.map((a) => `'${a}'`).join(' ')}\n`);
      }
    }
    removeTree(dir);
  }
}
const began = Date.now();
await Promise.all(Array.from({ length: options.jobs }, worker));
slowest.sort((a, b) => b.seconds - a.seconds);
console.log(`${cases.length} sources, ${runs} runs in ${((Date.now() - began) / 1000).toFixed(1)} s; slowest:`);
for (const s of slowest.slice(0, 12)) console.log(`  ${s.seconds.toFixed(2)} s  ${s.name}`);
console.log([...statuses].sort().map(([k, v]) => `${k}: ${v}`).join(', '));
console.log(`${runs - failures.length} passed, ${failures.length} failed`);
process.exit(failures.length ? 1 : 0);
