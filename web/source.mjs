// .vorn projects for <vorn-circuit>: gathered from a URL (the file and what
// it imports, as on disk) or from inline <script type="text/vorn"> elements,
// and compiled by vorn-compile.wasm in a worker. The worker, and with it the
// compiler module, is started by the first project of the page and shared by
// every element after it.

// A project is small; a longer chain of imports is a loop or a mistake.
export const MAX_PROJECT_FILES = 256;
const IMPORT_LINE = /^\s*import\s*[A-Za-z_][0-9A-Za-z_]*\s*"([^"]*)"/gm;

let worker = null;
let nextId = 0;
const pending = new Map();

function compilerWorker() {
  if (worker) return worker;
  worker = new Worker(new URL('./source_worker.mjs', import.meta.url), { type: 'module' });
  worker.addEventListener('message', ({ data }) => {
    const job = pending.get(data.id);
    pending.delete(data.id);
    if (data.error) job?.reject(new Error(data.error));
    else job?.resolve(data.results);
  });
  worker.addEventListener('error', (event) => {
    // A worker that failed to start fails every request, and the next
    // request tries a new one.
    worker = null;
    for (const job of pending.values()) job.reject(new Error(`the compiler could not start: ${event.message ?? 'worker error'}`));
    pending.clear();
  });
  return worker;
}

// Runs each argument list on the project until one fails; resolves to the
// results ({ status, stdout, stderr, outputs }) of the runs made.
export function compileProject(files, runs) {
  const id = nextId++;
  const thread = compilerWorker();
  return new Promise((resolve, reject) => {
    pending.set(id, { resolve, reject });
    thread.postMessage({ id, files, runs });
  });
}

export const importsOf = (text) => [...text.matchAll(IMPORT_LINE)].map((match) => match[1]);

const directoryOf = (url) => url.slice(0, url.lastIndexOf('/') + 1);

// The root file at `url` and every file it imports, recursively, fetched.
// Project paths are the files' paths below the deepest folder that holds
// them all, so the compiler names them as the page's author does.
export async function fetchProject(url, fetchText = defaultFetchText) {
  const texts = new Map();
  const missing = new Set();
  const queue = [new URL(url).href];
  while (queue.length) {
    const href = queue.shift();
    if (texts.has(href) || missing.has(href)) continue;
    if (texts.size >= MAX_PROJECT_FILES) throw new Error(`the project imports more than ${MAX_PROJECT_FILES} files`);
    let text;
    try {
      text = await fetchText(href);
    } catch (error) {
      // A missing import is the compiler's to report, at the import line.
      if (texts.size === 0) throw error;
      missing.add(href);
      continue;
    }
    texts.set(href, text);
    for (const path of importsOf(text)) {
      const target = new URL(path, href);
      // Another origin's file is not part of this project; the compiler
      // reports it as missing.
      if (target.origin === new URL(href).origin) queue.push(target.href);
    }
  }
  const hrefs = [...texts.keys()];
  let base = directoryOf(hrefs[0]);
  while (!hrefs.every((href) => href.startsWith(base))) base = directoryOf(base.slice(0, -1));
  const files = {};
  for (const [href, text] of texts) files[decodeURIComponent(href.slice(base.length))] = text;
  return { files, root: decodeURIComponent(hrefs[0].slice(base.length)) };
}

export async function defaultFetchText(href) {
  let response;
  try {
    response = await fetch(href);
  } catch (error) {
    throw new Error(`could not fetch ${href}: ${error.message}`);
  }
  if (!response.ok) throw new Error(`could not fetch ${href}: HTTP ${response.status} ${response.statusText}`.trim());
  return response.text();
}

// The project of inline <script type="text/vorn"> elements: each under its
// data-path, one without a path as `fallback`; the root is the script without
// a data-path, else the first. A script's first line break (the one after
// the opening tag) is not part of the source, so lines count as on screen.
export function inlineProject(scripts, fallback = 'circuit.vorn') {
  const files = {};
  let root = null;
  for (const script of scripts) {
    const path = script.dataset.path || fallback;
    files[path] = script.textContent.replace(/^\r?\n/, '');
    if (!script.dataset.path && root === null) root = path;
  }
  root ??= scripts[0]?.dataset.path ?? null;
  return { files, root };
}
