// vorn: run circuits compiled by vorn-compile in a browser or in Node.js.
// Importing this module in a browser also defines the <vorn-circuit> element.
export { loadCircuit, MAX_TRUTH_TABLE_INPUTS } from './circuit.mjs';
export { decodeCompactTopology, decodeFullTopology, COMPACT_SECTION, FULL_SECTION } from './topology.mjs';
export { toCsv, toMarkdown } from './table_text.mjs';
export { TableError } from './test_table.mjs';
import './element.mjs';
