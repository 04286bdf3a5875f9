// The page around <vorn-circuit>: opening a file (picker, drop, ?src=),
// the truth table with its copy buttons, test tables, and the trace panel.
import { MAX_TRUTH_TABLE_INPUTS, toCsv, toMarkdown } from './vorn.mjs';
import { renderTruthTable } from './truth_table_view.mjs';

const SHOWN_TEST_ROWS = 1000;

const $ = (id) => document.getElementById(id);
const element = $('circuit');
let objectUrl = null;
let table = null;
let tableWorker = null;
let testWorker = null;
// The loaded circuit's bytes (a promise), for the workers' fresh copies.
let circuitBytes = null;

function show(id, visible) {
  $(id).hidden = !visible;
}

function open(src, title) {
  $('page-alert').textContent = '';
  $('circuit-name').textContent = title ? `(${title})` : '';
  show('circuit-section', true);
  show('hint', false);
  show('table-section', false);
  show('test-section', false);
  show('trace-section', false);
  circuitBytes = null;
  element.src = src;
}

function openFile(file) {
  if (objectUrl) URL.revokeObjectURL(objectUrl);
  objectUrl = URL.createObjectURL(file);
  open(objectUrl, file.name);
}

function stopTableWorker() {
  tableWorker?.terminate();
  tableWorker = null;
}

function stopTestWorker() {
  testWorker?.terminate();
  testWorker = null;
}

// Fetched once from the URL the element loaded; a picked file's URL is
// released once its bytes are in memory.
function fetchBytes(src) {
  return fetch(src).then((response) => response.arrayBuffer()).finally(() => {
    if (objectUrl === src) {
      URL.revokeObjectURL(objectUrl);
      objectUrl = null;
    }
  });
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

// The table is simulated on a fresh copy of the circuit in a worker, from
// the same bytes the element loaded.
async function computeTable(circuit) {
  stopTableWorker();
  table = null;
  const note = $('table-note');
  $('truth-table').replaceChildren();
  $('copy-status').textContent = '';
  for (const id of ['copy-csv', 'copy-markdown']) $(id).disabled = true;
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

function renderTable(result) {
  table = result;
  for (const id of ['copy-csv', 'copy-markdown']) $(id).disabled = false;
  renderTruthTable($('truth-table'), $('table-note'), table);
}

async function copy(format) {
  if (!table) return;
  const text = format === 'CSV' ? toCsv(table) : toMarkdown(table);
  const status = $('copy-status');
  try {
    await navigator.clipboard.writeText(text);
    status.textContent = `Copied ${table.rows.length} rows as ${format}.`;
  } catch (error) {
    status.textContent = `Could not copy: ${error.message}`;
  }
}

function renderTrace(trace) {
  const panel = $('trace');
  panel.hidden = !$('trace-toggle').checked;
  if (!trace) {
    panel.textContent = 'Flip an input to see the trace of that change.';
    return;
  }
  const more = trace.dropped > 0 ? `\n… and ${trace.dropped.toLocaleString('en')} more lines` : '';
  panel.textContent = trace.lines.length ? trace.lines.join('\n') + more : 'The last change applied no events.';
}

element.addEventListener('load', () => {
  show('hint', true);
  show('trace-section', true);
  renderTrace(null);
  circuitBytes = fetchBytes(element.src);
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
  if ($('trace-toggle').checked) renderTrace(event.detail.trace);
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

document.addEventListener('dragover', (event) => {
  if (event.dataTransfer?.types.includes('Files')) {
    event.preventDefault();
    document.body.classList.add('dropping');
  }
});
document.addEventListener('dragleave', (event) => {
  if (event.relatedTarget === null) document.body.classList.remove('dropping');
});
document.addEventListener('drop', (event) => {
  event.preventDefault();
  document.body.classList.remove('dropping');
  const [file] = event.dataTransfer?.files ?? [];
  if (!file) {
    $('page-alert').textContent = 'Drop a .wasm file written by vorn-compile.';
    return;
  }
  const circuitShown = circuitBytes !== null;
  isWasm(file).then((wasm) => (wasm || !circuitShown ? openFile(file) : runTest(file)));
});

const src = new URLSearchParams(location.search).get('src');
if (src) open(new URL(src, location.href).href, src.split('/').pop());
