// Builds a truth table, or runs a test table, away from the page's thread:
// wide or oscillating circuits take seconds, and the lamps must stay live
// meanwhile.
import { loadCircuit } from './circuit.mjs';

self.addEventListener('message', async ({ data }) => {
  try {
    const circuit = await loadCircuit(data.bytes);
    if (data.test) self.postMessage({ report: circuit.test(data.test.text, data.test.name) });
    else self.postMessage({ table: circuit.truthTable() });
  } catch (error) {
    self.postMessage({ error: error.message });
  }
});
