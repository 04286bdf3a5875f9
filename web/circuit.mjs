// Loads a WebAssembly module written by vorn-compile and drives its
// simulation: name-based pins, settling checks and truth tables.
import {
  COMPACT_SECTION, FULL_SECTION, KIND_NAMES, TopologyError, decodeCompactTopology, decodeFullTopology,
} from './topology.mjs';
import { parseTestTable, testReport } from './test_table.mjs';

const RUNTIME_EXPORTS = ['memory', 'topology_alloc', 'init', 'run', 'setPin', 'getOutputState'];
const NO_ADDRESS = 0xFFFFFFFF;
const UNDEFINED = 2;
export const MAX_TRUTH_TABLE_INPUTS = 16;

function notACircuit(reason) {
  return new Error(`not a compiled circuit: ${reason}`);
}

const inNode = typeof process !== 'undefined' && typeof process.versions?.node === 'string'
  && typeof window === 'undefined';

// In Node.js a path or a file: URL names a file to read; fetch() takes
// neither.
async function nodeFileBytes(source) {
  if (!inNode) return null;
  const text = String(source);
  let path = null;
  if (source instanceof URL || /^file:/i.test(text)) {
    if (!/^file:/i.test(text)) return null;
    const { fileURLToPath } = await import('node:url');
    path = fileURLToPath(text);
  } else if (!/^[a-z][a-z0-9+.-]*:\/\//i.test(text)) {
    path = text;
  }
  if (path === null) return null;
  const { readFile } = await import('node:fs/promises');
  try {
    return new Uint8Array(await readFile(path));
  } catch (error) {
    throw new Error(`could not read ${path}: ${error.message}`);
  }
}

async function sourceBytes(source) {
  if (typeof source === 'string' || source instanceof URL) {
    const file = await nodeFileBytes(source);
    if (file) return file;
    let response;
    try {
      response = await fetch(source);
    } catch (error) {
      throw new Error(`could not fetch ${source}: ${error.message}`);
    }
    return sourceBytes(response);
  }
  if (typeof Response !== 'undefined' && source instanceof Response) {
    if (!source.ok) throw new Error(`could not fetch ${source.url || 'the circuit'}: HTTP ${source.status} ${source.statusText}`.trim());
    return new Uint8Array(await source.arrayBuffer());
  }
  if (source instanceof ArrayBuffer) return new Uint8Array(source);
  if (ArrayBuffer.isView(source)) return new Uint8Array(source.buffer, source.byteOffset, source.byteLength);
  throw new TypeError('loadCircuit expects bytes (ArrayBuffer, Uint8Array, Buffer), a Response or a URL');
}

async function compileArtifact(bytes) {
  if (bytes.length === 0) throw notACircuit('the file is empty');
  const wasmMagic = [0x00, 0x61, 0x73, 0x6d];
  if (bytes.length < 8 || wasmMagic.some((byte, i) => bytes[i] !== byte)) {
    throw notACircuit('the file is not a WebAssembly module');
  }
  let module;
  try {
    module = await WebAssembly.compile(bytes);
  } catch (error) {
    // Mostly a file cut short in transfer; the engine's words go in detail.
    const damaged = notACircuit('the file is incomplete or damaged; compile it again');
    damaged.detail = `the WebAssembly module is invalid (${error.message})`;
    throw damaged;
  }
  const exported = new Set(WebAssembly.Module.exports(module).map((entry) => entry.name));
  const missing = RUNTIME_EXPORTS.filter((name) => !exported.has(name));
  if (missing.length > 0) throw notACircuit(`the module lacks the simulator's exports (${missing.join(', ')})`);
  const section = (name) => {
    const found = WebAssembly.Module.customSections(module, name);
    if (found.length === 0) throw notACircuit(`the module has no "${name}" section`);
    return new Uint8Array(found[0]);
  };
  return { module, compact: section(COMPACT_SECTION), full: section(FULL_SECTION) };
}

// Both sections describe the same records in the same order; the runtime
// addresses components by their position in that order.
function checkSectionsAgree(compact, components) {
  if (compact.ids.length !== components.length) {
    throw notACircuit(`the topology sections disagree: ${compact.ids.length} components in "${COMPACT_SECTION}", ${components.length} in "${FULL_SECTION}"`);
  }
  components.forEach((record, i) => {
    if (record.id !== compact.ids[i] || record.kind !== KIND_NAMES[compact.kinds[i]]) {
      throw notACircuit(`the topology sections disagree at component record ${i}`);
    }
  });
}

// One instance of the runtime with the compact topology loaded. `activity`
// counts the runtime's log sites: it asks the host whether to log at every
// state change it applies, so an unchanged count across a run means nothing
// was pending, which is how the host tells a settled circuit from one the
// runtime gave up on.
// The trace line of an applied state change; its format is fixed.
const UPDATING = /\[Time: (\d+)\] Updating component id=(\d+) to (low|high|undefined)\b/;
const STATE_VALUES = { low: 0, high: 1, undefined: null };

class Simulation {
  constructor(module, compact, trace) {
    this.activity = 0;
    this.trace = trace;
    // While an array, each applied change is added to it as { time, id, value }.
    this.changes = null;
    const decoder = new TextDecoder();
    const instance = new WebAssembly.Instance(module, {
      env: {
        debugEnabled: () => {
          this.activity++;
          return this.trace || this.changes ? 1 : 0;
        },
        onDebugLog: (ptr, len) => {
          const line = decoder.decode(new Uint8Array(this.runtime.memory.buffer, ptr >>> 0, len >>> 0));
          if (this.changes) {
            const match = UPDATING.exec(line);
            if (match) this.changes.push({ time: Number(match[1]), id: Number(match[2]), value: STATE_VALUES[match[3]] });
          }
          if (this.trace) this.trace(line);
        },
      },
    });
    this.runtime = instance.exports;
    const ptr = this.runtime.topology_alloc(compact.length) >>> 0;
    if (ptr === NO_ADDRESS) throw new Error('the simulator could not allocate memory for the circuit');
    new Uint8Array(this.runtime.memory.buffer, ptr, compact.length).set(compact);
    this.runtime.init();
  }

  // Resumes whatever the runtime left pending; true once a run finds
  // nothing left to do.
  settle() {
    for (let round = 0; round < 2; round++) {
      const before = this.activity;
      this.runtime.run();
      if (this.activity === before) return true;
    }
    return false;
  }

  drive(index, bit) {
    this.runtime.setPin(index, bit);
  }

  read(index) {
    const state = this.runtime.getOutputState(index);
    return state === UNDEFINED ? null : state;
  }
}

function pinTable(components, kind) {
  const pins = new Map();
  components.forEach((record, index) => {
    if (record.kind === kind && record.origin.length === 0 && !pins.has(record.name)) pins.set(record.name, index);
  });
  return pins;
}

function bitOf(value, name) {
  if (value === 0 || value === false) return 0;
  if (value === 1 || value === true) return 1;
  throw new TypeError(`input '${name}' takes 0, 1, false or true, not ${JSON.stringify(value) ?? String(value)}`);
}

const quoted = (names) => (names.length ? names.map((n) => `'${n}'`).join(', ') : 'none');

// A component's name with the instances it sits in: "h1.c".
function pathOf(record) {
  return [...record.origin.map((frame) => frame.alias), record.name].join('.');
}

class Circuit {
  #module;
  #compact;
  #simulation;
  #inputs;
  #outputs;
  #changes = [];
  #byId = null;

  constructor(module, compact, components, connections, trace) {
    this.#module = module;
    this.#compact = compact;
    this.#inputs = pinTable(components, 'input_pin');
    this.#outputs = pinTable(components, 'output_pin');
    this.#simulation = new Simulation(module, compact, trace);
    // Driving an input already applies changes; they belong to the next run().
    this.#simulation.changes = [];
    this.components = components;
    this.connections = connections;
    this.inputs = Object.freeze([...this.#inputs.keys()]);
    this.outputs = Object.freeze([...this.#outputs.keys()]);
    Object.freeze(this);
  }

  // The function receiving the runtime's trace lines, or null for none.
  get trace() { return this.#simulation.trace; }
  set trace(fn) { this.#simulation.trace = typeof fn === 'function' ? fn : null; }

  #inputIndex(name) {
    const index = this.#inputs.get(name);
    if (index === undefined) throw new Error(`no input named '${name}' (inputs: ${quoted(this.inputs)})`);
    return index;
  }

  set(name, value) {
    const index = this.#inputIndex(name);
    this.#simulation.drive(index, bitOf(value, name));
  }

  run() {
    const simulation = this.#simulation;
    try {
      return simulation.settle();
    } finally {
      this.#changes = simulation.changes;
      simulation.changes = [];
    }
  }

  // The value changes of the last run() (and of the set() calls before it),
  // in the order they were applied:
  // { time (engine units), name (instance path, e.g. "h1.c"), kind, value
  // (0, 1 or null for undefined) }. Unnamed components are left out.
  timing() {
    if (!this.#byId) {
      this.#byId = new Map();
      for (const record of this.components) {
        if (record.name !== '' && !this.#byId.has(record.id)) this.#byId.set(record.id, record);
      }
    }
    const changes = [];
    for (const { time, id, value } of this.#changes) {
      const record = this.#byId.get(id);
      if (record) changes.push({ time, name: pathOf(record), kind: record.kind, value, top: record.origin.length === 0 });
    }
    return changes;
  }

  get(name) {
    const index = this.#inputs.get(name) ?? this.#outputs.get(name);
    if (index === undefined) {
      throw new Error(`no pin named '${name}' (inputs: ${quoted(this.inputs)}; outputs: ${quoted(this.outputs)})`);
    }
    return this.#simulation.read(index);
  }

  // The present output of every component record, by record index: what
  // the schematic colours its wires with.
  states() {
    const states = new Array(this.components.length);
    for (let i = 0; i < states.length; i++) states[i] = this.#simulation.read(i);
    return states;
  }

  apply(values) {
    // Checked first, so a bad name or value changes nothing.
    const drives = Object.entries(values).map(([name, value]) => [this.#inputIndex(name), bitOf(value, name)]);
    for (const [index, bit] of drives) this.#simulation.drive(index, bit);
    if (!this.run()) throw new Error('the circuit did not settle (a loop keeps oscillating)');
    const result = {};
    for (const [name, index] of this.#outputs) result[name] = this.#simulation.read(index);
    return result;
  }

  // Every input combination on a fresh copy of the circuit, first input as
  // the least significant bit, each input settled before the next and no
  // reset between rows: the same table as the compiler's --truth-table.
  truthTable() {
    const inputs = [...this.#inputs.values()];
    const outputs = [...this.#outputs.values()];
    if (inputs.length > MAX_TRUTH_TABLE_INPUTS) {
      throw new Error(`a truth table takes at most ${MAX_TRUTH_TABLE_INPUTS} inputs; this circuit has ${inputs.length}`);
    }
    if (outputs.length === 0) throw new Error('the circuit has no outputs');
    const fresh = new Simulation(this.#module, this.#compact, null);
    const rows = [];
    for (let row = 0; row < 2 ** inputs.length; row++) {
      const bits = inputs.map((_, i) => (row >> i) & 1);
      inputs.forEach((index, i) => {
        fresh.drive(index, bits[i]);
        if (!fresh.settle()) throw new Error(`the circuit did not settle at row ${row} (a loop keeps oscillating)`);
      });
      rows.push({ in: bits, out: outputs.map((index) => fresh.read(index)) });
    }
    return { inputs: [...this.inputs], outputs: [...this.outputs], rows };
  }

  // Runs a test table (the text of a Markdown or CSV table) on a fresh copy
  // of the circuit, row after row as truthTable() does, and returns the
  // report that `vorn-compile FILE --test TABLE --format=json` prints.
  test(tableText, name = 'table') {
    if (typeof tableText !== 'string') throw new TypeError('test expects the text of a table');
    const table = parseTestTable(tableText, this.inputs, this.outputs, name);
    const inputs = [...this.#inputs.values()];
    const outputs = table.outputs.map((column) => this.#outputs.get(column.name));
    const fresh = new Simulation(this.#module, this.#compact, null);
    const results = table.rows.map((row) => {
      let settled = true;
      inputs.forEach((index, i) => {
        fresh.drive(index, row.bits[i]);
        // An oscillating input fails the row; the rest is still driven.
        if (!fresh.settle()) settled = false;
      });
      return { settled, got: outputs.map((index) => fresh.read(index)) };
    });
    return testReport(name, table, this.inputs, results);
  }
}

export async function loadCircuit(source, options = {}) {
  const trace = options.trace ?? null;
  if (trace !== null && typeof trace !== 'function') throw new TypeError('options.trace must be a function');
  const { module, compact, full } = await compileArtifact(await sourceBytes(source));
  let records;
  let components;
  let connections;
  try {
    records = decodeCompactTopology(compact);
    ({ components, connections } = decodeFullTopology(full));
  } catch (error) {
    if (error instanceof TopologyError) throw notACircuit(error.message);
    throw error;
  }
  checkSectionsAgree(records, components);
  return new Circuit(module, compact, components, connections, trace);
}
