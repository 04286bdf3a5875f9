// The TextMate grammar, tokenized by the editor's own engine: a golden file
// covering every token kind, and random programs checked against what the
// compiler itself reads from them (--inspect), position by position.
'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { spawnSync } = require('node:child_process');
const { tokenize } = require('./tokenize');
const { kindOf, anonymousDepth, TYPE_KINDS } = require('./scopes');

// One line per source line: each token as text:kind ("=" when they are the
// same), prefixed by ">" once per anonymous instance around it.
function render(tokens) {
  const lines = [];
  for (const token of tokens) {
    const kind = kindOf(token);
    if (kind === null) continue;
    const text = /\s/.test(token.text) ? JSON.stringify(token.text) : token.text;
    const shown = '>'.repeat(anonymousDepth(token)) + (text === kind ? text : `${text}:${kind}`);
    (lines[token.line - 1] ??= []).push(shown);
  }
  return Array.from(lines, (line) => (line ?? []).join(' '));
}

test('every token kind of the sample file gets its scope', async () => {
  const source = fs.readFileSync(path.join(__dirname, 'fixtures', 'sample.vorn'), 'utf8');
  const tokens = await tokenize(source);
  assert.deepEqual(render(tokens), [
    '//:comment " Every token kind of the language.":comment',
    'import half:alias ":quote "lib/half adder.vorn":string ":quote //:comment " a path with a blank":comment',
    'import alu:alias ":quote ../alu:string',
    '.vorn:string ":quote',
    'input a:input-pin , b:input-pin ,',
    'cin:input-pin //:comment " the carry in, é ✓":comment',
    'not:primitive p:instance , q:instance',
    'and:primitive g:instance ( a:port = a:signal , b:port = >not:primitive >( >in:port >= >b:signal >) . out:selected-port ) //:comment " anonymous gate inside a binding":comment',
    'xor:builtin x:instance ( a:port = >and:primitive >( >a:port >= >g:signal >, >b:port >= >>or:builtin >>( >>a:port >>= >>a:signal >>, >>b:port >>= >>cin:signal >>) >. >out:selected-port >) . out:selected-port ,',
    'b:port = h:signal . sum:selected-port )',
    'half:type h:instance ( a:port = a:signal , b:port = b:signal )',
    'alu:type u:instance ( op:port = x:signal . out:selected-port )',
    'led:primitive l:instance ( in:port = u:signal . y:selected-port )',
    'wire:primitive w:instance ( in:port = g:signal )',
    'g:signal . out:selected-port <> w:signal . in:selected-port',
    'output q:output-pin',
    'output s:output-pin ( in:port = >xnor:builtin >( >a:port >= >a:signal >, >b:port >= >>nand:builtin >>( >>a:port >>= >>a:signal >>, >>b:port >>= >>b:signal >>) >. >out:selected-port >) . out:selected-port )',
  ]);
  // A comment after a declaration stands on its own: the declaration has ended.
  for (const token of tokens.filter((t) => kindOf(t) === 'comment')) {
    assert.ok(!token.scopes.some((s) => s.startsWith('meta.')), `line ${token.line}: ${token.scopes.join(' ')}`);
  }
});

// ---- Random programs against the compiler's own reading --------------------

function random(seed) {
  let state = seed >>> 0;
  const next = () => {
    state = (state + 0x6d2b79f5) >>> 0;
    let t = state;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
  const int = (n) => Math.floor(next() * n);
  return { next, int, pick: (list) => list[int(list.length)], chance: (p) => next() < p };
}

// Names that the compiler reads as a keyword followed by more text are left
// out: the keywords match as prefixes there (see the README's language notes).
const KEYWORD_PREFIXES = ['input', 'output', 'bus', 'led', 'and', 'or', 'not', 'xor', 'nand'];
const BUILT_IN_TYPES = ['and', 'not', 'wire', 'led', 'or', 'nand', 'nor', 'xor', 'xnor'];
const COMMENTS = ['// note', '//', '// é ✓ ⊕', '//// twice', '// a(b=c).d <> "x" input'];

function makeName(rng) {
  for (;;) {
    const first = 'abcdefghijklmnopqrstuvwxyz_ABCDEFGHIJKLMNOPQRSTUVWXYZ';
    const rest = 'abcdefghijklmnopqrstuvwxyz_0123456789';
    let name = rng.pick(first);
    for (let n = rng.int(5); n > 0; n--) name += rng.pick(rest);
    if (!KEYWORD_PREFIXES.some((k) => name.startsWith(k)) && !BUILT_IN_TYPES.includes(name)) return name;
  }
}

function generateProgram(rng) {
  const blank = () => rng.pick(['', '', ' ', '  ', '\t']);
  const space = () => rng.pick([' ', ' ', '  ', '\t']);
  const aliases = [];
  const lines = [];
  const endLine = (text) => lines.push(rng.chance(0.25) ? `${text}${space()}${rng.pick(COMMENTS)}` : text);

  const signal = (depth) => {
    const roll = rng.next();
    if (depth < 3 && roll < 0.2) {
      return `${anonymous(depth + 1)}${blank()}.${blank()}${makeName(rng)}`;
    }
    const target = makeName(rng);
    return roll < 0.6 ? target : `${target}${blank()}.${blank()}${makeName(rng)}`;
  };
  const bindings = (depth) => {
    const parts = [];
    for (let n = 1 + rng.int(3); n > 0; n--) parts.push(`${makeName(rng)}${blank()}=${blank()}${signal(depth)}`);
    const separator = () => (rng.chance(0.15) ? `,\n${space()}` : `,${blank()}`);
    return `(${blank()}${parts.reduce((all, part) => `${all}${separator()}${part}`)}${blank()})`;
  };
  const typeName = () => (aliases.length && rng.chance(0.3) ? rng.pick(aliases) : rng.pick(BUILT_IN_TYPES));
  const anonymous = (depth) => `${typeName()}${blank()}${bindings(depth)}`;
  const list = () => {
    const names = Array.from({ length: 1 + rng.int(3) }, () => makeName(rng));
    return names.reduce((all, name) => `${all}${rng.chance(0.2) ? `,\n${space()}` : `,${blank()}`}${name}`);
  };

  for (let n = rng.int(3); n > 0; n--) {
    const alias = makeName(rng);
    aliases.push(alias);
    const path = rng.pick(['lib/half.vorn', 'two words.vorn', '../up/x.vorn', 'line\nbreak.vorn', '']);
    endLine(`import${space()}${alias}${space()}"${path}"`);
  }
  for (let n = 3 + rng.int(8); n > 0; n--) {
    const roll = rng.next();
    if (roll < 0.1) lines.push(rng.pick(COMMENTS));
    else if (roll < 0.25) endLine(`input${space()}${list()}`);
    else if (roll < 0.4) endLine(`output${space()}${makeName(rng)}${blank()}(${blank()}in${blank()}=${blank()}${signal(0)}${blank()})`);
    else if (roll < 0.45) endLine(`output${space()}${list()}`);
    else if (roll < 0.55) endLine(`${typeName()}${space()}${list()}`);
    else endLine(`${typeName()}${space()}${makeName(rng)}${blank()}${bindings(0)}`);
  }
  return lines.join('\n') + '\n';
}

// What the compiler read, from the syntax-tree part of its --inspect dump.
function readDump(dump) {
  const tree = dump.slice(0, dump.indexOf('=== Resolved IR ==='));
  const at = (line) => {
    const match = / \[f0:(\d+):(\d+)-\d+:\d+\]$/.exec(line);
    return match && { line: Number(match[1]), column: Number(match[2]) };
  };
  const read = { imports: [], inputs: [], outputs: [], components: [], ports: [], refs: [] };
  let importLine = null;
  for (const raw of tree.split('\n')) {
    const line = raw.trim();
    let m;
    if (importLine !== null) {
      // the continuation of an import whose path holds line breaks
      importLine += '\n' + raw;
      if (at(raw)) {
        read.imports.push(importLine);
        importLine = null;
      }
    } else if (/^Import alias=/.test(line)) {
      if (at(line)) read.imports.push(line);
      else importLine = line;
    } else if ((m = /^Input (.*) \[/.exec(line))) {
      read.inputs.push(...m[1].split(', '));
    } else if ((m = /^Output (\S+) \[/.exec(line))) {
      read.outputs.push(m[1]);
    } else if ((m = /^Component type=(\S+) instance=(\S+) \[/.exec(line))) {
      read.components.push({ type: m[1], instance: m[2], ...at(line) });
    } else if ((m = /^Port (\S+) \[/.exec(line))) {
      read.ports.push({ name: m[1], ...at(line) });
    } else if ((m = /^NamedRef (\S+)\.(\S+) \[/.exec(line))) {
      read.refs.push({ target: m[1], port: m[2], ...at(line) });
    }
  }
  // An import line runs on when its path holds line breaks.
  read.imports = read.imports.map((text) => {
    const m = /^Import alias=(\S+) path=([\s\S]*) \[f0:[^\]]*\]$/.exec(text);
    return { alias: m[1], path: m[2] };
  });
  return read;
}

const sorted = (list) => [...list].sort();
const expectedTypeKind = (type) =>
  ['and', 'not', 'wire', 'led'].includes(type) ? 'primitive'
    : ['or', 'nand', 'nor', 'xor', 'xnor'].includes(type) ? 'builtin' : 'type';

function checkAgainstCompiler(source, tokens, read) {
  const meaningful = tokens.filter((t) => kindOf(t) !== null);
  const ofKind = (kind) => meaningful.filter((t) => kindOf(t) === kind);
  // Positions in the dump are 1-based byte columns; every token checked by
  // position stands before any non-ASCII text on its line.
  const tokenAt = ({ line, column }) => {
    const token = meaningful.find((t) => t.line === line && t.column === column - 1);
    assert.ok(token, `no token at ${line}:${column}`);
    return token;
  };
  const following = (token) => meaningful[meaningful.indexOf(token) + 1];

  assert.deepEqual(sorted(ofKind('alias').map((t) => t.text)), sorted(read.imports.map((i) => i.alias)), 'import aliases');
  const paths = [];
  for (const token of meaningful) {
    if (kindOf(token) === 'quote' && token.scopes.at(-1).endsWith('.begin.vorn')) paths.push('');
    else if (kindOf(token) === 'string') paths[paths.length - 1] += (paths.at(-1) && token.column === 0 ? '\n' : '') + token.text;
  }
  assert.deepEqual(sorted(paths), sorted(read.imports.map((i) => i.path)), 'import paths');

  assert.deepEqual(sorted(ofKind('input-pin').map((t) => t.text)), sorted(read.inputs), 'input pins');
  assert.deepEqual(sorted(ofKind('output-pin').map((t) => t.text)), sorted(read.outputs), 'output pins');
  const named = read.components.filter((c) => !c.instance.startsWith('__anon_'));
  assert.deepEqual(sorted(ofKind('instance').map((t) => t.text)), sorted(named.map((c) => c.instance)), 'instance names');

  for (const component of read.components) {
    const token = tokenAt(component);
    assert.equal(token.text, component.type);
    assert.equal(kindOf(token), expectedTypeKind(component.type), `type ${component.type}`);
    const anonymous = component.instance.startsWith('__anon_');
    assert.equal(token.scopes.includes('meta.instance.anonymous.vorn'), anonymous, `anonymous ${component.instance}`);
  }
  const typeTokens = meaningful.filter((t) => TYPE_KINDS.has(kindOf(t)));
  assert.equal(typeTokens.length, new Set(read.components.map((c) => `${c.line}:${c.column}`)).size, 'type names');

  for (const port of read.ports) {
    const token = tokenAt(port);
    assert.equal(`${token.text}:${kindOf(token)}`, `${port.name}:port`);
    assert.equal(kindOf(following(token)), '=');
  }
  // Ports not listed by the dump are those of output pins.
  const outputPorts = ofKind('port').filter((t) => !read.ports.some((p) => p.line === t.line && p.column === t.column + 1));
  for (const token of outputPorts) {
    assert.ok(token.scopes.includes('meta.declaration.output.vorn') && anonymousDepth(token) === 0, `port ${token.text} at ${token.line}`);
  }

  for (const ref of read.refs) {
    const token = tokenAt(ref);
    assert.equal(token.text, ref.target);
    if (kindOf(token) === 'output-pin') continue; // "output q": q drives itself
    assert.equal(kindOf(token), 'signal', `reference ${ref.target} at ${ref.line}:${ref.column}`);
    const next = following(token);
    if (kindOf(next) === '.') assert.equal(`${following(next).text}:${kindOf(following(next))}`, `${ref.port}:selected-port`);
    else assert.equal(ref.port, 'out');
  }
  assert.equal(ofKind('signal').length, read.refs.filter((r) => kindOf(tokenAt(r)) === 'signal').length, 'signal references');

  for (const token of meaningful.filter((t) => kindOf(t) === 'comment')) {
    assert.ok(!token.scopes.some((s) => s.startsWith('meta.')), `comment at ${token.line} inside ${token.scopes.join(' ')}`);
    const line = source.split('\n')[token.line - 1];
    assert.ok(line.indexOf('//') <= token.column && line.indexOf('//') >= 0);
  }
  const commentLines = source.split('\n').filter((line) => line.includes('//')).length;
  assert.equal(new Set(ofKind('comment').map((t) => t.line)).size, commentLines, 'comment lines');
}

test('random programs: scopes agree with what the compiler reads', async (t) => {
  const compiler = process.env.VORN_COMPILE;
  if (!compiler) {
    t.skip('set VORN_COMPILE to the compiler to run this test (ctest does)');
    return;
  }
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'vorn-grammar-'));
  try {
    for (let seed = 1; seed <= 150; seed++) {
      const source = generateProgram(random(seed));
      const file = path.join(dir, `case${seed}.vorn`);
      fs.writeFileSync(file, source);
      const run = spawnSync(compiler, [file, '--inspect'], { encoding: 'utf8' });
      assert.ok(run.status === 0 || run.status === 1, `seed ${seed}: status ${run.status} ${run.stderr}`);
      const read = readDump(run.stdout);
      const tokens = await tokenize(source);
      try {
        checkAgainstCompiler(source, tokens, read);
      } catch (error) {
        error.message = `seed ${seed}:\n${source}\n${error.message}`;
        throw error;
      }
    }
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
});
