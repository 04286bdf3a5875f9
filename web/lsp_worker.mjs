// vorn-lsp (vorn-lsp.wasm beside this file) in a worker, for the playground:
// the language server every editor uses, speaking the protocol through
// messages instead of a pipe. The page posts { lsp: body } for each message
// to the server and { files: { path: text } } whenever the project's files
// change; the worker posts { lsp: body } for each message from the server.
// The project's files are the server's workspace: an in-memory file system
// whose root "/" holds them (file:///path URIs).
//
// The module is a reactor: the worker hands it one body at a time, and runs
// the debounced checks when the server says they are due, so that requests
// are answered between checks. Should the module fail, a fresh one is
// started and told what the last one knew (initialize, the open documents).
import { WASI, File, Directory, OpenFile, PreopenDirectory, ConsoleStdout } from './vendor/browser_wasi_shim/index.js';

const encoder = new TextEncoder();
const decoder = new TextDecoder();

let modulePromise = null;
let server = null;  // { exports, root: Directory }
let files = {};
let initializeBody = null;
const openDocuments = new Map();  // uri -> text, as the server has it
let checkTimer = 0;

function tree(entries) {
  const top = new Map();
  for (const [path, text] of Object.entries(entries)) {
    const parts = path.split('/').filter((part) => part && part !== '.' && part !== '..');
    if (!parts.length) continue;
    let level = top;
    for (const name of parts.slice(0, -1)) {
      if (!(level.get(name) instanceof Map)) level.set(name, new Map());
      level = level.get(name);
    }
    if (!(level.get(parts.at(-1)) instanceof Map)) level.set(parts.at(-1), new File(encoder.encode(text)));
  }
  const build = (level) => new Map([...level].map(([name, entry]) => [name, entry instanceof Map ? new Directory(build(entry)) : entry]));
  return build(top);
}

// The server's standard output: framed messages, posted one by one (not
// while a fresh module is told what the last one knew).
let pending = new Uint8Array(0);
let muted = false;
function received(bytes) {
  const joined = new Uint8Array(pending.length + bytes.length);
  joined.set(pending);
  joined.set(bytes, pending.length);
  pending = joined;
  for (;;) {
    const headerEnd = indexOfHeaderEnd(pending);
    if (headerEnd < 0) return;
    const header = decoder.decode(pending.subarray(0, headerEnd));
    const length = Number(/Content-Length: *(\d+)/i.exec(header)?.[1] ?? NaN);
    if (!Number.isFinite(length)) {
      pending = pending.subarray(headerEnd + 4);
      continue;
    }
    if (pending.length < headerEnd + 4 + length) return;
    const body = decoder.decode(pending.subarray(headerEnd + 4, headerEnd + 4 + length));
    pending = pending.slice(headerEnd + 4 + length);
    if (!muted) self.postMessage({ lsp: body });
  }
}
function indexOfHeaderEnd(bytes) {
  for (let i = 0; i + 3 < bytes.length; i++) {
    if (bytes[i] === 13 && bytes[i + 1] === 10 && bytes[i + 2] === 13 && bytes[i + 3] === 10) return i;
  }
  return -1;
}

async function start() {
  modulePromise ??= fetch(new URL('./vorn-lsp.wasm', import.meta.url)).then(async (response) => {
    if (!response.ok) throw new Error(`vorn-lsp.wasm: HTTP ${response.status}`);
    return WebAssembly.compile(await response.arrayBuffer());
  });
  const module = await modulePromise;
  const preopen = new PreopenDirectory('/', tree(files));
  const fds = [
    new OpenFile(new File([], { readonly: true })),
    new ConsoleStdout(received),
    new ConsoleStdout(() => {}),
    preopen,
  ];
  const wasi = new WASI(['vorn-lsp'], [], fds, { debug: false });
  const instance = await WebAssembly.instantiate(module, { wasi_snapshot_preview1: wasi.wasiImport });
  wasi.initialize(instance);
  pending = new Uint8Array(0);
  server = { exports: instance.exports, root: preopen.dir };
}

// Hands one body to the server; false when the module failed on it.
function deliver(body) {
  const bytes = encoder.encode(body);
  try {
    const at = server.exports.vorn_lsp_inbox(bytes.length);
    new Uint8Array(server.exports.memory.buffer, at, bytes.length).set(bytes);
    server.exports.vorn_lsp_receive();
    return true;
  } catch {
    return false;
  }
}

// A module that failed is replaced, and learns the state of the last one
// (its answers to that are not passed on).
async function restart() {
  server = null;
  await start();
  if (initializeBody) {
    muted = true;
    deliver(initializeBody);
    muted = false;
    deliver('{"jsonrpc":"2.0","method":"initialized","params":{}}');
  }
  for (const [uri, text] of openDocuments) {
    deliver(JSON.stringify({ jsonrpc: '2.0', method: 'textDocument/didOpen', params: { textDocument: { uri, languageId: 'vorn', version: null, text } } }));
  }
}

function scheduleChecks() {
  clearTimeout(checkTimer);
  if (!server) return;
  let due;
  try {
    due = server.exports.vorn_lsp_check_due_in();
  } catch {
    restart().then(scheduleChecks);
    return;
  }
  if (due < 0) return;
  checkTimer = setTimeout(() => {
    try {
      server.exports.vorn_lsp_run_checks();
    } catch {
      restart().then(scheduleChecks);
      return;
    }
    scheduleChecks();
  }, due);
}

// The text of each open document, kept as the server has it.
function lineStarts(text) {
  const starts = [0];
  for (let i = 0; i < text.length; i++) {
    const c = text.charCodeAt(i);
    if (c === 10 || (c === 13 && text.charCodeAt(i + 1) !== 10)) starts.push(i + 1);
  }
  return starts;
}
function offsetOf(text, starts, { line, character }) {
  if (line >= starts.length) return text.length;
  const end = line + 1 < starts.length ? starts[line + 1] : text.length;
  return Math.min(starts[line] + character, end);
}
function track(message) {
  const params = message.params ?? {};
  const uri = params.textDocument?.uri;
  if (message.method === 'initialize') initializeBody = JSON.stringify(message);
  if (typeof uri !== 'string') return;
  if (message.method === 'textDocument/didOpen') openDocuments.set(uri, String(params.textDocument.text ?? ''));
  if (message.method === 'textDocument/didClose') openDocuments.delete(uri);
  if (message.method === 'textDocument/didChange' && openDocuments.has(uri)) {
    let text = openDocuments.get(uri);
    for (const change of params.contentChanges ?? []) {
      if (!change.range) {
        text = change.text;
        continue;
      }
      const starts = lineStarts(text);
      const from = offsetOf(text, starts, change.range.start);
      const to = Math.max(from, offsetOf(text, starts, change.range.end));
      text = text.slice(0, from) + change.text + text.slice(to);
    }
    openDocuments.set(uri, text);
  }
}

// Messages are handled strictly in order, also while the module loads.
let queue = Promise.resolve();
self.addEventListener('message', ({ data }) => {
  queue = queue.then(async () => {
    if (!server) await start();
    if (data.files) {
      // A new tree of files; the server hears which of them changed.
      const before = files;
      files = data.files;
      server.root.contents = tree(files);
      for (const entry of server.root.contents.values()) if (entry instanceof Directory) entry.parent = server.root;
      // What the server has open it reads from its buffer already.
      const changes = [];
      for (const path of new Set([...Object.keys(before), ...Object.keys(files)])) {
        if (before[path] === files[path]) continue;
        const uri = `file:///${path.split('/').map(encodeURIComponent).join('/')}`;
        if (openDocuments.has(uri)) continue;
        changes.push({ uri, type: !(path in before) ? 1 : !(path in files) ? 3 : 2 });
      }
      if (changes.length && initializeBody) {
        deliver(JSON.stringify({ jsonrpc: '2.0', method: 'workspace/didChangeWatchedFiles', params: { changes } }));
      }
    }
    if (typeof data.lsp === 'string') {
      let message = null;
      try {
        message = JSON.parse(data.lsp);
      } catch {
        // The server answers what it cannot read.
      }
      if (message) track(message);
      if (!deliver(data.lsp)) await restart();
    }
    scheduleChecks();
  }).catch((error) => {
    self.postMessage({ failed: String(error?.message ?? error) });
  });
});
