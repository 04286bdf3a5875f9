// The server says what the compiler says. Every source of the golden cases
// and the examples is opened alone in vorn-lsp and compiled as a project
// root (--preview, which always follows imports); the diagnostics of each
// file must match the compiler's lines for that file one for one: position
// (byte column turned into UTF-16), severity, code, message and notes. A
// stage failure is one error at the start of the root.
//
//   node agreement.test.mjs <vorn-lsp> <vorn-compile>
import test from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { readdirSync, readFileSync, statSync, realpathSync } from 'node:fs';
import { join, dirname, resolve, relative } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { Client, readCompilerLine } from './client.mjs';

const [serverArg, compilerArg] = process.argv.slice(2);
if (!serverArg || !compilerArg) throw new Error('usage: node agreement.test.mjs <vorn-lsp> <vorn-compile>');
const server = resolve(serverArg);
const compiler = resolve(compilerArg);
const repo = resolve(dirname(fileURLToPath(import.meta.url)), '..', '..');

function sources(dir) {
  const out = [];
  for (const entry of readdirSync(dir, { withFileTypes: true })) {
    const path = join(dir, entry.name);
    if (entry.isDirectory() && entry.name !== 'node_modules') out.push(...sources(path));
    else if (entry.isFile() && entry.name.endsWith('.vorn') && statSync(path).size <= 256 * 1024) out.push(path);
  }
  return out.sort();
}

// The compiler's report, keyed by the file each line names.
function compilerReport(root) {
  const cwd = dirname(root);
  const run = spawnSync(compiler, [relative(cwd, root), '--preview', '--color=never'], { cwd, encoding: 'utf8', maxBuffer: 1 << 28 });
  const position = (file, line, col) => {
    const text = readFileSync(resolve(cwd, file));
    let start = 0;
    for (let l = 1; l < line; ++l) start = text.indexOf(10, start) + 1;
    // The compiler's columns count from after a leading byte order mark; the
    // document sent to the server holds it as its first character.
    const mark = line === 1 && text[0] === 0xef && text[1] === 0xbb && text[2] === 0xbf ? 3 : 0;
    const prefix = text.subarray(start, start + mark + col - 1).toString('utf8');
    // The editor also breaks lines at a lone CR.
    const parts = prefix.split(/\r(?!\n)/);
    const before = text.subarray(0, start).toString('utf8').split(/\r\n|\r|\n/).length - 1;
    return { line: before + parts.length - 1, character: parts.at(-1).length, file: realpathSync(resolve(cwd, file)) };
  };
  const byFile = new Map();
  const add = (file, entry) => { if (!byFile.has(file)) byFile.set(file, []); byFile.get(file).push(entry); };
  let last = null;
  let locatedSyntaxError = false;
  for (const text of run.stderr.split('\n')) {
    const read = readCompilerLine(text);
    if (read?.kind === 'diagnostic') {
      const at = position(read.file, read.line, read.col);
      last = { start: { line: at.line, character: at.character }, severity: read.severity, code: read.code, message: read.message, notes: [] };
      if (!read.code) locatedSyntaxError = true;
      add(at.file, last);
      continue;
    }
    if (read?.kind === 'note') {
      const at = position(read.file, read.line, read.col);
      last.notes.push({ file: at.file, start: { line: at.line, character: at.character }, message: read.message });
      continue;
    }
    const m = /^((?:parse|resolve|import scan|import cycle analysis|body resolution|project validation) failed: \w+)$/.exec(text);
    // A located parse failure stands for its own stage line.
    if (m && !(locatedSyntaxError && m[1].startsWith('parse failed'))) {
      add(realpathSync(root), { start: { line: 0, character: 0 }, severity: 1, code: undefined, message: m[1], notes: [] });
    }
  }
  return byFile;
}

// What the server adds to the compiler's words, for the editor alone: its
// own errors, hints, and drivers named as the source names them.
const editorOnly = (d) => d.severity === 3 || (d.code === undefined && /^(undeclared signal|errors in imported file) '/.test(d.message));
const editorNote = (r) => /^driver from (?!component \d)/.test(r.message);

const roots = [...sources(join(repo, 'tests', 'golden')), ...sources(join(repo, 'examples'))];

test(`the server's diagnostics for ${roots.length} sources agree with the compiler's`, async () => {
  assert.ok(roots.length > 50);
  const client = new Client(server, { timeoutMs: 60000 });
  try {
    await client.initialize();
    let compared = 0;
    for (const root of roots) {
      const expected = compilerReport(root);
      const uri = pathToFileURL(realpathSync(root)).href;
      client.notify('textDocument/didOpen', { textDocument: { uri, languageId: 'vorn', version: 1, text: readFileSync(root, 'utf8') } });
      // Publications for every file with something to say, the root's last.
      const got = new Map();
      const checkedOnPast = new Set();
      for (;;) {
        const message = await client.waitFor((m) => m.method === 'textDocument/publishDiagnostics');
        const file = fileURLToPath(message.params.uri);
        // An unreadable imported file is explained at the import line, not by
        // the stage's failure, and the root is checked on past it: it says
        // at least what the compiler says.
        if (message.params.diagnostics.some((d) => d.message.startsWith('errors in imported file '))) {
          const own = expected.get(file) ?? [];
          expected.set(file, own.filter((d) => !(/^body resolution failed: \w+$/.test(d.message) && d.start.line === 0)));
          checkedOnPast.add(file);
        }
        got.set(file, message.params.diagnostics.filter((d) => !editorOnly(d)).map((d) => ({
          start: d.range.start, severity: d.severity, code: d.code, message: d.message,
          notes: (d.relatedInformation || []).filter((r) => !editorNote(r)).map((r) => ({ file: fileURLToPath(r.location.uri), start: r.location.range.start, message: r.message })),
        })));
        if (message.params.uri === uri) break;
      }
      for (const file of new Set([...expected.keys(), ...got.keys()])) {
        if (file.startsWith('<builtin>')) continue;
        const said = got.get(file) || [];
        if (checkedOnPast.has(file)) {
          for (const entry of expected.get(file) || []) {
            assert.ok(said.some((d) => JSON.stringify(d) === JSON.stringify(entry)), `${relative(repo, root)}: ${JSON.stringify(entry)} in ${file}`);
          }
        } else {
          assert.deepEqual(said, expected.get(file) || [], `${relative(repo, root)}: diagnostics in ${file}`);
        }
        compared += (expected.get(file) || []).length;
      }
      client.notify('textDocument/didClose', { textDocument: { uri } });
      // Withdrawals of what other files were told.
      for (const file of got.keys()) {
        if (pathToFileURL(file).href !== uri && got.get(file).length) {
          await client.waitFor((m) => m.method === 'textDocument/publishDiagnostics' && fileURLToPath(m.params.uri) === file);
        }
      }
    }
    assert.ok(compared > 50, `only ${compared} diagnostics compared`);
    console.log(`# ${compared} diagnostics compared`);
    assert.equal((await client.shutdownAndExit()).closed.status, 0);
  } finally {
    client.kill();
  }
});
