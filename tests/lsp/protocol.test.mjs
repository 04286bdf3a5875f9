// vorn-lsp as an editor sees it: a process on the far side of framed
// messages. Diagnostics are checked against the compiler's own report of
// the same files (codes, messages, notes, start positions) and against
// hand-computed UTF-16 ranges.
//
//   node protocol.test.mjs <vorn-lsp> <vorn-compile>
import test from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, mkdirSync, writeFileSync, rmSync, realpathSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';
import { Client, frame, readCompilerLine } from './client.mjs';

const [serverArg, compilerArg] = process.argv.slice(2);
if (!serverArg || !compilerArg) throw new Error('usage: node protocol.test.mjs <vorn-lsp> <vorn-compile>');
const server = resolve(serverArg);
const compiler = resolve(compilerArg);

const work = realpathSync(mkdtempSync(join(tmpdir(), 'vorn-lsp-')));
process.on('exit', () => rmSync(work, { recursive: true, force: true }));
const uriOf = (name) => pathToFileURL(join(work, name)).href;
function write(name, text) {
  writeFileSync(join(work, name), text);
  return uriOf(name);
}

function open(client, uri, text, version = 1) {
  client.notify('textDocument/didOpen', { textDocument: { uri, languageId: 'vorn', version, text } });
}
function change(client, uri, text, version) {
  client.notify('textDocument/didChange', { textDocument: { uri, version }, contentChanges: [{ text }] });
}

// The compiler's report for a root, as {line, character, code, message,
// notes}: positions converted from byte columns with the file's own text.
function compilerReport(root, texts) {
  const run = spawnSync(compiler, [root, '--truth-table'], { cwd: work, encoding: 'utf8' });
  const toPosition = (path, line, col) => {
    const lineText = Buffer.from(texts[path].split('\n')[line - 1], 'utf8');
    return { line: line - 1, character: lineText.subarray(0, col - 1).toString('utf8').length };
  };
  const report = [];
  for (const text of run.stderr.split('\n')) {
    const read = readCompilerLine(text);
    if (read?.kind === 'diagnostic' && read.code) {
      report.push({ start: toPosition(read.file, read.line, read.col), severity: read.severity, code: read.code, message: read.message, notes: [] });
    } else if (read?.kind === 'note') {
      report.at(-1).notes.push({ start: toPosition(read.file, read.line, read.col), message: read.message });
    }
  }
  return report;
}
function summarise(diagnostics) {
  return diagnostics.map((d) => ({
    start: d.range.start, severity: d.severity, code: d.code, message: d.message,
    notes: (d.relatedInformation || []).map((r) => ({ start: r.location.range.start, message: r.message })),
  }));
}

test('lifecycle and malformed input: errors are answered and the server stays up', async () => {
  const client = new Client(server, { cwd: work });
  try {
    const early = await client.request('textDocument/hover', { textDocument: { uri: uriOf('x.vorn') }, position: { line: 0, character: 0 } });
    assert.equal(early.error.code, -32002);

    const init = await client.initialize();
    const caps = init.result.capabilities;
    assert.deepEqual(caps.textDocumentSync, { openClose: true, change: 2, save: { includeText: false } });
    assert.equal(caps.definitionProvider, true);
    assert.equal(caps.documentSymbolProvider, true);
    assert.equal(caps.hoverProvider, true);
    assert.ok(caps.completionProvider);
    assert.equal(caps.referencesProvider, true);
    assert.deepEqual(caps.renameProvider, { prepareProvider: true });
    for (const unimplemented of ['codeActionProvider', 'documentFormattingProvider']) {
      assert.equal(caps[unimplemented], undefined, unimplemented);
    }

    const again = await client.request('initialize', { processId: null, rootUri: null, capabilities: {} });
    assert.equal(again.error.code, -32600);
    const unknown = await client.request('textDocument/formatting', { textDocument: { uri: uriOf('x.vorn') } });
    assert.equal(unknown.error.code, -32601);

    const answers = [];
    const nullIdError = () => client.waitFor((m) => m.id === null && m.error).then((m) => answers.push(m.error.code));
    client.sendRaw(frame('{"jsonrpc": "2.0", "id": 50, "method":'));
    await nullIdError();
    client.sendRaw(Buffer.from('X-Nonsense: 1\r\n\r\n'));
    await nullIdError();
    client.sendRaw(Buffer.from('Content-Length: twelve\r\n\r\n'));
    await nullIdError();
    client.sendRaw(frame('[1, 2, 3]'));
    await nullIdError();
    client.sendRaw(frame('{"jsonrpc": "2.0", "id": {"nested": true}, "method": "shutdown"}'));
    await nullIdError();
    assert.deepEqual(answers, [-32700, -32700, -32700, -32600, -32600]);

    // Wrong parameter types answer InvalidParams; a notification with them is dropped.
    const bad = await client.request('textDocument/hover', { textDocument: { uri: 7 }, position: 'here' });
    assert.equal(bad.error.code, -32602);
    client.notify('textDocument/didChange', { textDocument: 'nope', contentChanges: 5 });

    // Still serving, and a clean exit.
    const uri = write('alive.vorn', 'input a\noutput q(in=a)\n');
    open(client, uri, 'input a\noutput q(in=a)\n');
    assert.deepEqual((await client.diagnosticsFor(uri)).diagnostics, []);
    const { answer, closed } = await client.shutdownAndExit();
    assert.equal(answer.result, null);
    assert.equal(closed.status, 0);
    assert.equal(client.stderr, '');
  } finally {
    client.kill();
  }
});

test('a client that leaves without exit, or exits without shutdown, ends the server', async () => {
  const gone = new Client(server, { cwd: work });
  await gone.initialize();
  gone.child.stdin.end();
  assert.equal((await gone.exited).status, 1);

  const rude = new Client(server, { cwd: work });
  await rude.initialize();
  rude.notify('exit', null);
  assert.equal((await rude.exited).status, 1);
});

test('diagnostics with a note match the compiler, with UTF-16 ranges, and a fix clears them', async () => {
  // Two-byte letters in the import path stand before the duplicate on its
  // line, and a four-byte emoji in the comment above.
  write('ünï.vorn', 'input x\noutput y(in=x)\n');
  const text = '// dup 🙂 comment\ninput a, b\nnot g(in=a)\nimport helper "ünï.vorn" not g(in=b)\noutput q(in=g)\n';
  const uri = write('dup.vorn', text);
  const client = new Client(server, { cwd: work });
  try {
    await client.initialize(pathToFileURL(work).href);
    open(client, uri, text, 3);
    const published = await client.diagnosticsFor(uri);
    assert.equal(published.version, 3);
    const e005 = published.diagnostics.find((d) => d.code === 'E005');
    assert.deepEqual(e005, {
      range: { start: { line: 3, character: 25 }, end: { line: 3, character: 36 } },
      severity: 1,
      source: 'vorn',
      code: 'E005',
      message: "duplicate instance name 'g'",
      relatedInformation: [{
        location: { uri, range: { start: { line: 2, character: 0 }, end: { line: 2, character: 11 } } },
        message: "first declared as 'g' here",
      }],
    });
    assert.ok(published.diagnostics.every((d) => d.source === 'vorn'));
    assert.deepEqual(summarise(published.diagnostics), compilerReport('dup.vorn', { 'dup.vorn': text }));
    assert.ok(published.diagnostics.some((d) => d.code === 'W003'));

    // Renaming the duplicate leaves the unused import; dropping it clears all.
    change(client, uri, text.replace('not g(in=b)', 'not h(in=b)'), 4);
    const fixed = await client.diagnosticsFor(uri);
    assert.deepEqual(fixed.diagnostics.map((d) => d.code), ['W003']);
    change(client, uri, '// dup 🙂 comment\ninput a\nnot g(in=a)\noutput q(in=g)\n', 5);
    assert.deepEqual((await client.diagnosticsFor(uri)).diagnostics, []);

    // Text the grammar cannot read is an error where it stopped, in the
    // compiler's words; the rest of the file still answers questions.
    const broken = 'input a\nnot n(in=a\noutput q(in=n)\n';
    writeFileSync(join(work, 'broken.vorn'), broken);
    const located = /^broken\.vorn:(\d+):(\d+): error: (.*)$/m.exec(
      spawnSync(compiler, ['broken.vorn', '--truth-table'], { cwd: work, encoding: 'utf8' }).stderr);
    change(client, uri, broken, 6);
    const unread = (await client.diagnosticsFor(uri)).diagnostics;
    assert.deepEqual(unread, [{
      range: { start: { line: +located[1] - 1, character: +located[2] - 1 }, end: { line: +located[1] - 1, character: +located[2] } },
      severity: 1, source: 'vorn', message: located[3],
    }, {
      // The list opened on the line above is where the slip is.
      range: { start: { line: 1, character: 10 }, end: { line: 1, character: 10 } }, severity: 3, source: 'vorn', message: "missing ')'",
    }]);
    const pin = await client.request('textDocument/hover', { textDocument: { uri }, position: { line: 0, character: 6 } });
    assert.equal(pin.result.contents.value, 'input pin `a`');
    assert.equal((await client.shutdownAndExit()).closed.status, 0);
    assert.equal(client.stderr, '');
  } finally {
    client.kill();
  }
});

test('two files with an import: open buffers win, both republish, and navigation follows the import', async () => {
  const libDisk = 'input x, y\nand g(a=x, b=y)\noutput o(in=g)\n';
  const topText = 'import half "lib.vorn"\ninput a\nhalf h(x=a, z=a)\noutput s(in=h.o)\noutput t(in=h.p)\n';
  const libUri = write('lib.vorn', libDisk);
  const topUri = write('top.vorn', topText);
  const client = new Client(server, { cwd: work });
  try {
    await client.initialize(pathToFileURL(work).href);
    open(client, libUri, libDisk);
    open(client, topUri, topText);
    const first = await client.diagnosticsFor(topUri);
    assert.deepEqual(summarise(first.diagnostics), compilerReport('top.vorn', { 'top.vorn': topText }));
    assert.deepEqual(first.diagnostics.map((d) => d.code).sort(), ['E012', 'E012', 'E013']);
    const missingPort = first.diagnostics.find((d) => d.message === "sub-circuit 'half' has no input port 'z'");
    assert.deepEqual(missingPort.range, { start: { line: 2, character: 12 }, end: { line: 2, character: 13 } });

    // The library's buffer, never saved, now declares what top.vorn uses.
    change(client, libUri, 'input x, z\nand g(a=x, b=z)\noutput o(in=g)\noutput p(in=g)\n', 2);
    assert.deepEqual((await client.diagnosticsFor(topUri)).diagnostics, []);

    const at = (line, character) => ({ textDocument: { uri: topUri }, position: { line, character } });
    const toLib = await client.request('textDocument/definition', at(2, 1));
    assert.deepEqual(toLib.result, { uri: libUri, range: { start: { line: 0, character: 0 }, end: { line: 0, character: 0 } } });
    const viaPath = await client.request('textDocument/definition', at(0, 15));
    assert.equal(viaPath.result.uri, libUri);
    const signal = await client.request('textDocument/definition', at(3, 12));
    assert.deepEqual(signal.result, { uri: topUri, range: { start: { line: 2, character: 5 }, end: { line: 2, character: 6 } } });
    const port = await client.request('textDocument/definition', at(2, 7));
    assert.deepEqual(port.result, { uri: libUri, range: { start: { line: 0, character: 6 }, end: { line: 0, character: 7 } } });
    const outputPin = await client.request('textDocument/definition', at(4, 14));
    assert.deepEqual(outputPin.result, { uri: libUri, range: { start: { line: 3, character: 7 }, end: { line: 3, character: 8 } } });
    const nowhere = await client.request('textDocument/definition', at(1, 0));
    assert.equal(nowhere.result, null);

    const symbols = await client.request('textDocument/documentSymbol', { textDocument: { uri: topUri } });
    assert.deepEqual(symbols.result.map((s) => [s.name, s.detail, s.selectionRange.start.line]),
      [['a', 'input', 1], ['h', 'half', 2], ['s', 'output', 3], ['t', 'output', 4]]);

    const hover = await client.request('textDocument/hover', at(2, 5));
    const shown = hover.result.contents.value;
    assert.match(shown, /instance `h` of sub-circuit `half`/);
    assert.match(shown, /inputs: `x`, `z`/);
    assert.match(shown, /outputs: `o`, `p`/);
    const primitive = await client.request('textDocument/hover', { textDocument: { uri: libUri }, position: { line: 1, character: 1 } });
    assert.match(primitive.result.contents.value, /primitive `and`[\s\S]*inputs: `a`, `b`/);

    // Completion of port names while a binding list is half typed.
    const typing = topText + 'half k(x=a, ' + '\nxor m(b=a, ' + '\nnot n(in=and(';
    change(client, topUri, typing, 3);
    const labels = async (line, character) =>
      (await client.request('textDocument/completion', at(line, character))).result.map((i) => i.label);
    const lines = typing.split('\n');
    assert.deepEqual(await labels(5, lines[5].length), ['z']);
    assert.deepEqual(await labels(6, lines[6].length), ['a']);
    assert.deepEqual(await labels(7, lines[7].length), ['a', 'b']);
    assert.deepEqual(await labels(7, 'not n('.length), ['in']);
    assert.deepEqual(await labels(7, 'not n(in='.length), ['a', 'h']);

    // Closing the library's buffer brings back the file on disk.
    client.notify('textDocument/didClose', { textDocument: { uri: libUri } });
    change(client, topUri, topText, 4);
    // The half-typed text of version 3 may still be checked and published first.
    const reverted = (await client.waitFor((m) => m.method === 'textDocument/publishDiagnostics' &&
      m.params.uri === topUri && m.params.version === 4)).params;
    assert.deepEqual(reverted.diagnostics.map((d) => d.code).sort(), ['E012', 'E012', 'E013']);

    // An import of a file that exists only as an unsaved buffer is found
    // once that buffer opens.
    const waitingText = 'import fresh "fresh.vorn"\ninput a\nfresh f(x=a)\noutput q(in=f.y)\n';
    const waitingUri = write('waiting.vorn', waitingText);
    open(client, waitingUri, waitingText);
    assert.deepEqual((await client.diagnosticsFor(waitingUri)).diagnostics.map((d) => d.code), ['E009']);
    open(client, uriOf('fresh.vorn'), 'input x\noutput y(in=x)\n');
    assert.deepEqual((await client.diagnosticsFor(waitingUri)).diagnostics, []);
    assert.equal((await client.shutdownAndExit()).closed.status, 0);
    assert.equal(client.stderr, '');
  } finally {
    client.kill();
  }
});

test('after any bad header the server finds the next message and answers it', async () => {
  const client = new Client(server, { cwd: work });
  try {
    await client.initialize();
    // The broken message is a shutdown: were it read, every later request
    // would be refused.
    const broken = '{"jsonrpc":"2.0","id":900,"method":"shutdown"}';
    const bytes = Buffer.byteLength(broken);
    const valid = () => {
      const id = client.nextId++;
      return { id, bytes: frame({ jsonrpc: '2.0', id, method: 'textDocument/documentSymbol', params: { textDocument: { uri: uriOf('none.vorn') } } }) };
    };
    const cases = {
      'too small': `Content-Length: ${bytes - 20}\r\n\r\n${broken}`,
      'too large': `Content-Length: ${bytes + 40}\r\n\r\n${broken}`,
      'far too large': `Content-Length: ${bytes + 5000}\r\n\r\n${broken}`,
      'not a number': `Content-Length: abc\r\n\r\n${broken}`,
      negative: `Content-Length: -5\r\n\r\n${broken}`,
      missing: `Content-Type: application/vscode-jsonrpc; charset=utf-8\r\n\r\n${broken}`,
      'junk before a header': '\u0000garbage}{ ',
      'junk line before a header': 'garbage\r\n\r\n',
      'over the cap': `Content-Length: 300000000\r\n\r\n${broken}`,
    };
    for (const [name, bad] of Object.entries(cases)) {
      for (const together of [false, true]) {
        const next = valid();
        if (together) {
          client.sendRaw(Buffer.concat([Buffer.from(bad, 'latin1'), next.bytes]));
        } else {
          client.sendRaw(Buffer.from(bad, 'latin1'));
          await new Promise((resolve) => setTimeout(resolve, 30));
          client.sendRaw(next.bytes);
        }
        const answer = await client.waitFor((m) => m.id === next.id, 3000).catch(() => null);
        assert.ok(answer, `${name}${together ? ', in one write' : ''}: the next request is not answered`);
        assert.deepEqual(answer.result, [], name);
      }
    }
    assert.equal(client.messages.filter((m) => m.id === 900).length, 0);
    assert.ok(client.messages.every((m) => m.id === null && m.error && m.error.code === -32700));
    const { answer, closed } = await client.shutdownAndExit();
    assert.equal(answer.result, null);
    assert.equal(closed.status, 0);
  } finally {
    client.kill();
  }
});

test('two roots sharing an edited file: no publication carries the result of a root not yet checked again', async () => {
  const libOld = 'input x\nnot g(in=x)\nnot g(in=x)\noutput o(in=g)\n';
  const libNew = 'input x\nnot h(in=x)\nnot k(in=x)\nnot h(in=x)\noutput o(in=h)\noutput p(in=k)\n';
  const libUri = write('shared.vorn', libOld);
  const roots = ['r1', 'r2', 'r3'].map((name) => {
    const text = `import lib "shared.vorn"\ninput a\nlib l(x=a)\noutput q(in=l.o)\n`;
    return { uri: write(`${name}.vorn`, text), text };
  });
  const client = new Client(server, { cwd: work });
  try {
    await client.initialize();
    open(client, libUri, libOld);
    for (const root of roots) open(client, root.uri, root.text);
    for (const root of roots) await client.diagnosticsFor(root.uri);
    await new Promise((resolve) => setTimeout(resolve, 300));
    const lines = (params) => params.diagnostics.filter((d) => d.code === 'E005').map((d) => d.range.start.line);
    const before = client.messages.filter((m) => m.params?.uri === libUri).at(-1);
    assert.deepEqual(lines(before.params), [2]);
    client.messages.length = 0;

    change(client, libUri, libNew, 2);
    for (const root of roots) await client.diagnosticsFor(root.uri);
    await new Promise((resolve) => setTimeout(resolve, 300));
    const published = client.messages.filter((m) => m.params?.uri === libUri).map((m) => m.params);
    assert.ok(published.length > 0);
    for (const params of published) {
      assert.equal(params.version, 2);
      assert.ok(!lines(params).includes(2), `stale diagnostic published: ${JSON.stringify(params.diagnostics)}`);
    }
    assert.deepEqual(lines(published.at(-1)), [3]);

    // An edit that changes none of its diagnostics is still answered, once
    // the roots that read it have been checked again.
    change(client, libUri, libNew + '// unchanged\n', 3);
    const again = await client.waitFor((m) => m.params?.uri === libUri && m.params.version === 3);
    assert.deepEqual(lines(again.params), [3]);
    assert.equal((await client.shutdownAndExit()).closed.status, 0);
  } finally {
    client.kill();
  }
});

test('changes on disk: watchers are registered when offered, saves and watched files recheck the roots', async () => {
  const partText = 'input x\noutput y(in=x)\n';
  write('part.vorn', partText);
  const rootText = 'import part "part.vorn"\nimport later "later.vorn"\ninput a\npart p(x=a)\nlater l(x=a)\noutput q(in=p.z)\noutput r(in=l.y)\n';
  const rootUri = write('watching.vorn', rootText);
  const client = new Client(server, { cwd: work });
  try {
    const init = await client.request('initialize', {
      processId: null, rootUri: null,
      capabilities: { workspace: { didChangeWatchedFiles: { dynamicRegistration: true } } },
    });
    assert.equal(init.result.capabilities.textDocumentSync.save.includeText, false);
    client.notify('initialized', {});
    const registration = await client.waitFor((m) => m.method === 'client/registerCapability');
    assert.deepEqual(registration.params.registrations.map((r) => [r.method, r.registerOptions.watchers]),
      [['workspace/didChangeWatchedFiles', [{ globPattern: '**/*.vorn' }]]]);
    client.send({ jsonrpc: '2.0', id: registration.id, result: null });

    open(client, rootUri, rootText);
    assert.deepEqual((await client.diagnosticsFor(rootUri)).diagnostics.map((d) => d.code), ['E009']);
    // The missing file appears on disk.
    const laterUri = write('later.vorn', 'input x\noutput y(in=x)\n');
    client.notify('workspace/didChangeWatchedFiles', { changes: [{ uri: laterUri, type: 1 }] });
    assert.deepEqual((await client.diagnosticsFor(rootUri)).diagnostics.map((d) => d.code), ['E012', 'W002']);
    // The imported file changes on disk, and then declares the port.
    write('part.vorn', 'input x\noutput z(in=x)\n');
    client.notify('workspace/didChangeWatchedFiles', { changes: [{ uri: uriOf('part.vorn'), type: 2 }] });
    assert.deepEqual((await client.diagnosticsFor(rootUri)).diagnostics, []);
    // A save of an open file rechecks the roots that read it.
    const partUri = uriOf('part.vorn');
    open(client, partUri, 'input x\noutput z(in=x)\n');
    await client.diagnosticsFor(partUri);
    await new Promise((resolve) => setTimeout(resolve, 200));
    client.messages.length = 0;
    client.notify('textDocument/didSave', { textDocument: { uri: partUri } });
    assert.deepEqual((await client.diagnosticsFor(rootUri)).diagnostics, []);
    assert.equal((await client.shutdownAndExit()).closed.status, 0);
  } finally {
    client.kill();
  }

  // A client that cannot register is not asked to.
  const plain = new Client(server, { cwd: work });
  try {
    await plain.initialize();
    assert.deepEqual((await plain.request('textDocument/documentSymbol', { textDocument: { uri: rootUri } })).result, []);
    assert.ok(!plain.messages.some((m) => m.method === 'client/registerCapability'));
    assert.equal((await plain.shutdownAndExit()).closed.status, 0);
  } finally {
    plain.kill();
  }
});

test("a file reported under the server's URI and then opened under another spelling moves to the client's", async () => {
  const libText = 'input x\nnot g(in=x)\nnot g(in=x)\noutput o(in=g)\n';
  const plainUri = write('spelt.vorn', libText);
  const rootText = 'import s "spelt.vorn"\ninput a\ns i(x=a)\noutput q(in=i.o)\n';
  const rootUri = write('speller.vorn', rootText);
  // The same file with its letters percent-encoded, as some clients write them.
  const clientUri = plainUri.replace(/spelt\.vorn$/, '%73%70%65%6C%74.vorn');
  const client = new Client(server, { cwd: work });
  try {
    await client.initialize();
    open(client, rootUri, rootText);
    const first = await client.diagnosticsFor(plainUri);
    assert.deepEqual(first.diagnostics.map((d) => d.code), ['E005']);

    open(client, clientUri, libText);
    const cleared = await client.diagnosticsFor(plainUri);
    assert.deepEqual(cleared.diagnostics, []);
    assert.deepEqual((await client.diagnosticsFor(clientUri)).diagnostics.map((d) => d.code), ['E005']);
    // Later news about the file goes to the client's spelling only.
    change(client, rootUri, rootText + '// touched\n', 2);
    await client.diagnosticsFor(rootUri);
    await new Promise((resolve) => setTimeout(resolve, 200));
    assert.ok(!client.messages.some((m) => m.params?.uri === plainUri && m.params.diagnostics.length > 0));
    assert.equal((await client.shutdownAndExit()).closed.status, 0);
  } finally {
    client.kill();
  }
});

test('editor-only help: undeclared names at the name, errors of imported files at the import, completions, port hovers', async () => {
  mkdirSync(join(work, 'editor', 'lib'), { recursive: true });
  const halfText = 'input x, y\nxor s(a=x, b=y)\nand c(a=x, b=y)\noutput sum(in=s.out)\noutput carry(in=c)\n';
  write('editor/lib/half.vorn', halfText);
  write('editor/other.vorn', 'input q\noutput r(in=q)\n');
  const client = new Client(server, { cwd: work });
  try {
    await client.initialize();

    // Names bound to nothing: the compiler's own diagnostics stay as they
    // are, and the server adds one at each name, also inside anonymous
    // instances; a name declared further down is no such name.
    const namesText = 'input a, x\nand g(a=x, b=cni)\nnot n(in=h3.out)\noutput q(in=g.out)\noutput r(in=n)\n' +
      'output s(in=not(in=and(a=late, b=zz).out).out)\ninput late\n';
    const namesUri = write('editor/names.vorn', namesText);
    open(client, namesUri, namesText);
    const names = (await client.diagnosticsFor(namesUri)).diagnostics;
    const coded = names.filter((d) => d.code !== undefined);
    assert.deepEqual(summarise(coded), compilerReport('editor/names.vorn', { 'editor/names.vorn': namesText }));
    assert.deepEqual(names.filter((d) => d.code === undefined), [
      { range: { start: { line: 1, character: 13 }, end: { line: 1, character: 16 } }, severity: 1, source: 'vorn', message: "undeclared signal 'cni'" },
      { range: { start: { line: 2, character: 9 }, end: { line: 2, character: 11 } }, severity: 1, source: 'vorn', message: "undeclared signal 'h3'" },
      { range: { start: { line: 5, character: 33 }, end: { line: 5, character: 35 } }, severity: 1, source: 'vorn', message: "undeclared signal 'zz'" },
    ]);

    // A slip inside an imported file shows at the import of every open importer.
    const halfUri = uriOf('editor/lib/half.vorn');
    const brokenHalf = 'input x, y\nxor s(a=x, b=y\nand c(a=x, b=y)\noutput sum(in=s.out)\noutput carry(in=c)\n';
    const importers = ['top1', 'top2'].map((name) => {
      const text = `// ${name}\nimport half "lib/half.vorn"\ninput a, b\nhalf h(x=a, y=b)\noutput s(in=h.sum)\noutput c(in=h.carry)\n`;
      return { uri: write(`editor/${name}.vorn`, text), text };
    });
    for (const importer of importers) open(client, importer.uri, importer.text);
    for (const importer of importers) await client.diagnosticsFor(importer.uri);
    open(client, halfUri, brokenHalf);
    const located = (await client.diagnosticsFor(halfUri)).diagnostics.filter((d) => d.severity === 1);
    assert.equal(located.length, 1);
    for (const importer of importers) {
      const published = await client.diagnosticsFor(importer.uri);
      const atImport = published.diagnostics.filter((d) => d.message.startsWith('errors in imported file'));
      assert.deepEqual(atImport, [{
        range: { start: { line: 1, character: 0 }, end: { line: 1, character: 27 } }, severity: 1, source: 'vorn',
        message: "errors in imported file 'lib/half.vorn'",
        relatedInformation: [{ location: { uri: halfUri, range: located[0].range }, message: located[0].message }],
      }]);
    }
    // Fixed, the import line is clean again.
    change(client, halfUri, halfText, 2);
    for (const importer of importers) {
      assert.deepEqual((await client.diagnosticsFor(importer.uri)).diagnostics, []);
    }

    // Completion by context, on a file being typed.
    const typing = 'import half "lib/half.vorn"\ninput a, b\nhalf h(x=a, y=b)\nand g(a=a, b=b)\n\nnot m(in=h.\nnot k(in=\nimport z "\nimport w "lib/\n';
    const typingUri = write('editor/typing.vorn', typing);
    open(client, typingUri, typing);
    const labels = async (line, character) => (await client.request('textDocument/completion',
      { textDocument: { uri: typingUri }, position: { line, character } })).result.map((i) => i.label);
    const lines = typing.split('\n');
    assert.deepEqual(await labels(5, lines[5].length), ['sum', 'carry']);
    assert.deepEqual(await labels(6, lines[6].length), ['a', 'b', 'h', 'g']);
    const starts = await labels(4, 0);
    for (const expected of ['and', 'not', 'wire', 'led', 'or', 'xor', 'nand', 'nor', 'xnor', 'half', 'input', 'output', 'import']) {
      assert.ok(starts.includes(expected), `${expected} among ${starts}`);
    }
    assert.ok(!starts.includes('a') && !starts.includes('sum'));
    assert.deepEqual(await labels(7, lines[7].length), ['lib/', 'names.vorn', 'other.vorn', 'top1.vorn', 'top2.vorn']);
    assert.deepEqual(await labels(8, lines[8].length), ['half.vorn']);

    // Hover on a port name and on instance.port: the port and its driver.
    const hoverText = 'import half "lib/half.vorn"\ninput a, b\nhalf h(x=a, y=b)\nand g(a=h.sum, b=not(in=b).out)\noutput s(in=h.carry)\noutput t(in=g.out)\n';
    const hoverUri = write('editor/hover.vorn', hoverText);
    open(client, hoverUri, hoverText);
    const hover = async (line, character) => (await client.request('textDocument/hover',
      { textDocument: { uri: hoverUri }, position: { line, character } })).result.contents.value;
    assert.equal(await hover(2, 7), 'input port `x` of instance `h` (`half`)\n\ndriven by `a` (input pin)');
    assert.equal(await hover(3, 6), 'input port `a` of instance `g` (`and`)\n\ndriven by `h.sum` (instance of `half`)');
    assert.equal(await hover(3, 15), 'input port `b` of instance `g` (`and`)\n\ndriven by an anonymous `not`');
    assert.equal(await hover(3, 11), 'output port `sum` of instance `h` (`half`)\n\ndriven by `s.out` inside `half`');
    assert.equal(await hover(4, 16), 'output port `carry` of instance `h` (`half`)\n\ndriven by `c` inside `half`');
    assert.equal(await hover(5, 15), 'output port `out` of instance `g` (`and`)\n\ndriven by the `and` gate itself');
    assert.equal((await client.shutdownAndExit()).closed.status, 0);
    assert.equal(client.stderr, '');
  } finally {
    client.kill();
  }
});
