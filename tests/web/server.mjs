// A static file server on 127.0.0.1 for the browser tests: each mount maps a
// URL prefix to a folder. Only GET and HEAD, no directory listings, and no
// path may leave its folder.
import { createServer } from 'node:http';
import { readFile } from 'node:fs/promises';
import { extname, join, normalize, sep } from 'node:path';

const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.json': 'application/json',
  '.wasm': 'application/wasm',
  '.txt': 'text/plain; charset=utf-8',
};

// mounts: { '/': '/path/to/web', '/artifacts/': '/path/to/artifacts' }; a
// mount may list several folders, searched in order (built files beside
// the sources).
export async function startServer(mounts) {
  const prefixes = Object.keys(mounts).sort((a, b) => b.length - a.length);
  const server = createServer(async (request, response) => {
    const send = (status, body, type = 'text/plain; charset=utf-8') => {
      response.writeHead(status, { 'content-type': type, 'cache-control': 'no-store' });
      response.end(request.method === 'HEAD' ? undefined : body);
    };
    if (request.method !== 'GET' && request.method !== 'HEAD') return send(405, 'method not allowed\n');
    let path;
    try {
      path = decodeURIComponent(new URL(request.url, 'http://127.0.0.1').pathname);
    } catch {
      return send(400, 'bad path\n');
    }
    if (path.endsWith('/')) path += 'index.html';
    const prefix = prefixes.find((p) => path.startsWith(p));
    if (!prefix) return send(404, 'not found\n');
    for (const root of [mounts[prefix]].flat()) {
      const file = normalize(join(root, path.slice(prefix.length)));
      if (file !== root && !file.startsWith(root.endsWith(sep) ? root : root + sep)) return send(403, 'forbidden\n');
      let body;
      try {
        body = await readFile(file);
      } catch {
        continue;
      }
      return send(200, body, TYPES[extname(file)] ?? 'application/octet-stream');
    }
    send(404, 'not found\n');
  });
  await new Promise((done) => server.listen(0, '127.0.0.1', done));
  return { url: `http://127.0.0.1:${server.address().port}`, close: () => new Promise((done) => server.close(done)) };
}

// Headless Chromium from the system, launched as every browser test does:
// no sandbox (containers), and none of the browser's own network traffic.
export function launchChromium(chromium, executablePath) {
  return chromium.launch({
    executablePath,
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync'],
  });
}
