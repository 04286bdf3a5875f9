#!/usr/bin/env node
// Runs a WebAssembly module written by vorn-compile.
//
//   node run-artifact.mjs circuit.wasm              every input vector, one line each
//   node run-artifact.mjs circuit.wasm a=1 b=0      drive the named inputs in order
//   node run-artifact.mjs circuit.wasm --debug ...  also print the runtime's trace lines
//
// The module carries its circuit twice: the compact topology that the runtime
// simulates ("vorn.topology.v0.min") and the full one with names
// ("vorn.topology.v0.full"), from which the top-level pins are taken.
import { readFileSync } from 'node:fs';
import { pathToFileURL } from 'node:url';

const LOW = 0, HIGH = 1;
const INPUT_PIN = 0, OUTPUT_PIN = 5;
const MAX_VECTOR_INPUTS = 16;

function usage(message) {
  if (message) process.stderr.write(`run-artifact: ${message}\n`);
  process.stderr.write('usage: node run-artifact.mjs <module.wasm> [--debug] [name=0|1 ...]\n');
  process.exit(2);
}

// Decodes the full topology: "VORF", version 1, component records with
// names and origin frames, then connection records.
export function decodeFullTopology(bytes) {
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  let at = 0;
  const need = (count) => {
    if (at + count > bytes.length) throw new Error('full topology is truncated');
  };
  const u8 = () => { need(1); return view.getUint8(at++); };
  const u32 = () => { need(4); const value = view.getUint32(at, true); at += 4; return value; };
  const text = () => {
    const length = u32();
    need(length);
    const value = new TextDecoder().decode(bytes.subarray(at, at + length));
    at += length;
    return value;
  };
  need(5);
  const magic = String.fromCharCode(...bytes.subarray(0, 4));
  at = 4;
  if (magic !== 'VORF') throw new Error('full topology has a bad magic');
  const version = u8();
  if (version !== 1) throw new Error(`unsupported full topology version ${version}`);
  const components = [];
  for (let count = u32(); count > 0; count--) {
    const id = u32();
    const kind = u8();
    const name = text();
    const origin = [];
    for (let frames = u32(); frames > 0; frames--) {
      origin.push({ alias: text(), subcircuit: text(), targetFile: u32() });
    }
    components.push({ id, kind, name, origin });
  }
  const connections = [];
  for (let count = u32(); count > 0; count--) {
    connections.push({ from: u32(), to: u32(), port: u8() });
  }
  return { components, connections };
}

export function loadArtifact(bytes, { debug = false, log = (line) => process.stderr.write(`${line}\n`) } = {}) {
  const module = new WebAssembly.Module(bytes);
  const section = (name) => {
    const found = WebAssembly.Module.customSections(module, name);
    if (found.length === 0) throw new Error(`the module has no "${name}" section`);
    return new Uint8Array(found[0]);
  };
  const compact = section('vorn.topology.v0.min');
  const full = decodeFullTopology(section('vorn.topology.v0.full'));

  let memory = null;
  const decoder = new TextDecoder();
  const instance = new WebAssembly.Instance(module, {
    env: {
      debugEnabled: () => (debug ? 1 : 0),
      onDebugLog: (ptr, len) => log(decoder.decode(new Uint8Array(memory.buffer, ptr >>> 0, len >>> 0))),
    },
  });
  const runtime = instance.exports;
  memory = runtime.memory;
  const ptr = runtime.topology_alloc(compact.length) >>> 0;
  if (ptr === 0xFFFFFFFF) throw new Error('the runtime could not allocate the topology');
  new Uint8Array(memory.buffer, ptr, compact.length).set(compact);
  runtime.init();

  // Top-level pins are the pin records outside every sub-circuit instance;
  // the runtime addresses components by record position, which equals the id.
  const topLevel = full.components.filter((c) => c.origin.length === 0);
  const inputs = topLevel.filter((c) => c.kind === INPUT_PIN);
  const outputs = topLevel.filter((c) => c.kind === OUTPUT_PIN);
  return { runtime, full, inputs, outputs };
}

export function cell(state) {
  return state === LOW ? '0' : state === HIGH ? '1' : '?';
}

function main(argv) {
  const args = argv.slice(2);
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

  const { runtime, inputs, outputs } = loadArtifact(readFileSync(path), { debug });
  const outputText = () => outputs.map((pin) => `${pin.name}=${cell(runtime.getOutputState(pin.id))}`).join(' ');

  if (assignments.length > 0) {
    for (const [name, value] of assignments) {
      const pin = inputs.find((p) => p.name === name);
      if (!pin) usage(`no top-level input named '${name}' (inputs: ${inputs.map((p) => p.name).join(', ') || 'none'})`);
      runtime.setPin(pin.id, value);
    }
    runtime.run();
    process.stdout.write(`${outputText()}\n`);
    return;
  }

  // Every vector, first input as the least significant bit. The circuit is
  // not reset between rows, as in the compiler's truth tables.
  if (inputs.length > MAX_VECTOR_INPUTS) usage(`${inputs.length} inputs are too many to enumerate; name the values`);
  for (let row = 0; row < 2 ** inputs.length; row++) {
    inputs.forEach((pin, i) => runtime.setPin(pin.id, (row >> i) & 1));
    runtime.run();
    const inputText = inputs.map((pin, i) => `${pin.name}=${(row >> i) & 1}`).join(' ');
    process.stdout.write(`${inputText}${inputText ? ' ' : ''}-> ${outputText()}\n`);
  }
}

if (process.argv[1] && import.meta.url === pathToFileURL(process.argv[1]).href) {
  try {
    main(process.argv);
  } catch (error) {
    process.stderr.write(`run-artifact: ${error.message}\n`);
    process.exit(1);
  }
}
