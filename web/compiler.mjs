// The compiler itself, built for WASI (vorn-compile.wasm beside this file),
// run on a project held in memory. Browsers get WASI from the
// browser_wasi_shim package (copied into vendor/ by the build); Node.js uses
// its own node:wasi on a scratch directory.
//
//   const { status, stdout, stderr, outputs } =
//     await compile({ 'top.vorn': text, 'lib/half.vorn': bytes }, ['top.vorn', '-o', 'top.wasm']);
//
// Project paths are relative to the directory the compiler runs in, which is
// also the root "/" it sees. Every call runs on a fresh instance with a fresh
// file tree; only the compiled module is kept between calls.

const isNode = typeof process === 'object' && typeof process.versions?.node === 'string';

let moduleSource = new URL('./vorn-compile.wasm', import.meta.url);
let compiledModule = null;

// Where the compiler module comes from when it is not beside this file: a
// URL, a file path (Node.js), its bytes or a compiled WebAssembly.Module.
export function setCompilerModule(source) {
  moduleSource = source;
  compiledModule = null;
}

async function loadModule() {
  if (compiledModule) return compiledModule;
  const source = moduleSource;
  let pending;
  if (source instanceof WebAssembly.Module) {
    pending = Promise.resolve(source);
  } else if (source instanceof ArrayBuffer || ArrayBuffer.isView(source)) {
    pending = WebAssembly.compile(source);
  } else if (isNode) {
    const { readFile } = await import('node:fs/promises');
    pending = readFile(source).then((bytes) => WebAssembly.compile(bytes));
  } else {
    // Compiled from the bytes: streaming compilation refuses a server that
    // does not send application/wasm.
    pending = fetch(source).then(async (response) => {
      if (!response.ok) throw new Error(`vorn-compile.wasm: HTTP ${response.status} for ${response.url}`);
      return WebAssembly.compile(await response.arrayBuffer());
    });
  }
  compiledModule = pending;
  pending.catch(() => { if (compiledModule === pending) compiledModule = null; });
  return pending;
}

const encoder = new TextEncoder();
const decoder = new TextDecoder();

// A project path as a list of names below the root; ".." may not climb out.
function splitProjectPath(path) {
  if (typeof path !== 'string' || path === '' || path.includes('\0')) {
    throw new TypeError(`compile: invalid project path ${JSON.stringify(path)}`);
  }
  const parts = [];
  for (const part of path.split('/')) {
    if (part === '' || part === '.') continue;
    if (part === '..') {
      if (parts.length === 0) throw new TypeError(`compile: project path leaves the project: ${path}`);
      parts.pop();
      continue;
    }
    parts.push(part);
  }
  if (parts.length === 0) throw new TypeError(`compile: project path names no file: ${path}`);
  return parts;
}

function projectEntries(files) {
  const entries = files instanceof Map ? [...files] : Object.entries(files ?? {});
  const seen = new Map();
  for (const [path, content] of entries) {
    const parts = splitProjectPath(path);
    let bytes;
    if (typeof content === 'string') bytes = encoder.encode(content);
    else if (content instanceof Uint8Array) bytes = content;
    else if (content instanceof ArrayBuffer) bytes = new Uint8Array(content);
    else if (ArrayBuffer.isView(content)) bytes = new Uint8Array(content.buffer, content.byteOffset, content.byteLength);
    else throw new TypeError(`compile: the content of ${path} must be a string or bytes`);
    seen.set(parts.join('/'), { parts, bytes });
  }
  return [...seen.values()];
}

function checkArguments(args) {
  if (!Array.isArray(args) || !args.every((arg) => typeof arg === 'string')) {
    throw new TypeError('compile: args must be an array of strings');
  }
}

function sameBytes(a, b) {
  if (a.length !== b.length) return false;
  for (let i = 0; i < a.length; ++i) if (a[i] !== b[i]) return false;
  return true;
}

export async function compile(files, args) {
  checkArguments(args);
  const entries = projectEntries(files);
  const module = await loadModule();
  return isNode ? compileInNode(module, entries, args) : compileInBrowser(module, entries, args);
}

// Later stages of the compiler recurse as deep as the sources nest, and
// WebAssembly frames live on the thread's own stack: instances run in a
// worker thread with a large one. The thread is kept between calls (starting
// one costs more than most compilations); each call still gets a fresh
// instance, WASI and file tree in it.
const kWorkerStackMb = 512;

let fastApiCallsOff = false;
let host = null;  // { worker, pending: Map(id -> { resolve, reject }), next }

async function hostWorker() {
  if (host) return host;
  const { Worker } = await import('node:worker_threads');
  const worker = new Worker(new URL(import.meta.url), {
    workerData: { vornCompileHost: true },
    resourceLimits: { stackSizeMb: kWorkerStackMb },
    // The caller's Node.js options (say --input-type with -e) need not suit
    // a worker that runs this file.
    execArgv: [],
  });
  const current = { worker, pending: new Map(), next: 0 };
  const drop = (error) => {
    if (host === current) host = null;
    for (const { reject } of current.pending.values()) reject(error);
    current.pending.clear();
  };
  worker.on('message', ({ id, status, error }) => {
    const job = current.pending.get(id);
    current.pending.delete(id);
    // An idle host must not keep the caller's process alive.
    if (current.pending.size === 0) worker.unref();
    if (error) job?.reject(error);
    else job?.resolve(status);
  });
  worker.on('error', drop);
  worker.on('exit', (code) => drop(new Error(`vorn-compile worker ended with code ${code}`)));
  worker.unref();
  host = current;
  return host;
}

async function runOnHost(job) {
  const { worker, pending } = await hostWorker();
  const id = host.next++;
  worker.ref();
  return new Promise((resolve, reject) => {
    pending.set(id, { resolve, reject });
    worker.postMessage({ id, job });
  });
}

async function compileInNode(module, entries, args) {
  if (!fastApiCallsOff) {
    // Node.js 20 calls node:wasi through V8's fast API calls, which can hand
    // it a view of the module's memory from before the memory grew: writes
    // then land in freed memory and the process crashes later. Switching
    // those calls off (for the whole process) keeps every call on the safe
    // path.
    const v8 = await import('node:v8');
    v8.setFlagsFromString('--no-turbo-fast-api-calls');
    fastApiCallsOff = true;
  }
  const fs = await import('node:fs');
  const os = await import('node:os');
  const { join, dirname, relative, sep } = await import('node:path');

  const scratch = fs.mkdtempSync(join(os.tmpdir(), 'vorn-compile-'));
  try {
    const root = join(scratch, 'root');
    fs.mkdirSync(root);
    const written = new Map();
    for (const { parts, bytes } of entries) {
      const file = join(root, ...parts);
      fs.mkdirSync(dirname(file), { recursive: true });
      fs.writeFileSync(file, bytes);
      const info = fs.statSync(file, { bigint: true });
      written.set(parts.join('/'), { bytes, ino: info.ino, mtime: info.mtimeNs });
    }
    const streams = { stdin: join(scratch, 'stdin'), stdout: join(scratch, 'stdout'), stderr: join(scratch, 'stderr') };
    for (const path of Object.values(streams)) fs.writeFileSync(path, '');

    const status = await runOnHost({ module, args, root, streams });

    const outputs = {};
    const walk = (directory) => {
      for (const entry of fs.readdirSync(directory, { withFileTypes: true })) {
        const path = join(directory, entry.name);
        if (entry.isDirectory()) {
          walk(path);
          continue;
        }
        if (!entry.isFile()) continue;
        const name = relative(root, path).split(sep).join('/');
        const info = fs.statSync(path, { bigint: true });
        const bytes = new Uint8Array(fs.readFileSync(path));
        const before = written.get(name);
        if (before && before.ino === info.ino && before.mtime === info.mtimeNs && sameBytes(before.bytes, bytes)) {
          continue;
        }
        outputs[name] = bytes;
      }
    };
    walk(root);
    return {
      status,
      stdout: decoder.decode(fs.readFileSync(streams.stdout)),
      stderr: decoder.decode(fs.readFileSync(streams.stderr)),
      outputs,
    };
  } finally {
    fs.rmSync(scratch, { recursive: true, force: true });
  }
}

// The worker side: for each job, one instance on the prepared tree, its
// exit status posted back.
async function serveJobs() {
  // Node.js warns once per thread that its WASI is experimental; this thread
  // is ours, and its standard error is the caller's.
  const emitWarning = process.emitWarning;
  process.emitWarning = (warning, ...rest) => {
    if (!String(warning?.message ?? warning).includes('WASI')) emitWarning.call(process, warning, ...rest);
  };
  const fs = await import('node:fs');
  const { WASI } = await import('node:wasi');
  const { parentPort } = await import('node:worker_threads');
  parentPort.on('message', ({ id, job: { module, args, root, streams } }) => {
    const descriptors = [];
    try {
      descriptors.push(fs.openSync(streams.stdin, 'r'), fs.openSync(streams.stdout, 'w'),
        fs.openSync(streams.stderr, 'w'));
      const wasi = new WASI({
        version: 'preview1',
        args: ['vorn-compile', ...args],
        env: {},
        preopens: { '/': root },
        stdin: descriptors[0],
        stdout: descriptors[1],
        stderr: descriptors[2],
        returnOnExit: true,
      });
      const instance = new WebAssembly.Instance(module, wasi.getImportObject());
      parentPort.postMessage({ id, status: wasi.start(instance) });
    } catch (error) {
      parentPort.postMessage({ id, error });
    } finally {
      for (const fd of descriptors) fs.closeSync(fd);
    }
  });
}

if (isNode) {
  const { isMainThread, workerData } = await import('node:worker_threads');
  if (!isMainThread && workerData?.vornCompileHost) await serveJobs();
}

let shim = null;

async function compileInBrowser(module, entries, args) {
  shim ??= import('./vendor/browser_wasi_shim/index.js');
  const { WASI, File, Directory, OpenFile, PreopenDirectory } = await shim;

  // The tree as nested maps, then as the library's directories.
  const tree = new Map();
  const inputs = new Map();
  for (const { parts, bytes } of entries) {
    let level = tree;
    for (const name of parts.slice(0, -1)) {
      let next = level.get(name);
      if (next === undefined) {
        next = new Map();
        level.set(name, next);
      }
      if (!(next instanceof Map)) throw new TypeError(`compile: ${parts.join('/')} lies below a file`);
      level = next;
    }
    const name = parts[parts.length - 1];
    if (level.get(name) instanceof Map) throw new TypeError(`compile: ${parts.join('/')} is also a folder`);
    const file = new File(bytes);
    inputs.set(parts.join('/'), { file, data: file.data });
    level.set(name, file);
  }
  const build = (level) => new Map([...level].map(([name, entry]) =>
    [name, entry instanceof Map ? new Directory(build(entry)) : entry]));
  const stdout = new File([]);
  const stderr = new File([]);
  const fds = [
    new OpenFile(new File([], { readonly: true })),
    new OpenFile(stdout),
    new OpenFile(stderr),
    new PreopenDirectory('/', build(tree)),
  ];
  const preopen = fds[3];
  // The library logs every call to the console unless told not to.
  const wasi = new WASI(['vorn-compile', ...args], [], fds, { debug: false });
  const instance = await WebAssembly.instantiate(module, { wasi_snapshot_preview1: wasi.wasiImport });
  const status = wasi.start(instance);

  const outputs = {};
  const walk = (directory, prefix) => {
    for (const [name, entry] of directory.contents) {
      const path = prefix + name;
      if (entry instanceof Directory) {
        walk(entry, `${path}/`);
        continue;
      }
      if (!(entry instanceof File)) continue;
      const before = inputs.get(path);
      if (before && before.file === entry && before.data === entry.data) continue;
      outputs[path] = new Uint8Array(entry.data);
    }
  };
  walk(preopen.dir, '');
  return { status, stdout: decoder.decode(stdout.data), stderr: decoder.decode(stderr.data), outputs };
}
