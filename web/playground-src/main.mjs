// The playground page (web/playground.html): projects of .vorn files and
// test tables in tabs, kept in the browser, checked as you type by the
// language server (lsp_connection.mjs), and compiled by the compiler in a
// worker for its schematic, truth table, tests, live circuit and downloads.
// Bundled by the build into playground.js; the compiler thread is
// playground_worker.mjs beside it.
import { EditorState } from '@codemirror/state';
import { EditorView, keymap, lineNumbers, highlightActiveLine, highlightActiveLineGutter, drawSelection } from '@codemirror/view';
import { defaultKeymap, history, historyKeymap, indentWithTab } from '@codemirror/commands';
import { syntaxHighlighting, defaultHighlightStyle } from '@codemirror/language';
import { lintGutter } from '@codemirror/lint';
import '../element.mjs';
import { showDropCue } from '../drop_cue.mjs';
import { createTablePanel } from './table_panel.mjs';
import { rovingTabs } from './tablist.mjs';
import { renderAnalysis } from './analysis_panel.mjs';
import { vornLanguage } from './language.mjs';
import { startLanguageServer } from './lsp_connection.mjs';
import { tableLanguage } from './table_language.mjs';
import { createTestsPanel, isTablePath, testRuns } from './tests_panel.mjs';
import { schematicPanel } from './schematic_panel.mjs';
import { setupCompare } from './compare.mjs';
import {
  decodeShare, encodeShare, pageSnippet, failureText, normalizePath, offsetOf, projectPathOf,
  reachableFiles, readDiagnostics,
} from './project.mjs';
import { ProjectStore, nameFromRoot } from './project_store.mjs';
import { setupProjects } from './projects_ui.mjs';
import fullAdder from '../../examples/full_adder.vorn';
import halfAdder from '../../examples/half_adder.vorn';
import inverter from '../../examples/inverter.vorn';
// The full and half adders of examples/, in a folder under a 4-bit adder.
import adder4 from './adder4.vorn';

const CHECK_DELAY_MS = 150;
const SAVE_DELAY_MS = 200;
// A worker still busy with an outdated request after this long is replaced.
const STALE_WORKER_MS = 300;
// Every run reports its diagnostics, with their whole spans, as JSON.
const DIAGNOSTICS_ARGS = ['--diagnostics-format=json'];

const EXAMPLES = [
  { title: 'Full adder (two files)', root: 'full_adder.vorn', files: { 'full_adder.vorn': fullAdder, 'half_adder.vorn': halfAdder } },
  { title: 'Half adder', root: 'half_adder.vorn', files: { 'half_adder.vorn': halfAdder } },
  { title: 'Inverter', root: 'inverter.vorn', files: { 'inverter.vorn': inverter } },
  {
    title: '4-bit adder (files in a folder)',
    root: 'adder4.vorn',
    files: { 'adder4.vorn': adder4, 'parts/full_adder.vorn': fullAdder, 'parts/half_adder.vorn': halfAdder },
  },
];

const $ = (id) => document.getElementById(id);

// The project as the user left it: its id and name, files by path, the
// root, the open file.
let project = null;
const store = new ProjectStore(localStorage);
let projects = null;
let expandMacros = false;
const editorStates = new Map();
let view = null;
let lsp = null;
// The language server's diagnostics by file, with `level` as the page names it.
let diagnosticsByFile = new Map();
let lastArtifact = null;
let circuitUrl = null;
let inputStates = {};

// ---- persistence ----------------------------------------------------------

let saveTimer = 0;
function saveNow() {
  clearTimeout(saveTimer);
  saveTimer = 0;
  // Another tab has this project open: it keeps it.
  if (!projects?.owned()) return;
  try {
    store.save({ ...project, expandMacros });
  } catch (error) {
    $('page-alert').textContent = `The project could not be kept in this browser: ${error.message}`;
  }
}
function scheduleSave() {
  clearTimeout(saveTimer);
  saveTimer = setTimeout(saveNow, SAVE_DELAY_MS);
}
addEventListener('pagehide', () => { if (saveTimer) saveNow(); });

// ---- the editor -----------------------------------------------------------

const extensions = [
  lineNumbers(),
  highlightActiveLineGutter(),
  highlightActiveLine(),
  drawSelection(),
  history(),
  keymap.of([...defaultKeymap, ...historyKeymap, indentWithTab]),
  syntaxHighlighting(defaultHighlightStyle),
  lintGutter(),
  EditorView.lineWrapping,
  EditorView.contentAttributes.of({ 'aria-label': 'Source of the open file', 'aria-describedby': 'editor-hint' }),
  // Read only while another tab has the project open.
  EditorState.changeFilter.of(() => projects?.owned() ?? false),
  EditorView.updateListener.of((update) => {
    if (!update.docChanged) return;
    project.files[project.active] = update.state.doc.toString();
    editorStates.set(project.active, update.state);
    if (location.hash) window.history.replaceState(null, '', location.pathname + location.search);
    scheduleSave();
    if (!isTablePath(project.active)) awaitDiagnostics();
    scheduleCheck();
  }),
];

function stateFor(path) {
  let state = editorStates.get(path);
  if (!state) {
    state = EditorState.create({
      doc: project.files[path],
      extensions: [extensions, isTablePath(path) ? tableLanguage : [vornLanguage, lsp.extensionFor(path)]],
    });
    editorStates.set(path, state);
  }
  return state;
}

function openFile(path) {
  if (view.state !== stateFor(project.active)) editorStates.set(project.active, view.state);
  project.active = path;
  view.setState(stateFor(path));
  renderTabs();
  scheduleSave();
}

// ---- project operations ---------------------------------------------------

function setProject(next) {
  project = next;
  expandMacros = Boolean(next.expandMacros);
  $('expand-macros').checked = expandMacros;
  editorStates.clear();
  diagnosticsByFile = new Map();
  inputStates = {};
  if (!isTablePath(project.active)) awaitDiagnostics();
  if (view) view.setState(stateFor(project.active));
  renderTabs();
  checkNow();
}

function renderTabs() {
  const tabs = $('tabs');
  tabs.replaceChildren();
  for (const path of Object.keys(project.files).sort()) {
    const tab = document.createElement('button');
    tab.type = 'button';
    tab.setAttribute('role', 'tab');
    tab.dataset.path = path;
    tab.setAttribute('aria-selected', String(path === project.active));
    const errors = (diagnosticsByFile.get(path) ?? []).filter((d) => d.level === 'error').length;
    tab.textContent = path;
    if (errors) tab.classList.add('has-errors');
    if (path === project.root) tab.classList.add('is-root');
    tab.addEventListener('click', () => openFile(path));
    tabs.append(tab);
  }
  const root = $('root');
  root.replaceChildren(...Object.keys(project.files).sort().map((path) => new Option(path, path, false, path === project.root)));
}

function askPath(question, suggestion) {
  const answer = prompt(question, suggestion);
  if (answer === null) return null;
  const path = normalizePath(answer.trim());
  if (!path) {
    alert(`"${answer}" is not a file name in this project.`);
    return null;
  }
  return path;
}

function addFile() {
  let n = 1;
  while (`untitled${n}.vorn` in project.files) n++;
  const path = askPath('Name of the new file (folders with /):', `untitled${n}.vorn`);
  if (!path) return;
  if (path in project.files) return alert(`${path} exists already.`);
  project.files[path] = 'input a\nnot n(in=a)\noutput y(in=n.out)\n';
  openFile(path);
  scheduleCheck();
}

function renameFile() {
  const from = project.active;
  const to = askPath(`New name for ${from}:`, from);
  if (!to || to === from) return;
  if (to in project.files) return alert(`${to} exists already.`);
  project.files[to] = project.files[from];
  delete project.files[from];
  editorStates.delete(from);
  diagnosticsByFile.delete(from);
  if (project.root === from) project.root = to;
  project.active = to;
  // The editor's state names its file for the language server: a new one.
  view.setState(stateFor(to));
  renderTabs();
  scheduleSave();
  scheduleCheck();
}

function deleteFile() {
  const path = project.active;
  if (Object.keys(project.files).length === 1) return alert('A project keeps at least one file.');
  if (!confirm(`Delete ${path}?`)) return;
  delete project.files[path];
  editorStates.delete(path);
  diagnosticsByFile.delete(path);
  const rest = Object.keys(project.files).sort();
  if (project.root === path) project.root = rest[0];
  project.active = project.root;
  view.setState(stateFor(project.active));
  renderTabs();
  scheduleSave();
  scheduleCheck();
}

async function addFilesFromDisk(fileList) {
  const files = [...fileList];
  if (!files.length || await projects.openFromDisk(files)) return;
  if (!projects.owned()) {
    $('page-alert').textContent = 'Another tab has this project open: open a copy to add files to it.';
    return;
  }
  let first = null;
  for (const file of files) {
    const path = normalizePath(file.webkitRelativePath || file.name);
    if (!path) continue;
    project.files[path] = await file.text();
    editorStates.delete(path);
    first ??= path;
  }
  if (first) openFile(first);
  scheduleCheck();
}

function download(name, bytes, type) {
  const url = URL.createObjectURL(new Blob([bytes], { type }));
  const link = Object.assign(document.createElement('a'), { href: url, download: name.replaceAll('/', '_') });
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(url), 1000);
}

const baseName = (path) => path.split('/').pop().replace(/\.vorn$/, '');

// ---- compiling ------------------------------------------------------------

let worker = null;
let requestId = 0;
let pending = null; // { id, posted, runs: Set of names still to come }
let checkTimer = 0;
const waiters = new Map();

function startWorker() {
  worker?.terminate();
  // A download waiting on the old worker is told why it gets nothing.
  for (const [id, waiter] of waiters) waiter({ id, error: 'stopped for a newer check; try again' });
  waiters.clear();
  worker = new Worker(new URL('./playground_worker.mjs', import.meta.url), { type: 'module' });
  worker.addEventListener('message', ({ data }) => onWorkerMessage(data));
  worker.addEventListener('error', (event) => {
    $('check-status').textContent = `The compiler failed to start: ${event.message ?? 'unknown error'}`;
    pending = null;
    settleBusy();
  });
}

function post(runs, keep = false, files = { ...project.files }) {
  const id = ++requestId;
  if (!keep && pending && performance.now() - pending.posted > STALE_WORKER_MS) startWorker();
  worker.postMessage({ id, keep, files, runs });
  return id;
}

// html[data-busy] while a check is due or running, or its truth table is
// being computed: the page's results are not yet those of the text shown.
let tableWorker = null;
const busy = (on) => document.documentElement.toggleAttribute('data-busy', on);
const settleBusy = () => { if (!checkTimer && !pending && !tableWorker && !awaitingDiagnostics) busy(false); };

function scheduleCheck() {
  busy(true);
  lsp.filesChanged();
  clearTimeout(checkTimer);
  checkTimer = setTimeout(checkNow, CHECK_DELAY_MS);
}

// The runs for one state of the project: the root's artifact, and, when a
// root without imports fails in compile mode (which knows no built-in
// gates), the truth table's run, a project pipeline, for the reason. The
// truth table itself comes from the artifact, in the table worker, when
// there is one: the compiler's table run also writes the simulator's whole
// trace, which grows with every row. Diagnostics come from the language
// server.
let current = null;
const importsSomething = (text) => /^\s*import\s*[A-Za-z_][0-9A-Za-z_]*\s*"/m.test(text.replace(/^\s*\/\/.*$/gm, ''));

function checkNow() {
  clearTimeout(checkTimer);
  checkTimer = 0;
  busy(true);
  lsp.filesChanged();
  const root = project.root;
  const files = { ...project.files };
  tableWorker?.terminate();
  tableWorker = null;
  const tableArgs = (path) => [path, '--truth-table', '--format=json', ...DIAGNOSTICS_ARGS];
  const runs = [{ name: 'artifact', args: [root, '-o', 'circuit.wasm', ...DIAGNOSTICS_ARGS] }];
  if (!importsSomething(files[root])) runs.push({ name: 'table', args: tableArgs(root), ifFailed: 'artifact' });
  runs.push(...testRuns(files, root));
  tests.begin(files);
  runs.push({ name: 'preview', args: [root, '--preview', '--color=always', ...(expandMacros ? ['--expand-macros'] : []), ...DIAGNOSTICS_ARGS] });
  // Minimising can take seconds on wide circuits: only while its panel is open.
  const analysed = !$('panel-analysis').hidden;
  if (analysed) runs.push({ name: 'analysis', analysis: true, args: [root, '--analyze', '--format=json', ...DIAGNOSTICS_ARGS] });
  const started = performance.now();
  const id = post(runs, false, files);
  current = { id, started, files, root, results: {}, analysed };
  if (analysed) $('analysis-note').textContent = 'Analysing…';
  pending = { id, posted: started };
  compare.update(files, root);
}

function onWorkerMessage(data) {
  const waiter = waiters.get(data.id);
  if (waiter) {
    if (data.done) return;
    waiters.delete(data.id);
    waiter(data);
    return;
  }
  if (!current || data.id !== current.id) return;
  if (data.done) {
    if (pending?.id === data.id) pending = null;
    settleBusy();
    return;
  }
  const { name } = data;
  current.results[name] = data;
  if (tests.result(name, data)) return;
  const failed = data.error || data.result.status !== 0;
  if (name === 'artifact') showArtifact(data);
  if (name === 'artifact' && failed && importsSomething(current.files[current.root])) showTable(data);
  if (name === 'table') showTable(data);
  if (name === 'preview') showSchematic(data);
  if (name === 'analysis') showAnalysis(data);
}

function decoded(data) {
  if (data.error) return { diagnostics: [], failure: null, text: data.error };
  return readDiagnostics(data.result.stderr);
}

// ---- diagnostics ----------------------------------------------------------

// The language server publishes each file's list; the editor's view shows
// the open file's, and the page lists them all and counts them.
const LEVELS = { 1: 'error', 2: 'warning', 3: 'hint', 4: 'hint' };
let problems = [];
let editedAt = 0;
let awaitingDiagnostics = false;
let awaitTimer = 0;
// Until the server's list for the text now shown arrives, the page is busy;
// a server that says nothing new for a while frees it.
function awaitDiagnostics() {
  editedAt = performance.now();
  awaitingDiagnostics = true;
  clearTimeout(awaitTimer);
  awaitTimer = setTimeout(() => { awaitingDiagnostics = false; settleBusy(); }, 5000);
}

function published(path, list, version) {
  if (!(path in project.files)) return;
  diagnosticsByFile.set(path, list.map((d) => ({ ...d, path, level: LEVELS[d.severity ?? 1] ?? 'error' })));
  const fresh = path === project.active && (version == null || version === lsp.versionOf(path));
  if (fresh && awaitingDiagnostics) {
    awaitingDiagnostics = false;
    clearTimeout(awaitTimer);
    const status = $('check-status');
    status.dataset.ms = (performance.now() - editedAt).toFixed(1);
  }
  showDiagnostics();
  if (fresh) settleBusy();
  // Ready with the first list, whichever file it is for (the open file may be a test table).
  if (!document.documentElement.dataset.ready) {
    document.documentElement.dataset.ready = 'true';
    performance.mark('playground-ready');
  }
}

function showDiagnostics() {
  const order = (path) => (path === project.active ? '' : path);
  problems = [...diagnosticsByFile.entries()].filter(([path]) => path in project.files)
    .sort(([a], [b]) => order(a).localeCompare(order(b))).flatMap(([, list]) => list);
  renderProblems();
  renderTabs();
  const count = (level) => problems.filter((d) => d.level === level).length;
  const plural = (n, word) => `${n} ${word}${n === 1 ? '' : 's'}`;
  const status = $('check-status');
  const ms = status.dataset.ms ? `Checked in ${Math.round(Number(status.dataset.ms))} ms: ` : '';
  status.textContent = `${ms}${plural(count('error'), 'error')}, ${plural(count('warning'), 'warning')}, ${plural(count('hint'), 'hint')}.`;
}

const label = (d) => (d.code ? `${d.code}: ${d.message}` : d.message);

function renderProblems() {
  const list = $('problems');
  list.replaceChildren();
  for (const d of problems) {
    const item = document.createElement('li');
    item.className = `problem ${d.level}`;
    const button = document.createElement('button');
    button.type = 'button';
    const { line, character } = d.range.start;
    button.textContent = `${d.path}:${line + 1}:${character + 1}: ${d.level}: ${label(d)}`;
    button.addEventListener('click', () => jumpTo(d));
    item.append(button);
    list.append(item);
  }
  if (!list.children.length) {
    const item = document.createElement('li');
    item.className = 'problem none';
    item.textContent = 'No problems.';
    list.append(item);
  }
}

// A protocol position in the editor's text (UTF-16, as the editor counts).
function offsetIn(doc, { line, character }) {
  if (line >= doc.lines) return doc.length;
  const at = doc.line(line + 1);
  return Math.min(at.from + character, at.to);
}

// A test table's line, from the Tests panel.
function jumpToLine(path, line) {
  if (!(path in project.files)) return;
  if (path !== project.active) openFile(path);
  const at = view.state.doc.line(Math.min(Math.max(line, 1), view.state.doc.lines));
  view.dispatch({ selection: { anchor: at.from, head: at.to }, effects: EditorView.scrollIntoView(at.from, { y: 'center' }) });
  view.focus();
}

const tests = createTestsPanel({ container: $('tests'), note: $('tests-note'), jump: jumpToLine });

// A new test table holding the root's truth table as the terminal prints
// it: every row passes until the circuit or the table changes.
async function addTestTable() {
  const root = project.root;
  const base = root.replace(/\.vorn$/, '');
  let path = `${base}.test.md`;
  for (let n = 2; path in project.files; n++) path = `${base}.test${n}.md`;
  const note = $('tests-note');
  note.textContent = 'Computing the truth table…';
  const id = post([{ name: 'new-table', args: [root, '--truth-table'] }], true);
  const data = await new Promise((resolve) => waiters.set(id, resolve));
  if (data.error || data.result.status !== 0) {
    note.textContent = failureNote(data, 'truth table');
    return;
  }
  project.files[path] = data.result.stdout;
  openFile(path);
  scheduleCheck();
}

function jumpTo(d) {
  if (!(d.path in project.files)) return;
  if (d.path !== project.active) openFile(d.path);
  const from = offsetIn(view.state.doc, d.range.start);
  const to = Math.max(from, offsetIn(view.state.doc, d.range.end));
  view.dispatch({ selection: { anchor: from, head: to }, effects: EditorView.scrollIntoView(from, { y: 'center' }) });
  view.focus();
}

// ---- panels ---------------------------------------------------------------

// Why a run made no output: its stage failure or its errors, as the terminal
// would print them.
function failureNote(data, what) {
  const { diagnostics, failure, text } = decoded(data);
  if (failure) return `No ${what}: ${failureText(failure)}.`;
  const errors = diagnostics.filter((d) => d.level === 'error');
  if (!errors.length) return `No ${what}${text ? `: ${text}` : ''}.`;
  const lines = errors.slice(0, 3).map((d) => `${d.file}:${d.span.startLine}:${d.span.startCol}: ${d.code}: ${d.message}`);
  const more = errors.length > 3 ? `; and ${errors.length - 3} more` : '';
  // Compile mode checks a file without imports on its own, where the
  // built-in gates (xor, nand, …) are not known.
  const alone = data.name === 'artifact' && !importsSomething(current.files[current.root])
    && errors.some((d) => d.code === 'E001') ? ' (compiled on its own, as a file without imports is, it has no built-in gates)' : '';
  return `No ${what}: ${lines.join('; ')}${more}${alone}.`;
}

function showTable(data) {
  const note = $('table-note');
  const view = $('truth-table');
  if (data.error || data.result.status !== 0) {
    view.replaceChildren();
    tablePanel.clear();
    note.textContent = failureNote(data, 'truth table');
    return;
  }
  tablePanel.show(JSON.parse(data.result.stdout));
}

function showSchematic(data) {
  const failed = data.error || data.result.status !== 0;
  $('schematic-note').textContent = failed ? failureNote(data, 'schematic') : '';
  schematic.showText(failed ? null : data.result.stdout);
}

function showAnalysis(data) {
  const view = $('analysis');
  if (data.error || data.result.status !== 0) {
    view.replaceChildren();
    // Outputs that can be undefined: the rows, as the terminal lists them.
    const refusals = (data.result?.stderr ?? '').split('\n').filter((line) => line.startsWith('analyze: '))
      .map((line) => line.slice('analyze: '.length));
    $('analysis-note').textContent = refusals.length ? `No analysis: ${refusals.join('; ')}.` : failureNote(data, 'analysis');
    return;
  }
  $('analysis-note').textContent = `${current.root}: every output, in declaration order.`;
  renderAnalysis(view, data.result.analysis, {
    showPath: (paths) => {
      schematic.controller?.highlight(paths);
      $('tab-schematic').click();
    },
  });
}

// The Analysis panel opened on a check that did not analyse: check again.
function analyseIfNeeded() {
  if (current && !current.analysed) checkNow();
}

const circuit = $('circuit');
const schematic = schematicPanel({
  element: circuit, picture: $('schematic-picture'), text: $('schematic'), pictureButton: $('schematic-as-picture'),
  textButton: $('schematic-as-text'), expandBox: $('expand-macros'),
});
const tablePanel = createTablePanel({
  view: $('truth-table'), note: $('table-note'), filterInput: $('table-filter'), filterCount: $('table-filter-count'), circuit,
});
const compare = setupCompare({ anchor: $('problems-title'), circuit, showCircuit: () => selectPanel($('tab-circuit')) });
function showArtifact(data) {
  const bytes = !data.error && data.result.status === 0 ? data.result.outputs?.['circuit.wasm'] : null;
  $('download-wasm').disabled = !bytes;
  if (!bytes) {
    lastArtifact = null;
    $('circuit-note').textContent = failureNote(data, 'circuit');
    $('downloads-note').textContent = failureNote(data, 'WebAssembly module');
    return;
  }
  lastArtifact = { name: `${baseName(current.root)}.wasm`, bytes };
  $('circuit-note').textContent = `${current.root}, compiled just now. Click an input to flip it.`;
  $('downloads-note').textContent = '';
  if (circuitUrl) URL.revokeObjectURL(circuitUrl);
  circuitUrl = URL.createObjectURL(new Blob([bytes], { type: 'application/wasm' }));
  circuit.src = circuitUrl;
  tableFromArtifact(bytes.slice());
}

// The truth table of the compiled module, simulated in the circuit page's
// table worker on a copy of it.
function tableFromArtifact(bytes) {
  tableWorker?.terminate();
  const worker = new Worker(new URL('./table_worker.mjs', import.meta.url), { type: 'module' });
  tableWorker = worker;
  const finish = (show) => {
    if (tableWorker !== worker) return;
    worker.terminate();
    tableWorker = null;
    show();
    settleBusy();
  };
  worker.addEventListener('message', ({ data }) => finish(() => {
    if (data.error) {
      $('truth-table').replaceChildren();
      tablePanel.clear();
      $('table-note').textContent = `No truth table: ${data.error}.`;
    } else tablePanel.show(data.table);
  }));
  worker.addEventListener('error', (event) => finish(() => {
    $('truth-table').replaceChildren();
    tablePanel.clear();
    $('table-note').textContent = `No truth table: ${event.message ?? 'the worker failed'}.`;
  }));
  worker.postMessage({ bytes: bytes.buffer }, [bytes.buffer]);
}

// An input keeps its state across recompiles while its name exists: the
// element starts every input low right after `load`, so the old states are
// driven again once that has happened.
circuit.addEventListener('load', () => {
  const keep = { ...inputStates };
  queueMicrotask(() => {
    for (const name of circuit.circuit?.inputs ?? []) {
      if (keep[name] === 1) circuit.toggle(name);
    }
  });
});
circuit.addEventListener('change', (event) => { inputStates = { ...inputStates, ...event.detail.inputs }; });

async function downloadZig() {
  const root = project.root;
  const name = `${baseName(root)}.zig`;
  const note = $('downloads-note');
  note.textContent = 'Generating the Zig source…';
  const id = post([{ name: 'zig', args: [root, '--emit-zig', '-o', name, ...DIAGNOSTICS_ARGS] }], true);
  const data = await new Promise((resolve) => waiters.set(id, resolve));
  const bytes = !data.error && data.result.status === 0 ? data.result.outputs?.[name] : null;
  if (!bytes) {
    note.textContent = failureNote(data, 'Zig source');
    return;
  }
  note.textContent = '';
  download(name, bytes, 'text/plain');
}

function selectPanel(tab) {
  for (const other of document.querySelectorAll('#panel-tabs [role="tab"]')) {
    const selected = other === tab;
    other.setAttribute('aria-selected', String(selected));
    $(other.getAttribute('aria-controls')).hidden = !selected;
  }
}

// ---- sharing --------------------------------------------------------------

async function share() {
  const status = $('share-status');
  const hash = `#project=${await encodeShare(project)}`;
  const url = `${location.origin}${location.pathname}${hash}`;
  window.history.replaceState(null, '', url);
  projects.rememberLink(hash);
  try {
    await navigator.clipboard.writeText(url);
    status.textContent = `Link copied (${url.length.toLocaleString('en')} characters); it holds the whole project.`;
  } catch {
    status.textContent = 'The address bar now holds a link to the whole project.';
  }
}

// The project inline in a <vorn-circuit>, for pasting into a course page.
async function copySnippet() {
  const status = $('share-status');
  const snippet = pageSnippet(project, new URL('vorn.mjs', location.href).href);
  try {
    await navigator.clipboard.writeText(snippet);
    status.textContent = `Page snippet copied (${snippet.length.toLocaleString('en')} characters): the circuit, live, in any page.`;
  } catch {
    status.textContent = 'The clipboard refused the snippet.';
  }
}

async function projectFromLink() {
  const match = /^#project=([A-Za-z0-9_-]+)$/.exec(location.hash);
  if (!match) return null;
  try {
    return await decodeShare(match[1]);
  } catch (error) {
    $('page-alert').textContent = `The link's project could not be read: ${error.message}`;
    return null;
  }
}

// ---- start ----------------------------------------------------------------

function wire() {
  for (const [i, example] of EXAMPLES.entries()) $('examples').append(new Option(example.title, String(i)));
  $('examples').addEventListener('change', (event) => {
    const example = EXAMPLES[Number(event.target.value)];
    event.target.value = '';
    // An example opens as a project of its own; the shown one stays saved.
    if (example) projects.open(store.create({ files: example.files, root: example.root, name: nameFromRoot(example.root) }));
  });
  $('add-file').addEventListener('click', addFile);
  $('rename-file').addEventListener('click', renameFile);
  $('delete-file').addEventListener('click', deleteFile);
  $('root').addEventListener('change', (event) => {
    project.root = event.target.value;
    renderTabs();
    scheduleSave();
    checkNow();
  });
  for (const id of ['open-files', 'open-folder']) {
    $(`${id}-button`).addEventListener('click', () => $(id).click());
    $(id).addEventListener('change', (event) => {
      addFilesFromDisk(event.target.files);
      event.target.value = '';
    });
  }
  showDropCue();
  document.addEventListener('drop', (event) => {
    if (!event.dataTransfer?.files.length) return;
    event.preventDefault();
    addFilesFromDisk(event.dataTransfer.files);
  });
  $('download-file').addEventListener('click', () => download(project.active, project.files[project.active], 'text/plain'));
  $('download-all').addEventListener('click', () => {
    const { name, bytes } = projects.zipOf(project);
    download(name, bytes, 'application/zip');
  });
  $('download-wasm').addEventListener('click', () => lastArtifact && download(lastArtifact.name, lastArtifact.bytes, 'application/wasm'));
  $('download-zig').addEventListener('click', downloadZig);
  $('add-test-table').addEventListener('click', addTestTable);
  $('share').addEventListener('click', share);
  $('copy-snippet').addEventListener('click', copySnippet);
  $('expand-macros').addEventListener('change', (event) => {
    expandMacros = event.target.checked;
    scheduleSave();
    checkNow();
  });
  for (const tab of document.querySelectorAll('#panel-tabs [role="tab"]')) tab.addEventListener('click', () => selectPanel(tab));
  $('tab-analysis').addEventListener('click', analyseIfNeeded);
  rovingTabs($('tabs'));
  rovingTabs($('panel-tabs'));
}

// A link pasted into the address bar of an open page opens its project.
async function followLink() {
  const linked = await projectFromLink();
  if (!linked) return;
  window.history.replaceState(null, '', location.pathname + location.search);
  projects.open(store.fromLink(linked));
}

async function start() {
  wire();
  startWorker();
  projects = setupProjects({ store, current: () => project, show: setProject, flush: saveNow });
  try {
    store.migrateLegacy();
  } catch (error) {
    $('page-alert').textContent = `The saved project could not be moved to the project list: ${error.message}`;
  }
  const { hash } = location;
  const linked = await projectFromLink();
  if (linked) window.history.replaceState(null, '', location.pathname + location.search);
  lsp = startLanguageServer({
    // The .vorn files; test tables are the Tests panel's.
    files: () => Object.fromEntries(Object.entries(project?.files ?? {}).filter(([path]) => !isTablePath(path))),
    // A rename's edit of a file the editor does not show.
    write(path, text) {
      project.files[path] = text;
      editorStates.delete(path);
      scheduleSave();
      scheduleCheck();
    },
    show(path) {
      if (path !== project.active) openFile(path);
      return view;
    },
    published,
    failed(reason) { $('page-alert').textContent = `The language server failed: ${reason}`; },
  });
  const [example] = EXAMPLES;
  const first = projects.initial(linked, hash, { files: example.files, root: example.root, name: nameFromRoot(example.root) });
  view = new EditorView({ state: EditorState.create({ doc: '' }), parent: $('editor') });
  projects.open(first);
  addEventListener('hashchange', followLink);
}

start();
