// The page around <vorn-circuit>: opening a file (picker, drop, ?src=),
// the truth table tied to the live circuit with its copy buttons, and the
// trace panel.
import { MAX_TRUTH_TABLE_INPUTS, toCsv, toMarkdown } from './vorn.mjs';
import { clearTruthTable, countText, renderTruthTable, rowOf } from './truth_table_view.mjs';

const $ = (id) => document.getElementById(id);
const element = $('circuit');
let objectUrl = null;
let openedFile = null;
let table = null;
let tableView = null;
let tableWorker = null;

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
  show('trace-section', false);
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
async function computeTable(circuit, src) {
  stopTableWorker();
  clearTable();
  const note = $('table-note');
  show('table-section', true);
  if (circuit.inputs.length > MAX_TRUTH_TABLE_INPUTS) {
    note.textContent = `No truth table: the circuit has ${circuit.inputs.length} inputs, more than ${MAX_TRUTH_TABLE_INPUTS}.`;
    return;
  }
  note.textContent = 'Computing the truth table…';
  const worker = new Worker(new URL('./table_worker.mjs', import.meta.url), { type: 'module' });
  tableWorker = worker;
  // A file's bytes are read from the file itself: its URL may be revoked
  // by the next file opened meanwhile.
  const bytes = objectUrl === src ? await openedFile.arrayBuffer() : await (await fetch(src)).arrayBuffer();
  if (tableWorker !== worker) return;
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

function renderTrace(trace) {
  const panel = $('trace');
  panel.hidden = !$('trace-toggle').checked;
  if (!trace) {
    panel.textContent = 'Flip an input to see the trace of that change.';
    return;
  }
  const more = trace.dropped > 0 ? `\n… and ${countText(trace.dropped, 'more line')}` : '';
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
  const files = event.dataTransfer?.files;
  const [file] = files ?? [];
  if (file) openFile(file, files);
  else $('page-alert').textContent = 'Drop a .wasm file written by vorn-compile.';
});

const src = new URLSearchParams(location.search).get('src');
if (src) open(new URL(src, location.href).href, src.split('/').pop());
