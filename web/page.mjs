// The page around <vorn-circuit>: opening a file (picker, drop, ?src=),
// the truth table with its copy buttons, and the trace panel.
import { MAX_TRUTH_TABLE_INPUTS, toCsv, toMarkdown } from './vorn.mjs';
import { renderTruthTable } from './truth_table_view.mjs';

const $ = (id) => document.getElementById(id);
const element = $('circuit');
let objectUrl = null;
let table = null;
let tableWorker = null;

function show(id, visible) {
  $(id).hidden = !visible;
}

function open(src, title) {
  $('page-alert').textContent = '';
  $('circuit-name').textContent = title ? `(${title})` : '';
  show('circuit-section', true);
  show('hint', false);
  show('table-section', false);
  show('trace-section', false);
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

// The table is simulated on a fresh copy of the circuit in a worker, from
// the same bytes the element loaded.
async function computeTable(circuit, src) {
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
  const worker = new Worker(new URL('./table_worker.mjs', import.meta.url), { type: 'module' });
  tableWorker = worker;
  const bytes = await (await fetch(src)).arrayBuffer();
  if (tableWorker !== worker) return;
  if (objectUrl === src) {
    // The bytes are in memory now; the file's URL is no longer needed.
    URL.revokeObjectURL(objectUrl);
    objectUrl = null;
  }
  worker.addEventListener('message', ({ data }) => {
    if (tableWorker !== worker) return;
    stopTableWorker();
    if (data.error) note.textContent = `No truth table: ${data.error}.`;
    else renderTable(data.table);
  });
  worker.addEventListener('error', (event) => {
    if (tableWorker !== worker) return;
    stopTableWorker();
    note.textContent = `No truth table: ${event.message ?? 'the worker failed'}.`;
  });
  worker.postMessage({ bytes }, [bytes]);
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
  computeTable(element.circuit, element.src).catch((error) => {
    $('table-note').textContent = `No truth table: ${error.message}.`;
  });
});
element.addEventListener('error', () => {
  stopTableWorker();
  show('table-section', false);
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
  if (file) openFile(file);
  else $('page-alert').textContent = 'Drop a .wasm file written by vorn-compile.';
});

const src = new URLSearchParams(location.search).get('src');
if (src) open(new URL(src, location.href).href, src.split('/').pop());
