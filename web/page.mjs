// The page around <vorn-circuit>: opening a file (picker, drop, ?src=),
// the truth table tied to the live circuit with its copy buttons, test
// tables, and the trace panel.
import { MAX_TRUTH_TABLE_INPUTS, toCsv, toMarkdown } from './vorn.mjs';
import { showDropCue } from './drop_cue.mjs';
import { clearTruthTable, countText, renderTruthTable, rowOf } from './truth_table_view.mjs';

const $ = (id) => document.getElementById(id);
const element = $('circuit');
let objectUrl = null;
let openedFile = null;
let table = null;
let tableView = null;
let tableWorker = null;
let testWorker = null;
// The loaded circuit's bytes (a promise), for the workers' fresh copies.
let circuitBytes = null;

const SHOWN_TEST_ROWS = 1000;

function show(id, visible) {
  $(id).hidden = !visible;
}

function open(src, title) {
  $('page-alert').replaceChildren();
  $('circuit-name').textContent = title ? `(${title})` : '';
  show('start', false);
  show('circuit-section', true);
  show('hint', false);
  show('table-section', false);
  show('test-section', false);
  show('trace-section', false);
  circuitBytes = null;
  element.src = src;
}

// A picked or dropped file replaces what the address named, so a reload
// does not bring back the old circuit; the picker names what is shown.
function openFile(file, files) {
  if (/\.vorn$/i.test(file.name)) {
    explainSource(file);
    return;
  }
  if (files && $('file').files !== files) $('file').files = files;
  if (location.search) history.replaceState(null, '', location.pathname + location.hash);
  if (objectUrl) URL.revokeObjectURL(objectUrl);
  objectUrl = URL.createObjectURL(file);
  openedFile = file;
  open(objectUrl, file.name);
}

// The playground opens a project from its link: JSON, deflated, base64url.
async function playgroundLink(name, text) {
  const json = JSON.stringify({ v: 1, files: { [name]: text }, root: name, active: name });
  const stream = new Blob([new TextEncoder().encode(json)]).stream().pipeThrough(new CompressionStream('deflate-raw'));
  const packed = new Uint8Array(await new Response(stream).arrayBuffer());
  let binary = '';
  for (let i = 0; i < packed.length; i += 0x8000) binary += String.fromCharCode(...packed.subarray(i, i + 0x8000));
  const encoded = btoa(binary).replaceAll('+', '-').replaceAll('/', '_').replace(/=+$/, '');
  return new URL(`playground.html#project=${encoded}`, location.href).href;
}

// A .vorn file is the circuit's source: say how to compile it, and offer
// the playground, which compiles in the browser.
async function explainSource(file) {
  const alert = $('page-alert');
  const name = file.name.replace(/[^\w.-]/g, '_');
  const wasm = name.replace(/\.vorn$/i, '.wasm');
  const code = (text) => Object.assign(document.createElement('code'), { textContent: text });
  alert.replaceChildren(`${file.name} is source text, not a compiled circuit. Compile it with `,
    code(`vorn-compile ${name} -o ${wasm}`), ` and open ${wasm} here`);
  try {
    const link = Object.assign(document.createElement('a'), {
      href: await playgroundLink(name, await file.text()),
      textContent: 'open it in the playground',
    });
    alert.append(', or ', link, '.');
  } catch {
    alert.append('.');
  }
}

function stopTableWorker() {
  tableWorker?.terminate();
  tableWorker = null;
}

function stopTestWorker() {
  testWorker?.terminate();
  testWorker = null;
}

// A file's bytes are read from the file itself: its URL may be revoked by
// the next file opened meanwhile.
function loadedBytes(src) {
  return objectUrl === src ? openedFile.arrayBuffer() : fetch(src).then((response) => response.arrayBuffer());
}

// Starts a worker on a copy of the circuit's bytes; `onReply` gets its
// answer, or {error} when it failed.
async function startWorker(message, onReply) {
  const worker = new Worker(new URL('./table_worker.mjs', import.meta.url), { type: 'module' });
  const bytes = (await circuitBytes).slice(0);
  worker.addEventListener('message', ({ data }) => onReply(worker, data));
  worker.addEventListener('error', (event) => onReply(worker, { error: event.message ?? 'the worker failed' }));
  worker.postMessage({ ...message, bytes }, [bytes]);
  return worker;
}

function clearTable() {
  table = null;
  tableView = null;
  clearTruthTable($('truth-table'));
  $('copy-status').textContent = '';
  // Nothing to copy or scroll until there is a table.
  show('table-actions', false);
  show('table-box', false);
}

// The table is simulated on a fresh copy of the circuit in a worker, from
// the same bytes the element loaded.
async function computeTable(circuit) {
  stopTableWorker();
  clearTable();
  const note = $('table-note');
  show('table-section', true);
  if (circuit.inputs.length > MAX_TRUTH_TABLE_INPUTS) {
    note.textContent = `No truth table: the circuit has ${circuit.inputs.length} inputs, more than ${MAX_TRUTH_TABLE_INPUTS}.`;
    return;
  }
  note.textContent = 'Computing the truth table…';
  const bytes = circuitBytes;
  const worker = await startWorker({}, (from, data) => {
    if (tableWorker !== from) return;
    stopTableWorker();
    if (data.error) note.textContent = `No truth table: ${data.error}.`;
    else renderTable(data.table);
  });
  if (circuitBytes !== bytes) worker.terminate();
  else tableWorker = worker;
}

// A test table runs in a worker like the truth table; each row is shown
// marked passed or failed.
async function runTest(file) {
  stopTestWorker();
  const note = $('test-note');
  note.className = '';
  $('test-rows').replaceChildren();
  show('test-scroll', false);
  note.textContent = `Running ${file.name}…`;
  const bytes = circuitBytes;
  let text;
  try {
    text = await file.text();
    await circuitBytes;
  } catch (error) {
    note.className = 'failed';
    note.textContent = `Could not run ${file.name}: ${error.message}`;
    return;
  }
  const worker = await startWorker({ test: { text, name: file.name } }, (from, data) => {
    if (testWorker !== from) return;
    stopTestWorker();
    if (data.error) {
      note.className = 'failed';
      note.textContent = data.error;
    } else {
      renderTest(data.report);
    }
  });
  if (circuitBytes !== bytes) worker.terminate();
  else testWorker = worker;
}

function renderTest(report) {
  const note = $('test-note');
  const total = report.rows.length;
  note.className = report.failed ? 'failed' : '';
  note.textContent = `${report.table}: ${report.passed} of ${total} rows passed` +
    (total > SHOWN_TEST_ROWS ? `; showing the first ${SHOWN_TEST_ROWS}.` : '.');
  const view = $('test-rows');
  const first = report.rows[0];
  const inputs = Object.keys(first.inputs);
  const outputs = Object.keys(first.actual);
  const head = view.createTHead().insertRow();
  for (const [text, className] of [['line', ''], ...inputs.map((n) => [n, 'input']),
    ...outputs.map((n, i) => [n, i === 0 ? 'output first-output' : 'output']), ['result', 'result']]) {
    const th = document.createElement('th');
    th.scope = 'col';
    th.className = className;
    th.textContent = text;
    head.append(th);
  }
  const body = view.createTBody();
  const cell = (value) => (value === null ? '?' : String(value));
  for (const row of report.rows.slice(0, SHOWN_TEST_ROWS)) {
    const tr = body.insertRow();
    tr.className = row.ok ? 'passed' : 'failed';
    tr.dataset.line = row.line;
    tr.insertCell().textContent = String(row.line);
    for (const name of inputs) Object.assign(tr.insertCell(), { className: 'input', textContent: String(row.inputs[name]) });
    outputs.forEach((name, i) => {
      const checked = name in row.expected;
      const expected = checked ? cell(row.expected[name]) : '*';
      const got = cell(row.actual[name]);
      Object.assign(tr.insertCell(), {
        className: i === 0 ? 'output first-output' : 'output',
        textContent: checked && expected !== got ? `${expected}, got ${got}` : expected,
      });
    });
    Object.assign(tr.insertCell(), { className: 'result', textContent: row.ok ? 'passed' : `failed: ${row.reason}` });
  }
  show('test-scroll', true);
}

function currentInputs() {
  const circuit = element.circuit;
  return circuit ? Object.fromEntries(circuit.inputs.map((name) => [name, circuit.get(name)])) : {};
}

function renderTable(result) {
  table = result;
  show('table-actions', true);
  show('table-box', true);
  tableView = renderTruthTable($('truth-table'), $('table-note'), table, {
    // A clicked row becomes the circuit's inputs.
    onRowClick: (row) => element.setInputs(Object.fromEntries(table.inputs.map((name, i) => [name, (row >> i) & 1]))),
  });
  tableView.mark(rowOf(table, currentInputs()), true);
}

// Lets the status paint before a long synchronous step.
const nextFrame = () => new Promise((done) => requestAnimationFrame(() => setTimeout(done, 0)));

async function copy(format) {
  if (!table) return;
  const status = $('copy-status');
  const rows = countText(table.rows.length, 'row');
  status.textContent = `Copying ${rows} as ${format}…`;
  await nextFrame();
  const text = format === 'CSV' ? toCsv(table) : toMarkdown(table);
  try {
    await navigator.clipboard.writeText(text);
    status.textContent = `Copied ${rows} as ${format}.`;
  } catch (error) {
    status.textContent = `Could not copy: ${error.message}`;
  }
}

// The last change as named value changes, e.g. "h1.c (and) -> high @ 270".
const KIND_LABELS = { input_pin: 'input', output_pin: 'output', and_gate: 'and', not_gate: 'not', wire: 'wire', led: 'led' };
const VALUE_NAMES = { 0: 'low', 1: 'high' };

function renderTrace(changed) {
  const panel = $('trace');
  panel.hidden = !$('trace-toggle').checked;
  if (!changed || !element.circuit) {
    panel.textContent = 'Flip an input to see the trace of that change.';
    return;
  }
  const lines = element.circuit.timing().map((change) =>
    `${change.name} (${KIND_LABELS[change.kind] ?? change.kind}) -> ${VALUE_NAMES[change.value] ?? 'undefined'} @ ${change.time}`);
  panel.textContent = lines.length ? lines.join('\n') : 'The last change applied no events.';
}

element.addEventListener('load', () => {
  show('hint', true);
  show('trace-section', true);
  renderTrace(null);
  circuitBytes = loadedBytes(element.src);
  stopTestWorker();
  $('test-note').textContent = '';
  $('test-rows').replaceChildren();
  show('test-scroll', false);
  show('test-section', true);
  computeTable(element.circuit).catch((error) => {
    $('table-note').textContent = `No truth table: ${error.message}.`;
  });
});
element.addEventListener('error', () => {
  stopTableWorker();
  stopTestWorker();
  circuitBytes = null;
  show('table-section', false);
  show('test-section', false);
  show('trace-section', false);
});
element.addEventListener('change', (event) => {
  if ($('trace-toggle').checked) renderTrace(true);
  if (tableView) tableView.mark(rowOf(table, event.detail.inputs), true);
});

$('trace-toggle').addEventListener('change', (event) => {
  element.toggleAttribute('trace', event.target.checked);
  renderTrace(null);
});
$('copy-csv').addEventListener('click', () => copy('CSV'));
$('copy-markdown').addEventListener('click', () => copy('Markdown'));
$('file').addEventListener('change', (event) => {
  const [file] = event.target.files;
  if (file) openFile(file);
});

$('test-file').addEventListener('change', (event) => {
  const [file] = event.target.files;
  if (file && circuitBytes) runTest(file);
});

// A dropped compiled circuit replaces the one shown; any other file dropped
// beside a loaded circuit is taken as its test table.
async function isWasm(file) {
  const magic = new Uint8Array(await file.slice(0, 4).arrayBuffer());
  return [0x00, 0x61, 0x73, 0x6d].every((byte, i) => magic[i] === byte);
}

showDropCue();
document.addEventListener('drop', (event) => {
  event.preventDefault();
  const files = event.dataTransfer?.files;
  const [file] = files ?? [];
  if (!file) {
    $('page-alert').textContent = 'Drop a .wasm file written by vorn-compile.';
    return;
  }
  const circuitShown = circuitBytes !== null;
  const isSource = /\.vorn$/i.test(file.name);
  isWasm(file).then((wasm) => (wasm || isSource || !circuitShown ? openFile(file, files) : runTest(file)));
});

const src = new URLSearchParams(location.search).get('src');
if (src) open(new URL(src, location.href).href, src.split('/').pop());
