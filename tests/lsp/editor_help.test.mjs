// vorn-lsp as a beginner's editor needs it: hints in plain words beside the
// compiler's diagnostics, a root that keeps its own diagnostics whatever its
// imports do, errors deep in a project shown at the root's import, rename
// and references across files, and a server that stays live under what real
// clients send (ranged edits, stray bytes, two spellings of one file).
//
//   node editor_help.test.mjs <vorn-lsp> <vorn-compile>
import test from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, mkdirSync, writeFileSync, rmSync, realpathSync, symlinkSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';
import { Client, readCompilerLine } from './client.mjs';

const [serverArg, compilerArg] = process.argv.slice(2);
if (!serverArg || !compilerArg) throw new Error('usage: node editor_help.test.mjs <vorn-lsp> <vorn-compile>');
const server = resolve(serverArg);
const compiler = resolve(compilerArg);

const work = realpathSync(mkdtempSync(join(tmpdir(), 'vorn-lsp-help-')));
process.on('exit', () => rmSync(work, { recursive: true, force: true }));
const uriOf = (name) => pathToFileURL(join(work, name)).href;
function write(name, text) {
  mkdirSync(join(work, name, '..'), { recursive: true });
  writeFileSync(join(work, name), text);
  return uriOf(name);
}
const open = (client, uri, text, version = 1) =>
  client.notify('textDocument/didOpen', { textDocument: { uri, languageId: 'vorn', version, text } });
const range = (line, from, to = from + 1, endLine = line) =>
  ({ start: { line, character: from }, end: { line: endLine, character: to } });
const hint = (r, message) => ({ range: r, severity: 3, source: 'vorn', message });
const hintsOf = (list) => list.filter((d) => d.severity === 3);
// The compiler's stderr for a root, as {file, line, col, code, message} of its main lines.
function compilerLines(root) {
  const run = spawnSync(compiler, [root, '--truth-table'], { cwd: work, encoding: 'utf8' });
  return run.stderr.split('\n').map(readCompilerLine).filter((read) => read?.kind === 'diagnostic');
}

test('hints in plain words, each at the place it explains, beside the compiler\'s unchanged words', async () => {
  write('hints/half.vorn', 'input a, b\nxor x(a=a, b=b)\nand y(a=a, b=b)\noutput sum(in=x)\noutput carry(in=y)\n');
  const client = new Client(server, { cwd: work });
  try {
    await client.initialize();
    const check = async (name, text) => {
      const uri = write(`hints/${name}`, text);
      open(client, uri, text);
      return { uri, list: (await client.diagnosticsFor(uri)).diagnostics };
    };

    // A semicolon, an assignment with an operator, and an output bound to nothing.
    const slips = await check('slips.vorn', 'input a, b, cin;\nsum = a ^ b\n  carry & a\noutput c\n');
    assert.deepEqual(hintsOf(slips.list), [
      hint(range(3, 7), "output 'c' is not connected: write output c(in=SIGNAL)"),
      hint(range(0, 15), "';' is not part of vorn: a declaration ends at the end of its line"),
      hint(range(1, 4), 'vorn has no operators or assignments: use a gate, e.g. xor s(a=a, b=b)'),
      hint(range(2, 8), 'vorn has no operators or assignments: use a gate, e.g. xor s(a=a, b=b)'),
    ]);
    // The compiler's own line is still there, in its words.
    const [own] = compilerLines('hints/slips.vorn');
    assert.deepEqual(slips.list.filter((d) => d.severity === 1).map((d) => d.message), [own.message]);
    // A file that parses: the compiler's loop, and the hint that explains it.
    const loop = await check('loop.vorn', 'input a\noutput c\noutput d(in=a)\n');
    assert.deepEqual(loop.list.filter((d) => d.code).map((d) => d.code), ['E008']);
    assert.deepEqual(hintsOf(loop.list), [hint(range(1, 7), "output 'c' is not connected: write output c(in=SIGNAL)")]);
    // Columns as the compiler counts them, after a byte order mark.
    const marked = await check('marked.vorn', '\uFEFFinput a;\noutput o(in=a)\n');
    assert.deepEqual(hintsOf(marked.list), [hint(range(0, 8), "';' is not part of vorn: a declaration ends at the end of its line")]);
    // Inside comments nothing is a slip.
    const fine = await check('fine.vorn', 'input a, b // a; b = c\nand c(a=a, b=b)\noutput o(in=c) // output c\n');
    assert.deepEqual(fine.list, []);

    // A `)` forgotten at the end of line 2: the grammar stops at the start of
    // line 3, the hint stands where the `)` belongs.
    const open3 = await check('paren.vorn', 'input a, b\nand g(a=a, b=b  \nand h(a=g, b=b)\noutput o(in=h)\n');
    assert.deepEqual(hintsOf(open3.list), [hint(range(1, 14), "missing ')'")]);

    // Failures the compiler reports without a place get one.
    for (const [name, text] of [['empty.vorn', ''], ['comment.vorn', '// just a comment\n\n']]) {
      const { list } = await check(name, text);
      assert.ok(list.some((d) => d.severity === 1 && d.range.start.line === 0), `${name}: the compiler's failure stays`);
      assert.deepEqual(hintsOf(list).map((d) => [d.range.start, d.message]),
        [[{ line: 0, character: 0 }, 'the file declares nothing: add input, output or a gate']]);
    }
    const noAlias = await check('noalias.vorn', 'input a\n  import "half.vorn"  \noutput o(in=a)\n');
    assert.deepEqual(hintsOf(noAlias.list), [hint(range(1, 2, 20), 'an import needs an alias: import NAME "file.vorn"')]);

    // A component named by its number gets a related location naming it as
    // the source does; the compiler's notes stay.
    const drivers = await check('drivers.vorn',
      'import half "half.vorn"\ninput a, b\nhalf h1(a=a, b=b)\nand g(a=h1.sum, a=not(in=b).out, b=a)\noutput o(in=g)\noutput c(in=h1.carry)\n');
    const e003 = drivers.list.find((d) => d.code === 'E003');
    const compilerNotes = e003.relatedInformation.filter((r) => r.message.includes('component '));
    assert.equal(compilerNotes.length, 2);
    assert.deepEqual(e003.relatedInformation.slice(2), [
      { location: { uri: drivers.uri, range: compilerNotes[0].location.range }, message: 'driver from h1.sum' },
      { location: { uri: drivers.uri, range: compilerNotes[1].location.range }, message: 'driver from an anonymous not (port out)' },
    ]);
    assert.equal((await client.shutdownAndExit()).closed.status, 0);
  } finally {
    client.kill();
  }
});

test('a broken import costs the root nothing of its own; an error any depth down shows at the root\'s import', async () => {
  write('deep/broken.vorn', 'input a, b\nxor x(a=a, b=b\noutput s(in=x)\n');
  const usesText = 'import br "broken.vorn"\ninput a\nbr k(a=a, b=a)\nand g(a=a, b=zz)\noutput o(in=g)\noutput p(in=k.s)\n';
  write('deep/leaf.vorn', 'input a\nand g(a=a, b=bb)\noutput o(in=g)\n');
  write('deep/mid.vorn', 'import leaf "leaf.vorn"\ninput a\nleaf l(a=a)\noutput o(in=l.o)\n');
  const topText = '// the root\nimport mid "mid.vorn"\ninput a\nmid m(a=a)\noutput o(in=m.o)\n';
  const client = new Client(server, { cwd: work });
  try {
    await client.initialize();
    const usesUri = write('deep/uses.vorn', usesText);
    open(client, usesUri, usesText);
    const uses = (await client.diagnosticsFor(usesUri)).diagnostics;
    // Its own: the compiler's E004 and the undeclared name, as if the import read well.
    assert.deepEqual(uses.filter((d) => d.code === 'E004').map((d) => d.range), [range(3, 0, 16)]);
    assert.ok(uses.some((d) => d.message === "undeclared signal 'zz'" && d.range.start.character === 13));
    // No failed stage at 1:1; the import line says why, with the place in the other file.
    assert.ok(!uses.some((d) => /failed/.test(d.message)), JSON.stringify(uses));
    const atImport = uses.filter((d) => d.message.startsWith('errors in imported file'));
    assert.deepEqual(atImport.map((d) => [d.range, d.message, d.relatedInformation.map((r) => [r.location.uri, r.location.range.start.line])]),
      [[range(0, 0, 23), "errors in imported file 'broken.vorn'", [[uriOf('deep/broken.vorn'), 2]]]]);

    // top → mid → leaf: the compiler stops at leaf's E004, and so does the root's view.
    const topUri = write('deep/top.vorn', topText);
    const [stop] = compilerLines('deep/top.vorn');
    assert.deepEqual([stop.file, stop.line, stop.code], ['deep/leaf.vorn', 2, 'E004']);
    open(client, topUri, topText);
    const top = (await client.diagnosticsFor(topUri)).diagnostics;
    assert.deepEqual(top, [{
      range: range(1, 0, 21), severity: 1, source: 'vorn', message: "errors in imported file 'mid.vorn'",
      relatedInformation: [
        { location: { uri: uriOf('deep/mid.vorn'), range: range(0, 0, 23) }, message: "imports 'leaf.vorn'" },
        { location: { uri: uriOf('deep/leaf.vorn'), range: range(1, 0, 16) }, message: stop.message },
      ],
    }]);
    assert.equal((await client.shutdownAndExit()).closed.status, 0);
  } finally {
    client.kill();
  }
});

test('completion anywhere in a file being typed, whatever follows, and never in a comment', async () => {
  write('typing/half.vorn', 'input a, b\nxor x(a=a, b=b)\nand y(a=a, b=b)\noutput sum(in=x)\noutput carry(in=y)\n');
  const client = new Client(server, { cwd: work });
  try {
    await client.initialize();
    const after = Array.from({ length: 12 }, (_, i) => `and g${i}(a=a, b=b)`).join('\n');
    const base = `import half "half.vorn"\ninput a, b\nhalf x(a=a, b=b)\nhalf w(@\n${after}\noutput o(in=g0)\n`;
    const uri = uriOf('typing/t.vorn');
    let version = 1;
    const labelsAt = async (typed) => {
      const text = base.replace('@', typed);
      if (version === 1) open(client, uri, text, version++);
      else client.notify('textDocument/didChange', { textDocument: { uri, version: version++ }, contentChanges: [{ text }] });
      const answer = await client.request('textDocument/completion',
        { textDocument: { uri }, position: { line: 3, character: 7 + typed.length } });
      return answer.result.map((item) => item.label);
    };
    assert.deepEqual(await labelsAt(''), ['a', 'b']);
    assert.deepEqual(await labelsAt('a='), ['a', 'b', 'x', ...Array.from({ length: 12 }, (_, i) => `g${i}`)]);
    assert.deepEqual(await labelsAt('a=x.'), ['sum', 'carry']);
    assert.deepEqual(await labelsAt('a=a) // b='), []);
    // Many slips below the cursor at once: the rest of the file still counts.
    const slips = Array.from({ length: 10 }, (_, i) => `and s${i}(a=a b=b`).join('\n');
    const slipped = `import half "half.vorn"\ninput a, b\nhalf x(a=a, b=b)\nand y(a=\n${slips}\noutput o(in=x.sum)\n`;
    client.notify('textDocument/didChange', { textDocument: { uri, version: version++ }, contentChanges: [{ text: slipped }] });
    const answer = await client.request('textDocument/completion', { textDocument: { uri }, position: { line: 3, character: 8 } });
    assert.deepEqual(answer.result.map((item) => item.label), ['a', 'b', 'x']);
    assert.equal((await client.shutdownAndExit()).closed.status, 0);
  } finally {
    client.kill();
  }
});

test('live under real clients: ranged edits, stray bytes, two spellings of one file, a capped list', async () => {
  write('live/lib/full_adder.vorn', 'input a, b\nand g(a=a, b=b)\noutput o(in=g)\n');
  mkdirSync(join(work, 'live/lib/parts'), { recursive: true });
  symlinkSync(join(work, 'live/lib'), join(work, 'live/link'));
  const client = new Client(server, { cwd: work });
  try {
    await client.initialize();
    const text = 'input a, b\nand g(a=a, b=b)\noutput o(in=g)\n';
    // Two spellings of lib/full_adder.vorn; the one closed first is the one opened last.
    const linked = uriOf('live/link/full_adder.vorn');
    const dotted = `${uriOf('live/lib/parts')}/../full_adder.vorn`;
    open(client, linked, text);
    await client.diagnosticsFor(linked);
    open(client, dotted, text);
    await client.diagnosticsFor(dotted);
    client.notify('textDocument/didClose', { textDocument: { uri: dotted } });
    // A ranged edit (b=b → b=zz) of the spelling still open is seen.
    client.notify('textDocument/didChange', {
      textDocument: { uri: linked, version: 2 },
      contentChanges: [{ range: range(1, 13, 14), text: 'zz' }],
    });
    const edited = await client.waitFor((m) => m.method === 'textDocument/publishDiagnostics' &&
      m.params.uri === linked && m.params.version === 2);
    assert.deepEqual(edited.params.diagnostics.filter((d) => !d.code).map((d) => [d.range, d.message]), [[range(1, 13, 15), "undeclared signal 'zz'"]]);

    // Bytes that are not UTF-8 read as U+FFFD: the change is taken, and the server answers on.
    const body = Buffer.concat([
      Buffer.from(`{"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":"${linked}","version":3},` +
        '"contentChanges":[{"text":"// junk '),
      Buffer.from([0xff, 0xfe]),
      Buffer.from('\\ninput a\\nand g(a=a, b=q)\\noutput o(in=g)\\n"}]}}'),
    ]);
    client.sendRaw(Buffer.concat([Buffer.from(`Content-Length: ${body.length}\r\n\r\n`), body]));
    const stray = await client.waitFor((m) => m.method === 'textDocument/publishDiagnostics' &&
      m.params.uri === linked && m.params.version === 3);
    assert.deepEqual(stray.params.diagnostics.filter((d) => !d.code).map((d) => [d.range, d.message]), [[range(2, 13, 14), "undeclared signal 'q'"]]);
    const hover = await client.request('textDocument/hover', { textDocument: { uri: linked }, position: { line: 1, character: 6 } });
    assert.equal(hover.result.contents.value, 'input pin `a`');
    assert.equal(client.messages.filter((m) => m.error).length, 0);

    // 1,500 unused inputs: the first 1,000 warnings, then one line for the rest.
    const many = `${Array.from({ length: 1500 }, (_, i) => `input i${i}`).join('\n')}\ninput a\noutput o(in=a)\n`;
    const manyUri = write('live/many.vorn', many);
    open(client, manyUri, many);
    const capped = (await client.diagnosticsFor(manyUri, 30000)).diagnostics;
    assert.equal(capped.length, 1001);
    assert.deepEqual(capped.slice(0, 1000).map((d) => d.code), Array(1000).fill('W001'));
    assert.deepEqual(capped[1000], {
      range: range(0, 0, 0), severity: 3, source: 'vorn',
      message: '500 more diagnostics in this file not shown (the first 1000 are)',
    });
    assert.equal((await client.shutdownAndExit()).closed.status, 0);
  } finally {
    client.kill();
  }
});

test('rename and references of pins, instances and aliases across the files that import them', async () => {
  const halfText = 'input a, b\nxor x(a=a, b=b)\nand y(a=a, b=b)\noutput sum(in=x)\noutput carry(in=y)\n';
  const fullText = 'import half "lib/half.vorn"\ninput a, b, c\nhalf h1(a=a, b=b)\nhalf h2(a=h1.sum, b=c)\n' +
    'or o(a=h1.carry, b=h2.carry)\noutput sum(in=h2.sum)\noutput cout(in=o)\n';
  const halfUri = write('rename/lib/half.vorn', halfText);
  const fullUri = write('rename/full.vorn', fullText);
  // Not open, and imports half.vorn too: found by looking in the folder.
  const otherUri = write('rename/other.vorn', 'import hh "lib/half.vorn"\ninput p\nhh k(a=p, b=p)\noutput s(in=k.sum)\noutput t(in=k.carry)\n');
  const client = new Client(server, { cwd: work });
  try {
    await client.initialize();
    open(client, fullUri, fullText);
    await client.diagnosticsFor(fullUri);
    const at = (uri, line, character) => ({ textDocument: { uri }, position: { line, character } });
    const edits = (answer) => Object.fromEntries(Object.entries(answer.result.changes)
      .map(([uri, list]) => [uri, list.map((e) => [e.range.start.line, e.range.start.character, e.range.end.character, e.newText])]));

    // The output `sum` of half, renamed from a use in full.vorn: its
    // declaration in half.vorn and every `.sum` read from a half instance,
    // but not full.vorn's own output of the same name.
    const prepared = await client.request('textDocument/prepareRename', at(fullUri, 3, 14));
    assert.deepEqual(prepared.result, { range: range(3, 13, 16), placeholder: 'sum' });
    assert.deepEqual(edits(await client.request('textDocument/rename', { ...at(fullUri, 3, 14), newName: 'total' })), {
      [halfUri]: [[3, 7, 10, 'total']],
      [fullUri]: [[3, 13, 16, 'total'], [5, 17, 20, 'total']],
      [otherUri]: [[3, 14, 17, 'total']],
    });
    // The input `a` of half: its declaration and uses there, and the port
    // names of half instances elsewhere; full.vorn's own input a is another.
    open(client, halfUri, halfText);
    await client.diagnosticsFor(halfUri);
    const refs = await client.request('textDocument/references', { ...at(halfUri, 1, 8), context: { includeDeclaration: false } });
    assert.deepEqual(refs.result.map((l) => [l.uri, l.range.start.line, l.range.start.character]), [
      [fullUri, 2, 8], [fullUri, 3, 8], [halfUri, 1, 8], [halfUri, 2, 8], [otherUri, 2, 5],
    ]);
    // An instance, from a read of it: only its file.
    assert.deepEqual(edits(await client.request('textDocument/rename', { ...at(fullUri, 4, 8), newName: 'first' })), {
      [fullUri]: [[2, 5, 7, 'first'], [3, 10, 12, 'first'], [4, 7, 9, 'first']],
    });
    // An import alias, from its declaration: the alias and the types it names.
    assert.deepEqual(edits(await client.request('textDocument/rename', { ...at(fullUri, 0, 8), newName: 'adder' })), {
      [fullUri]: [[0, 7, 11, 'adder'], [2, 0, 4, 'adder'], [3, 0, 4, 'adder']],
    });
    // Nothing to rename on a keyword or a gate type; a name vorn cannot read is refused.
    assert.equal((await client.request('textDocument/prepareRename', at(fullUri, 1, 2))).result, null);
    assert.equal((await client.request('textDocument/prepareRename', at(fullUri, 4, 0))).result, null);
    assert.equal((await client.request('textDocument/rename', { ...at(fullUri, 2, 6), newName: '2x' })).error.code, -32602);
    assert.equal((await client.request('textDocument/rename', { ...at(fullUri, 2, 6), newName: 'input' })).error.code, -32602);
    assert.equal((await client.shutdownAndExit()).closed.status, 0);
  } finally {
    client.kill();
  }
});
