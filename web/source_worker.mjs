// The compiler thread of <vorn-circuit> elements with .vorn sources: one per
// page, started by the first such element. Each request is a project and the
// argument lists to run on it in order; a failed run ends the request.
import { compile } from './compiler.mjs';

self.addEventListener('message', async ({ data: { id, files, runs } }) => {
  const results = [];
  try {
    for (const args of runs) {
      const result = await compile(files, args);
      results.push(result);
      if (result.status !== 0) break;
    }
  } catch (error) {
    self.postMessage({ id, error: String(error?.message ?? error) });
    return;
  }
  const transfer = new Set(results.flatMap((result) => Object.values(result.outputs).map((bytes) => bytes.buffer)));
  self.postMessage({ id, results }, [...transfer]);
});
