// The playground's compiler thread: runs vorn-compile (WebAssembly) on the
// project so that typing never waits for it. Each request lists its runs in
// the order the page wants them; a newer request makes the rest of an older
// one moot, so between runs the worker looks at its mail first.
import { compile } from './compiler.mjs';

let latest = 0;

const nextTurn = () => new Promise((resolve) => setTimeout(resolve, 0));

self.addEventListener('message', async ({ data }) => {
  if (data.id > latest) latest = data.id;
  for (const run of data.runs) {
    await nextTurn();
    if (data.id !== latest && !data.keep) return;
    const started = performance.now();
    let reply;
    try {
      const result = await compile(data.files, run.args);
      reply = { id: data.id, name: run.name, result, ms: performance.now() - started };
    } catch (error) {
      reply = { id: data.id, name: run.name, error: String(error?.message ?? error) };
    }
    const transfer = new Set(Object.values(reply.result?.outputs ?? {}).map((bytes) => bytes.buffer));
    self.postMessage(reply, [...transfer]);
  }
  self.postMessage({ id: data.id, done: true });
});
