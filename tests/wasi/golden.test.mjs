// Every golden case (tests/golden, layout in tests/run_golden.sh) through
// compile() of web/compiler.mjs, that is the compiler built for WASI:
// exactly the expected standard output, standard error and status, the
// same output files as the native executable, and its after.sh passing with
// compile() as the compiler. Then the same run with --diagnostics-format=json,
// whose document must say field by field what the text lines said (parsed
// here independently) and change nothing else.
// Run with `node --test`; VORN_COMPILE names the native executable and
// VORN_COMPILE_WASM the module.
import test from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { cpSync, existsSync, mkdirSync, mkdtempSync, readdirSync, readFileSync, rmSync, statSync,
  writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { compile, setCompilerModule } from '../../web/compiler.mjs';

const here = dirname(fileURLToPath(import.meta.url));
const goldenDir = resolve(here, '../golden');
assert.ok(process.env.VORN_COMPILE && process.env.VORN_COMPILE_WASM, 'set VORN_COMPILE and VORN_COMPILE_WASM');
const native = resolve(process.env.VORN_COMPILE);
const wasm = resolve(process.env.VORN_COMPILE_WASM);
setCompilerModule(wasm);
const wrapper = join(here, 'vorn-compile-node.mjs');

// Cases a project of files in memory cannot express.
const SKIP = {
  imp_cycle: 'its files sit outside the case, reached through a symbolic link',
  imp_macro_explicit_and_aliases: 'it reaches one file twice, once through a symbolic link',
  imp_pipe_refused: 'its input is a FIFO',
};
const SKIP_AFTER = {
  cli_closed_pipe: 'compile() collects standard output in memory: there is no pipe to close',
  cli_output_over_any_read_file_refused: 'links and hard links: the project handed to compile() has none',
  cli_output_replaced_keeps_mode_or_written_in_place: 'permission bits and sealed folders: WASI has neither',
  cli_output_through_standard_streams: 'compile() collects standard streams in memory: no device or FIFO to write through',
  test_failures_json_valid_utf8_and_escaped: 'a file name that is not UTF-8: compile() takes the project\'s paths as strings',
};
// Lines of stage failures, "<stage>: <error>", with the stages read from the
// compiler's own list (the two followed by a path instead are left out), and
// "error" for a failure of the run itself.
const STAGES = [...readFileSync(new URL('../../lib/core/stage_prefixes.hpp', import.meta.url), 'utf8')
  .matchAll(/std::string_view (k\w+) = "(.*): ";/g)]
  .filter(([, name]) => !name.endsWith('NotFound'))
  .map(([, , stage]) => stage)
  .concat('error');

function readLines(file) {
  if (!existsSync(file)) return [];
  const lines = readFileSync(file, 'utf8').split('\n');
  if (lines.at(-1) === '') lines.pop();
  return lines;
}

// Regular files below `root` (symbolic links followed), as project paths.
function readTree(root, prefix = '', files = new Map()) {
  for (const name of readdirSync(join(root, prefix))) {
    const path = join(root, prefix, name);
    const info = statSync(path, { throwIfNoEntry: false });
    if (info?.isDirectory()) readTree(root, `${prefix}${name}/`, files);
    else if (info?.isFile()) files.set(prefix + name, new Uint8Array(readFileSync(path)));
  }
  return files;
}

function sameBytes(a, b) {
  return a.length === b.length && a.every((byte, i) => byte === b[i]);
}

// A scratch copy of the case after its before.sh.
function prepare(caseDir) {
  const work = mkdtempSync(join(tmpdir(), 'vorn-wasi-golden-'));
  cpSync(caseDir, work, { recursive: true });
  if (existsSync(join(caseDir, 'before.sh'))) {
    const before = spawnSync('bash', [join(caseDir, 'before.sh')], { cwd: work, encoding: 'utf8' });
    assert.equal(before.status, 0, `before.sh: ${before.stderr}`);
  }
  return work;
}

// The native executable's output files: new or changed regular files.
function nativeOutputs(caseDir, args) {
  const work = prepare(caseDir);
  try {
    const before = readTree(work);
    const env = { ...process.env };
    delete env.NO_COLOR;
    for (const line of readLines(join(caseDir, 'env'))) {
      if (line) env[line.slice(0, line.indexOf('='))] = line.slice(line.indexOf('=') + 1);
    }
    spawnSync(native, args, { cwd: work, env, stdio: 'ignore' });
    const outputs = new Map();
    for (const [path, bytes] of readTree(work)) {
      if (!before.has(path) || !sameBytes(before.get(path), bytes)) outputs.set(path, bytes);
    }
    return outputs;
  } finally {
    rmSync(work, { recursive: true, force: true });
  }
}

function assertSameOutputs(actual, expected, what) {
  assert.deepEqual(Object.keys(actual).sort(), [...expected.keys()].sort(), `${what}: files written`);
  for (const [path, bytes] of expected) assert.ok(sameBytes(actual[path], bytes), `${what}: bytes of ${path}`);
}

// The text lines of standard error, read as the contract prints them: the
// diagnostics with their notes, a located line of unread text, a stage
// failure, and every other line (trace, strict scan) kept as it is.
function parseTextReport(stderr) {
  const diagnostics = [];
  const others = [];
  let failure = null;
  let location = null;
  const lines = stderr.split('\n');
  if (lines.at(-1) === '') lines.pop();
  for (const line of lines) {
    let match = /^(.*):(\d+):(\d+): (error|warning): ([EW]\d{3}): (.*)$/.exec(line);
    if (match) {
      diagnostics.push({ file: match[1], line: Number(match[2]), column: Number(match[3]), level: match[4],
        code: match[5], message: match[6], notes: [] });
      continue;
    }
    match = /^ {2}note: (.*):(\d+):(\d+): (.*)$/.exec(line);
    if (match && diagnostics.length) {
      diagnostics.at(-1).notes.push({ file: match[1], line: Number(match[2]), column: Number(match[3]),
        message: match[4] });
      continue;
    }
    // --equiv's pins without a counterpart are its report, printed as text
    // in either diagnostics format.
    if (/^.*:\d+:\d+: error: (input|output) '.*' has no counterpart in .*$/.test(line)) {
      others.push(line);
      continue;
    }
    match = /^(.*):(\d+):(\d+): error: (.*)$/.exec(line);
    if (match) {
      // A located line belongs to the stage failure after it; without one
      // it is a malformed test table's (below).
      location = { file: match[1], line: Number(match[2]), column: Number(match[3]), message: match[4] };
      others.push(line);
      continue;
    }
    const missing = [['input file not found', 'input file not found: '], ['test table not found', 'test table not found: ']]
      .find(([, prefix]) => line.startsWith(prefix));
    if (missing) {
      failure = { stage: missing[0], error: 'FileNotFound', file: line.slice(missing[1].length) };
      continue;
    }
    const stage = STAGES.find((name) => line.startsWith(`${name}: `) && /^[A-Za-z]+$/.test(line.slice(name.length + 2)));
    if (stage) {
      failure = { stage, error: line.slice(stage.length + 2) };
      if (location) {
        failure.location = location;
        others.pop();
        location = null;
      }
      continue;
    }
    others.push(line);
  }
  if (location && others.at(-1)?.startsWith(`${location.file}:${location.line}:${location.column}: error: `)) {
    failure = { stage: 'test table failed', error: 'InvalidTestTable', location };
    others.pop();
  }
  return { diagnostics, failure, others };
}

// A span must lie inside its file: the start no later than the end, and both
// on lines of the text (the end at most one past the last byte of its line).
function assertSpanInFile(span, text, what) {
  assert.ok(span.start.line >= 1 && span.start.column >= 1, `${what}: start`);
  assert.ok(span.end.line > span.start.line || (span.end.line === span.start.line &&
    span.end.column >= span.start.column), `${what}: end before start`);
  if (text === undefined) return;
  const lines = Buffer.from(text).toString('latin1').split('\n');
  for (const end of [span.start, span.end]) {
    assert.ok(end.line <= lines.length, `${what}: line ${end.line} beyond the file`);
    assert.ok(end.column <= lines[end.line - 1].length + 1, `${what}: column ${end.column} beyond its line`);
  }
}

function checkJsonRun(text, json, files, caseName) {
  assert.equal(json.status, text.status, 'status with JSON diagnostics');
  assert.equal(json.stdout, text.stdout, 'standard output with JSON diagnostics');
  assertSameOutputs(json.outputs, new Map(Object.entries(text.outputs)), 'files with JSON diagnostics');

  const expected = parseTextReport(text.stderr);
  // --inspect prints its diagnostics inside the dump; the document holds them too.
  const dump = /\n=== Diagnostics ===\n([^]*)\n=== Summary ===\n/.exec(text.stdout);
  if (dump) expected.diagnostics = parseTextReport(dump[1]).diagnostics;
  const lines = json.stderr.split('\n');
  assert.equal(lines.pop(), '', 'the document ends standard error with a newline');
  const document = JSON.parse(lines.pop());
  assert.deepEqual(lines, expected.others, 'the lines besides the diagnostics stay text');
  assert.deepEqual(Object.keys(document).sort(), ['diagnostics', 'failure']);
  assert.equal(document.diagnostics.length, expected.diagnostics.length, 'number of diagnostics');
  // Texts of the project by the paths the diagnostics print; imported files
  // print their joined import path, the built-in ones a virtual path.
  const textOf = (file) => files.get(file.replace(/^(\.\/)+/, '').replace(/^\/+/, ''));
  document.diagnostics.forEach((diagnostic, i) => {
    const want = expected.diagnostics[i];
    const what = `${caseName} diagnostic ${i}`;
    assert.deepEqual(Object.keys(diagnostic).sort(), ['code', 'file', 'level', 'message', 'notes', 'span']);
    assert.equal(diagnostic.file, want.file, `${what}: file`);
    assert.equal(diagnostic.code, want.code, `${what}: code`);
    assert.equal(diagnostic.level, want.level, `${what}: level`);
    assert.equal(diagnostic.message, want.message, `${what}: message`);
    assert.equal(diagnostic.span.start.line, want.line, `${what}: line`);
    assert.equal(diagnostic.span.start.column, want.column, `${what}: column`);
    assertSpanInFile(diagnostic.span, textOf(diagnostic.file), what);
    assert.equal(diagnostic.notes.length, want.notes.length, `${what}: number of notes`);
    diagnostic.notes.forEach((note, j) => {
      const wantNote = want.notes[j];
      assert.deepEqual(Object.keys(note).sort(), ['file', 'message', 'span']);
      assert.equal(note.file, wantNote.file, `${what} note ${j}: file`);
      assert.equal(note.message, wantNote.message, `${what} note ${j}: message`);
      assert.equal(note.span.start.line, wantNote.line, `${what} note ${j}: line`);
      assert.equal(note.span.start.column, wantNote.column, `${what} note ${j}: column`);
      assertSpanInFile(note.span, textOf(note.file), `${what} note ${j}`);
    });
  });
  assert.deepEqual(document.failure, expected.failure, 'the stage failure');
}

const cases = readdirSync(goldenDir).filter((name) => existsSync(join(goldenDir, name, 'args'))).sort();
assert.ok(cases.length >= 90, `only ${cases.length} golden cases found`);

for (const caseName of cases) {
  test(caseName, { skip: SKIP[caseName] ?? false }, async () => {
    const caseDir = join(goldenDir, caseName);
    const args = readLines(join(caseDir, 'args'));
    // The one env file sets NO_COLOR= beside --color=always, which wins
    // either way; compile() runs with an empty environment.
    const work = prepare(caseDir);
    try {
      const files = readTree(work);
      const result = await compile(files, args);
      const expectedStatus = existsSync(join(caseDir, 'expected_status'))
        ? Number(readFileSync(join(caseDir, 'expected_status'), 'utf8').trim()) : 0;
      const expectedText = (name) => existsSync(join(caseDir, name)) ? readFileSync(join(caseDir, name)) : Buffer.alloc(0);
      assert.equal(result.status, expectedStatus, `status; stderr was:\n${result.stderr.slice(0, 2000)}`);
      assert.ok(Buffer.from(result.stdout).equals(expectedText('expected_stdout')), 'standard output');
      const stderrPattern = join(caseDir, 'expected_stderr_pattern');
      if (existsSync(stderrPattern)) {
        const pattern = new RegExp(readFileSync(stderrPattern, 'utf8').trim());
        const lines = Buffer.from(result.stderr).toString('latin1').split('\n');
        if (lines.at(-1) === '') lines.pop();
        const stray = lines.find((line) => !pattern.test(line));
        assert.equal(stray, undefined, 'a line of standard error does not match expected_stderr_pattern');
      } else {
        assert.ok(Buffer.from(result.stderr).equals(expectedText('expected_stderr')),
          `standard error:\n${result.stderr.slice(0, 2000)}`);
      }
      assertSameOutputs(result.outputs, nativeOutputs(caseDir, args), 'output files against the native run');

      if (existsSync(join(caseDir, 'after.sh')) && !SKIP_AFTER[caseName]) {
        // As the native runner leaves them, for checks that read the streams.
        writeFileSync(join(work, '.actual_stdout'), result.stdout);
        writeFileSync(join(work, '.actual_stderr'), result.stderr);
        for (const [path, bytes] of Object.entries(result.outputs)) {
          mkdirSync(dirname(join(work, path)), { recursive: true });
          writeFileSync(join(work, path), bytes);
        }
        const after = spawnSync('bash', [join(caseDir, 'after.sh')], {
          cwd: work, encoding: 'utf8', env: { ...process.env, VORN_COMPILE: wrapper, VORN_COMPILE_WASM: wasm },
        });
        assert.equal(after.status, 0, `after.sh: ${after.stdout}${after.stderr}`);
      }

      // Usage errors and help stay text; every other run has a document. A
      // case that asks for JSON itself is held against its text run.
      if (result.status !== 2 && !args.some((arg) => arg === '-h' || arg === '--help')) {
        const textArgs = args.filter((arg) => !arg.startsWith('--diagnostics-format='));
        const text = textArgs.length === args.length ? result : await compile(files, textArgs);
        const json = await compile(files, [...textArgs, '--diagnostics-format=json']);
        checkJsonRun(text, json, files, caseName);
      }
    } finally {
      rmSync(work, { recursive: true, force: true });
    }
  });
}

// Under WASI a canonical path is spelled from the project's root "/": the
// same cycle as the native run, whose paths start with the real directory.
test('import cycles name canonical paths from the project root', async () => {
  const files = {
    'top.vorn': 'import a "./src/../src/a.vorn"\ninput x\na inner(x=x)\noutput y(in=inner.y)\n',
    'src/a.vorn': 'import b "deeper/b.vorn"\ninput x\nb inner(x=x)\noutput y(in=inner.y)\n',
    'src/deeper/b.vorn': 'import a "../a.vorn"\nimport again "/src/./a.vorn"\ninput x\noutput y(in=x)\n',
  };
  const work = mkdtempSync(join(tmpdir(), 'vorn-wasi-cycle-'));
  try {
    for (const [path, text] of Object.entries(files)) {
      mkdirSync(dirname(join(work, path)), { recursive: true });
      writeFileSync(join(work, path), text.replace('"/src/', `"${work}/src/`));
    }
    const nativeRun = spawnSync(native, ['top.vorn', '--preview'], { cwd: work, encoding: 'utf8' });
    const result = await compile(files, ['top.vorn', '--preview']);
    assert.equal(result.status, 1);
    assert.equal(nativeRun.status, 1);
    assert.match(result.stderr, /E010: import cycle detected: \/src\/a\.vorn -> \/src\/deeper\/b\.vorn\n/);
    const realWork = spawnSync('realpath', [work], { encoding: 'utf8' }).stdout.trim();
    assert.equal(result.stderr, nativeRun.stderr.replaceAll(realWork, ''));
  } finally {
    rmSync(work, { recursive: true, force: true });
  }
});
