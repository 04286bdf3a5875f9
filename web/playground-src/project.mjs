// The playground's project: files by path, the root to compile, and what
// the page derives from the compiler's output. No DOM here, so Node can run it.

// Project paths are relative, '/'-separated, without '.' or '..' segments,
// as the compiler sees them inside its folder.
export function normalizePath(path) {
  const parts = [];
  for (const part of String(path).replaceAll('\\', '/').split('/')) {
    if (part === '' || part === '.') continue;
    if (part === '..') {
      if (parts.length === 0) return null;
      parts.pop();
    } else parts.push(part);
  }
  return parts.length ? parts.join('/') : null;
}

export const dirName = (path) => (path.includes('/') ? path.slice(0, path.lastIndexOf('/')) : '');

// The project files a root reaches through its imports, itself first. Only a
// guess for the page (which file to check on its own); the compiler decides.
export function reachableFiles(files, root) {
  const seen = new Set();
  const queue = [root];
  while (queue.length) {
    const path = queue.shift();
    if (seen.has(path) || !(path in files)) continue;
    seen.add(path);
    for (const match of files[path].matchAll(/^\s*import\s*[A-Za-z_][0-9A-Za-z_]*\s*"([^"]*)"/gm)) {
      const target = match[1].startsWith('/') ? normalizePath(match[1]) : normalizePath(`${dirName(path)}/${match[1]}`);
      if (target) queue.push(target);
    }
  }
  return seen;
}

// A diagnostic's file as the compiler prints it, back to a project path.
export function projectPathOf(files, printed) {
  if (printed === undefined || printed === null || printed.startsWith('<builtin>/')) return null;
  const path = normalizePath(printed);
  if (path !== null && path in files) return path;
  // An absolute path inside the compiler's folder: the longest project path it ends with.
  let best = null;
  for (const candidate of Object.keys(files)) {
    if ((printed === candidate || printed.endsWith(`/${candidate}`)) && (!best || candidate.length > best.length)) best = candidate;
  }
  return best;
}

// The diagnostics on standard error, with their spans, and the stage failure
// if any: the JSON document that --diagnostics-format=json writes as the last
// line (after the simulator's trace). Anything else there, such as a usage
// error, is kept as text.
export function readDiagnostics(stderr) {
  const lines = stderr.split('\n');
  while (lines.length && lines.at(-1) === '') lines.pop();
  const last = lines.at(-1) ?? '';
  let document = null;
  if (last.startsWith('{')) {
    try {
      document = JSON.parse(last);
    } catch {
      document = null;
    }
  }
  if (!document) return { diagnostics: [], failure: null, text: lines.filter((line) => !line.startsWith('info(log): ')).join('\n') };
  const span = (s) => ({ startLine: s.start.line, startCol: s.start.column, endLine: s.end.line, endCol: s.end.column });
  const diagnostics = (document.diagnostics ?? []).map((d) => ({
    file: d.file,
    code: d.code,
    level: d.level,
    message: d.message,
    span: span(d.span),
    notes: (d.notes ?? []).map((note) => ({ file: note.file, message: note.message, span: span(note.span) })),
  }));
  return { diagnostics, failure: document.failure ?? null, text: '' };
}

// A stage failure as its text line reads, with the place the grammar could
// not read where there is one.
export function failureText(failure) {
  if (!failure) return '';
  const where = failure.location;
  const at = where ? ` (${where.file}:${where.line}:${where.column}${where.message ? `: ${where.message}` : ''})` : '';
  return `${failure.stage}: ${failure.error}${at}`;
}

// A 1-based line and byte column to an offset into the text (UTF-16 units),
// clamped to the line; columns past the end land at the line's end.
export function offsetOf(text, line, byteCol) {
  let offset = 0;
  for (let l = 1; l < line; l++) {
    const next = text.indexOf('\n', offset);
    if (next < 0) return text.length;
    offset = next + 1;
  }
  let end = text.indexOf('\n', offset);
  if (end < 0) end = text.length;
  let bytes = 1;
  let i = offset;
  while (i < end && bytes < byteCol) {
    const code = text.codePointAt(i);
    bytes += code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
    i += code >= 0x10000 ? 2 : 1;
  }
  return i;
}

export { ansiRuns } from '../ansi.mjs';

// The whole project in a URL fragment: JSON, deflated, base64url.
async function pipe(bytes, stream) {
  return new Uint8Array(await new Response(new Blob([bytes]).stream().pipeThrough(stream)).arrayBuffer());
}

export async function encodeShare(project) {
  const json = JSON.stringify({ v: 1, files: project.files, root: project.root, active: project.active });
  const packed = await pipe(new TextEncoder().encode(json), new CompressionStream('deflate-raw'));
  let binary = '';
  for (let i = 0; i < packed.length; i += 0x8000) binary += String.fromCharCode(...packed.subarray(i, i + 0x8000));
  return btoa(binary).replaceAll('+', '-').replaceAll('/', '_').replace(/=+$/, '');
}

export async function decodeShare(encoded) {
  const binary = atob(encoded.replaceAll('-', '+').replaceAll('_', '/'));
  const bytes = Uint8Array.from(binary, (c) => c.charCodeAt(0));
  const json = new TextDecoder().decode(await pipe(bytes, new DecompressionStream('deflate-raw')));
  return checkProject(JSON.parse(json));
}

// A project read from storage or a link: only text files under valid paths;
// null when nothing usable is left.
export function checkProject(value) {
  if (!value || typeof value.files !== 'object' || value.files === null) return null;
  const files = {};
  for (const [path, text] of Object.entries(value.files)) {
    const clean = normalizePath(path);
    if (clean && typeof text === 'string') files[clean] = text;
  }
  const paths = Object.keys(files);
  if (!paths.length) return null;
  const pick = (path) => (typeof path === 'string' && normalizePath(path) in files ? normalizePath(path) : paths[0]);
  return { files, root: pick(value.root), active: pick(value.active) };
}

// The project as HTML for any page: the module that defines <vorn-circuit>
// (at `moduleUrl`) and the element with every file inline, the root first.
// Every script carries its path, so relative imports hold. A source cannot
// hold "</script" inside a script element; its "/" is escaped there, which
// only a comment or a mistake can contain.
export function pageSnippet(project, moduleUrl) {
  const attribute = (text) => text.replaceAll('&', '&amp;').replaceAll('"', '&quot;').replaceAll('<', '&lt;');
  const paths = [project.root, ...Object.keys(project.files).sort().filter((path) => path !== project.root)];
  const scripts = paths.map((path) => {
    const text = project.files[path].replace(/<\/(script)/gi, '<\\/$1');
    const body = text.endsWith('\n') || text === '' ? text : `${text}\n`;
    return `  <script type="text/vorn" data-path="${attribute(path)}">\n${body}</script>\n`;
  });
  return `<script type="module" src="${attribute(moduleUrl)}"></script>\n<vorn-circuit>\n${scripts.join('')}</vorn-circuit>\n`;
}
