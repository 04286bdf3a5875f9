// A loop through gates that oscillates must not hang the host: setPin and run
// return once the engine's settling budget is spent, and breaking the loop
// from outside settles it again. The module runs in a worker so that a
// regression fails on a deadline instead of blocking the test run.
import test from 'node:test';
import assert from 'node:assert/strict';
import { Worker, isMainThread, parentPort, workerData } from 'node:worker_threads';
import { loadRuntimeBytes, instantiate, loadTopology, compactTopology, Kind, Port } from './harness.mjs';

const LOW = 0, HIGH = 1;

// en -> and.a; not -> and.b; and -> not; not -> out  (ids 0..3)
function driveRing(runtime) {
  const ring = compactTopology(
    [[0, Kind.input_pin], [1, Kind.and_gate], [2, Kind.not_gate], [3, Kind.output_pin]],
    [[0, 1, Port.a], [2, 1, Port.b], [1, 2, Port.in], [2, 3, Port.in]],
  );
  const { exports } = instantiate(runtime);
  loadTopology(exports, ring);
  const states = () => [1, 2, 3].map((id) => exports.getOutputState(id));
  exports.setPin(0, LOW);
  const settled = states();
  exports.setPin(0, HIGH);  // toggles for ever without the budget
  exports.run();            // resumes the pending events, and stops again
  const oscillating = states();
  exports.setPin(0, LOW);   // forces the AND gate low
  exports.run();
  return { settled, oscillating, broken: states() };
}

if (!isMainThread) {
  parentPort.postMessage(driveRing(workerData));
} else {
  test('an enabled ring oscillator returns control to the host', async () => {
    const worker = new Worker(new URL(import.meta.url), { workerData: loadRuntimeBytes(), argv: process.argv.slice(2) });
    let timer;
    const result = await Promise.race([
      new Promise((done, failed) => { worker.once('message', done); worker.once('error', failed); }),
      new Promise((done) => { timer = setTimeout(() => done(null), 20000); }),
    ]);
    clearTimeout(timer);
    await worker.terminate();
    assert.ok(result, 'setPin and run did not return within 20 s');
    // and low, not high, output high
    assert.deepEqual(result.settled, [LOW, HIGH, HIGH]);
    for (const state of result.oscillating) assert.ok([LOW, HIGH].includes(state));
    assert.deepEqual(result.broken, [LOW, HIGH, HIGH]);
  });
}
