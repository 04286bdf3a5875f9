// The playground's project helpers (web/playground-src/project.mjs) under
// Node: positions in bytes, colours, share links, paths.
import test from 'node:test';
import assert from 'node:assert/strict';
import {
  ansiRuns, checkProject, decodeShare, encodeShare, failureText, normalizePath, offsetOf, projectPathOf, readDiagnostics,
  reachableFiles,
} from '../../web/playground-src/project.mjs';

test('byte columns land on the character they count to, whatever the characters before', () => {
  const text = 'input a\n// é€𝄞 x\n\nand g(a=a)';
  const lines = text.split('\n');
  for (const [index, line] of lines.entries()) {
    const bytes = Buffer.from(line);
    for (let col = 1; col <= bytes.length + 3; col++) {
      // The oracle: decode the first col-1 bytes when they end on a character boundary.
      const prefix = bytes.subarray(0, Math.min(col - 1, bytes.length)).toString();
      if (prefix.includes('\uFFFD')) continue;
      const lineStart = lines.slice(0, index).reduce((sum, l) => sum + l.length + 1, 0);
      assert.equal(offsetOf(text, index + 1, col), lineStart + prefix.length, `line ${index + 1} col ${col}`);
    }
  }
  assert.equal(offsetOf(text, 99, 1), text.length);
});

test('colours: the text survives whole, each run with the style its sequences set', () => {
  const coloured = '\x1b[32m╭─╮\x1b[0m  \x1b[2m○─\x1b[0m\x1b[1m┼\x1b[0m\x1b[35m│ a\x1b[0m\n';
  const runs = ansiRuns(coloured);
  assert.equal(runs.map((run) => run.text).join(''), coloured.replace(/\x1b\[[0-9;]*m/g, ''));
  assert.deepEqual(runs.map(({ text, bold, dim, color }) => [text, bold, dim, color]), [
    ['╭─╮', false, false, 2], ['  ', false, false, null], ['○─', false, true, null], ['┼', true, false, null],
    ['│ a', false, false, 5], ['\n', false, false, null]]);
});

test('a shared project comes back whole; paths are project paths', async () => {
  const files = { 'top.vorn': 'import p "parts/p.vorn"\n// ünïcode ✓\n', 'parts/p.vorn': 'input a\n'.repeat(5000) };
  const encoded = await encodeShare({ files, root: 'top.vorn', active: 'parts/p.vorn' });
  assert.match(encoded, /^[A-Za-z0-9_-]+$/);
  assert.ok(encoded.length < 2000, 'compressed');
  assert.deepEqual(await decodeShare(encoded), { files, root: 'top.vorn', active: 'parts/p.vorn' });
  await assert.rejects(decodeShare('not-a-project'));

  assert.deepEqual(checkProject({ files: { './a//b.vorn': 'x', '../up.vorn': 'y', 'c.vorn': 3 }, root: 'gone.vorn' }),
    { files: { 'a/b.vorn': 'x' }, root: 'a/b.vorn', active: 'a/b.vorn' });
  assert.equal(checkProject({ files: {} }), null);
  assert.equal(normalizePath('a/./b/../c.vorn'), 'a/c.vorn');
  assert.equal(projectPathOf(files, 'parts/./p.vorn'), 'parts/p.vorn');
  assert.equal(projectPathOf(files, '/project/parts/p.vorn'), 'parts/p.vorn');
  assert.equal(projectPathOf(files, '<builtin>/xor.vorn'), null);
  const more = { ...files, 'parts/p.vorn': 'import q "../q.vorn"\n', 'q.vorn': '', 'lone.vorn': '' };
  assert.deepEqual([...reachableFiles(more, 'top.vorn')], ['top.vorn', 'parts/p.vorn', 'q.vorn']);
});

test('diagnostics: the JSON line after the trace; anything else stays text', () => {
  const document = {
    diagnostics: [{ file: 'a.vorn', code: 'E005', level: 'error', message: "duplicate instance name 'g'",
      span: { start: { line: 4, column: 1 }, end: { line: 4, column: 17 } },
      notes: [{ file: 'a.vorn', message: "first declared as 'g' here", span: { start: { line: 2, column: 1 }, end: { line: 2, column: 9 } } }] }],
    failure: { stage: 'parse failed', error: 'ParsingFailed', location: { file: 'a.vorn', line: 3, column: 26, message: "Unexpected ')'" } },
  };
  const read = readDiagnostics(`info(log): [Time: 5] Updating component id=0 to low\n${JSON.stringify(document)}\n`);
  assert.deepEqual(read.diagnostics, [{ file: 'a.vorn', code: 'E005', level: 'error', message: "duplicate instance name 'g'",
    span: { startLine: 4, startCol: 1, endLine: 4, endCol: 17 },
    notes: [{ file: 'a.vorn', message: "first declared as 'g' here", span: { startLine: 2, startCol: 1, endLine: 2, endCol: 9 } }] }]);
  assert.equal(failureText(read.failure), "parse failed: ParsingFailed (a.vorn:3:26: Unexpected ')')");
  assert.deepEqual(readDiagnostics('usage error: unknown flag\n'), { diagnostics: [], failure: null, text: 'usage error: unknown flag' });
});
