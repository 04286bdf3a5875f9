// The playground's compiler thread: runs vorn-compile (WebAssembly) on the
// project so that typing never waits for it. Each request lists its runs in
// the order the page wants them (a run with `ifFailed` only when that earlier
// run failed); a newer request makes the rest of an older one moot, so between
// runs the worker looks at its mail first. Requests marked `keep` (a
// download) run to the end and leave the others alone. A run marked
// `analysis` comes back parsed, as `result.analysis`.
import { compile } from './compiler.mjs';

let latest = 0;

// An analysis (--analyze --format=json) as the page's Analysis panel needs
// it, parsed here rather than on the page's thread: wide outputs run to
// megabytes, mostly literal lists that only their maps' legends read.
function analysisView(stdout) {
  const analysis = JSON.parse(stdout);
  for (const output of analysis.outputs) {
    for (const form of [output.sop, output.pos]) {
      if (!form) continue;
      delete form.plain;
      form.count = (form.terms ?? form.clauses).length;
      if (!output.kmap) {
        delete form.terms;
        delete form.clauses;
      }
    }
  }
  return analysis;
}

const nextTurn = () => new Promise((resolve) => setTimeout(resolve, 0));

self.addEventListener('message', async ({ data }) => {
  if (!data.keep && data.id > latest) latest = data.id;
  const failed = new Set();
  for (const run of data.runs) {
    if (run.ifFailed && !failed.has(run.ifFailed)) continue;
    await nextTurn();
    if (data.id !== latest && !data.keep) return;
    const started = performance.now();
    let reply;
    try {
      const result = await compile(data.files, run.args);
      if (run.analysis && result.status === 0) {
        result.analysis = analysisView(result.stdout);
        result.stdout = '';
      }
      reply = { id: data.id, name: run.name, result, ms: performance.now() - started };
    } catch (error) {
      reply = { id: data.id, name: run.name, error: String(error?.message ?? error) };
    }
    if (reply.error || reply.result.status !== 0) failed.add(run.name);
    const transfer = new Set(Object.values(reply.result?.outputs ?? {}).map((bytes) => bytes.buffer));
    self.postMessage(reply, [...transfer]);
  }
  self.postMessage({ id: data.id, done: true });
});
