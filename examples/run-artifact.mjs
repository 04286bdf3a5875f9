#!/usr/bin/env node
// Runs a WebAssembly module written by vorn-compile, through the host
// module web/vorn.mjs.
//
//   node run-artifact.mjs circuit.wasm              every input vector, one line each
//   node run-artifact.mjs circuit.wasm a=1 b=0      drive the named inputs in order
//   node run-artifact.mjs circuit.wasm --debug ...  also print the runtime's trace lines
//
// A circuit that does not settle (a loop that keeps oscillating) is reported
// on standard error, and the run exits 1.
import { readFileSync } from 'node:fs';
import { loadCircuit, MAX_TRUTH_TABLE_INPUTS } from '../web/vorn.mjs';

function usage(message) {
  if (message) process.stderr.write(`run-artifact: ${message}\n`);
  process.stderr.write('usage: node run-artifact.mjs <module.wasm> [--debug] [name=0|1 ...]\n');
  process.exit(2);
}

// A loop that keeps oscillating has no outputs to print: the rows so far
// stand, and the run fails.
function notSettled(inputText) {
  throw new Error(`the circuit did not settle${inputText ? ` at ${inputText}` : ''} (a loop keeps oscillating)`);
}

const cell = (value) => (value === null ? '?' : String(value));

async function main(args) {
  const path = args.shift();
  if (!path || path.startsWith('-')) usage();
  let debug = false;
  const assignments = [];
  for (const arg of args) {
    if (arg === '--debug') { debug = true; continue; }
    const match = /^([^=]+)=([01])$/.exec(arg);
    if (!match) usage(`expected name=0 or name=1, got '${arg}'`);
    assignments.push([match[1], Number(match[2])]);
  }

  const trace = debug ? (line) => process.stderr.write(`${line}\n`) : undefined;
  const circuit = await loadCircuit(readFileSync(path), { trace });
  const outputText = () => circuit.outputs.map((name) => `${name}=${cell(circuit.get(name))}`).join(' ');

  if (assignments.length > 0) {
    for (const [name] of assignments) {
      if (!circuit.inputs.includes(name)) {
        usage(`no top-level input named '${name}' (inputs: ${circuit.inputs.join(', ') || 'none'})`);
      }
    }
    for (const [name, value] of assignments) circuit.set(name, value);
    if (!circuit.run()) notSettled(assignments.map(([name, value]) => `${name}=${value}`).join(' '));
    process.stdout.write(`${outputText()}\n`);
    return;
  }

  // Every vector, first input as the least significant bit. As in the
  // compiler's truth tables, the circuit is not reset between rows and each
  // input settles before the next is applied.
  const { inputs } = circuit;
  if (inputs.length > MAX_TRUTH_TABLE_INPUTS) usage(`${inputs.length} inputs are too many to enumerate; name the values`);
  for (let row = 0; row < 2 ** inputs.length; row++) {
    const inputText = inputs.map((name, i) => `${name}=${(row >> i) & 1}`).join(' ');
    inputs.forEach((name, i) => {
      circuit.set(name, (row >> i) & 1);
      if (!circuit.run()) notSettled(inputText);
    });
    process.stdout.write(`${inputText}${inputText ? ' ' : ''}-> ${outputText()}\n`);
  }
}

main(process.argv.slice(2)).catch((error) => {
  process.stderr.write(`run-artifact: ${error.message}\n`);
  process.exit(1);
});
