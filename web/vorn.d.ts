// Types of vorn.mjs: circuits compiled by vorn-compile, in browsers and Node.js.

/** A pin's value: 0 (low), 1 (high) or null (never became defined). */
export type PinState = 0 | 1 | null;

export type ComponentKind = 'input_pin' | 'not_gate' | 'and_gate' | 'wire' | 'led' | 'output_pin';

/** One instance enclosing a component, outermost first. */
export interface OriginFrame {
  /** The instance's name in its parent file. */
  alias: string;
  /** The type it was instantiated as (the import alias, e.g. "xor"). */
  subcircuit: string;
  /** The compiler's id of the instantiated file. */
  targetFile: number;
}

/** A primitive of the flattened circuit. */
export interface ComponentRecord {
  id: number;
  kind: ComponentKind;
  /** Instance or pin name; empty when the source gave none. */
  name: string;
  /** Empty for components of the root file. */
  origin: OriginFrame[];
}

/** The object `vorn-compile file.vorn --truth-table --format=json` prints. */
export interface TruthTable {
  inputs: string[];
  outputs: string[];
  /** One row per input combination; the first input is the least significant bit. */
  rows: { in: (0 | 1)[]; out: PinState[] }[];
}

/** One row of a test report, in the order of the table. */
export interface TestRow {
  /** The row's line in the table text, from 1. */
  line: number;
  /** Every input of the circuit, in circuit order. */
  inputs: Record<string, 0 | 1>;
  /** The checked output cells (a `*` or empty cell is left out); null expects undefined. */
  expected: Record<string, PinState>;
  /** The value got for every output column of the table. */
  actual: Record<string, PinState>;
  ok: boolean;
  /** Null when the row passed; otherwise "did not settle" or e.g. "expected sum=1, got sum=0". */
  reason: string | null;
}

/** The object `vorn-compile file.vorn --test TABLE --format=json` prints. */
export interface TestReport {
  /** The table's name (the path, for the compiler). */
  table: string;
  passed: number;
  failed: number;
  rows: TestRow[];
}

/** A table that cannot be read; `message` is "NAME:LINE:COL: error: reason", as the compiler prints it. */
export class TableError extends Error {
  readonly line: number;
  /** In bytes, from 1. */
  readonly column: number;
  /** The message without its location. */
  readonly reason: string;
}

export interface LoadOptions {
  /** Receives each trace line of the simulator ("(wasm) [Time: 5] Updating ..."); tracing is off without it. */
  trace?: (line: string) => void;
}

export interface Circuit {
  /** Top-level input pin names, in truth-table order. */
  readonly inputs: readonly string[];
  /** Top-level output pin names, in truth-table order. */
  readonly outputs: readonly string[];
  /** Every record of the flattened circuit, for tools. */
  readonly components: readonly ComponentRecord[];
  /** Every connection of the flattened circuit: record indices `from` -> `to`, entering port `port` (0 in, 1 a, 2 b). */
  readonly connections: ConnectionRecords;
  /** The present output of every component record, by record index. */
  states(): PinState[];
  /** The trace receiver (the `trace` option); may be replaced, or set to null to stop tracing. */
  trace: ((line: string) => void) | null;
  /** Drives an input and propagates. Throws for an unknown input name or a value other than 0, 1, false, true. */
  set(name: string, value: 0 | 1 | boolean): void;
  /** Settles the circuit: true, or false when a loop keeps oscillating. State persists between calls. */
  run(): boolean;
  /** The value of a top-level input or output pin. Throws for an unknown name. */
  get(name: string): PinState;
  /** Sets the given inputs, runs, and returns every output. Throws if the circuit does not settle. */
  apply(values: Record<string, 0 | 1 | boolean>): Record<string, PinState>;
  /** The compiler's JSON truth table, simulated on a fresh copy. Throws above 16 inputs, without outputs, or if it does not settle. */
  truthTable(): TruthTable;
  /**
   * Runs a test table (Markdown or CSV text, as the compiler's truth tables are printed) on a fresh copy,
   * row after row with state carried over, and returns the compiler's JSON report; any number of inputs.
   * `name` (default "table") is the report's `table` and starts error messages. Throws TableError for a malformed table.
   */
  test(tableText: string, name?: string): TestReport;
  /** The value changes of the last run() (and of the set() calls before it), in the order they were applied. */
  timing(): TimingChange[];
}

/** Connections as parallel arrays, one entry per connection. */
export interface ConnectionRecords {
  from: Uint32Array;
  to: Uint32Array;
  port: Uint8Array;
}

/** One change of a named component's output; `time` in engine units (gates 5, wires and pins 1). */
export interface TimingChange {
  time: number;
  /** The name with the instances it sits in, outermost first: "h1.c". */
  name: string;
  kind: ComponentRecord['kind'];
  value: PinState;
  /** True for a component of the root file. */
  top: boolean;
}

/**
 * Loads a compiled circuit from its bytes, a fetch Response, or a URL (fetched).
 * In Node.js a file path or a file: URL is read from disk.
 * Rejects with an Error saying why when the file is not a compiled circuit;
 * for a damaged file, `detail` holds the WebAssembly engine's own message.
 */
export function loadCircuit(
  source: ArrayBuffer | ArrayBufferView | Response | string | URL,
  options?: LoadOptions,
): Promise<Circuit>;

/** Truth tables take at most this many inputs (16). */
export const MAX_TRUTH_TABLE_INPUTS: number;

/** The custom-section names of the two topologies. */
export const COMPACT_SECTION: 'vorn.topology.v0.min';
export const FULL_SECTION: 'vorn.topology.v0.full';

/** Checks a compact topology ("VORN") and returns its record ids and kinds. Throws on malformed bytes. */
export function decodeCompactTopology(bytes: Uint8Array): { ids: Uint32Array; kinds: Uint8Array };
/** Decodes a full topology ("VORF"). Throws on malformed bytes. */
export function decodeFullTopology(bytes: Uint8Array): { components: ComponentRecord[]; connectionCount: number; connections: ConnectionRecords };

/** The compiler's CSV rendering of a truth table. */
export function toCsv(table: TruthTable): string;
/** The compiler's Markdown rendering of a truth table. */
export function toMarkdown(table: TruthTable): string;

/** Details of the events a <vorn-circuit> element fires. */
export interface VornCircuitChangeDetail {
  inputs: Record<string, PinState>;
  outputs: Record<string, PinState>;
  settled: boolean;
  /** With the `trace` attribute: the first lines of the last change's trace, and how many more there were. */
  trace: { lines: string[]; dropped: number } | null;
}

/** Detail of a <vorn-circuit> `error` event. */
export interface VornCircuitErrorDetail {
  message: string;
  detail: string | null;
  /** For a source with errors: the compiler's diagnostics, as it prints them. */
  diagnostics: string | null;
}

/**
 * <vorn-circuit src="circuit.wasm" [trace] [reset] [timing]>, defined when vorn.mjs is imported in a browser.
 * After every change it carries data-settled="true" or "false"; `reset` adds a Reset button; `timing` draws an
 * SVG timing diagram of the last change.
 * The circuit may also be .vorn source, compiled in the page: src="circuit.vorn" (with its imports, fetched
 * relative to it), or inline <script type="text/vorn" data-path="…"> children; `truth-table` and `schematic`
 * then add the truth table and the coloured --preview drawing below it.
 * `diagram` draws the circuit as a live SVG schematic (see schematic.d.ts) whose input symbols toggle too.
 */
export interface VornCircuitElement extends HTMLElement {
  src: string;
  /** The loaded circuit, or null while loading or after a failure. */
  readonly circuit: Circuit | null;
  /** Flips an input, as a click on its button does. */
  toggle(name: string): void;
  /** Sets the named inputs in one change; a bad name or value changes nothing. */
  setInputs(values: Record<string, 0 | 1 | boolean>): void;
  /** Sets every input low and settles again. */
  reset(): void;
}

declare global {
  interface HTMLElementTagNameMap {
    'vorn-circuit': VornCircuitElement;
  }
}
