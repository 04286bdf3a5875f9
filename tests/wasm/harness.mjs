// Shared helpers for the WebAssembly tests: locating the compiler and the
// runtime module, loading modules with a recording host, and building
// compact topologies by hand.
import { readFileSync, existsSync } from 'node:fs';
import { dirname, join } from 'node:path';
import {
  COMPACT_HEADER_SIZE, COMPONENT_RECORD_SIZE, CONNECTION_RECORD_SIZE, compactTopologySize,
} from '../../web/topology.mjs';

export const compilerPath = process.argv[2];

// The runtime module lies next to the compiler in the build directory;
// VORN_RUNTIME_WASM or a third argument override that.
export function runtimePath() {
  const candidates = [process.env.VORN_RUNTIME_WASM, process.argv[3]];
  if (compilerPath) candidates.push(join(dirname(compilerPath), 'vorn-runtime.wasm'));
  for (const candidate of candidates) {
    if (candidate && existsSync(candidate)) return candidate;
  }
  throw new Error('vorn-runtime.wasm not found: pass the compiler path or set VORN_RUNTIME_WASM');
}

export function loadRuntimeBytes() {
  return readFileSync(runtimePath());
}

// Instantiates a module with a host that records every log line. `debug` is
// the value returned by env.debugEnabled.
export function instantiate(bytes, { debug = 0 } = {}) {
  const lines = [];
  let memory = null;
  const decoder = new TextDecoder();
  const imports = {
    env: {
      debugEnabled: () => debug,
      onDebugLog: (ptr, len, type) => {
        lines.push({ text: decoder.decode(new Uint8Array(memory.buffer, ptr >>> 0, len >>> 0)), type });
      },
    },
  };
  const module = bytes instanceof WebAssembly.Module ? bytes : new WebAssembly.Module(bytes);
  const instance = new WebAssembly.Instance(module, imports);
  memory = instance.exports.memory;
  return { module, exports: instance.exports, lines };
}

// Hands a compact topology to the runtime and calls init.
export function loadTopology(exports, payload) {
  const ptr = exports.topology_alloc(payload.length) >>> 0;
  if (payload.length > 0 && ptr !== 0xFFFFFFFF) {
    new Uint8Array(exports.memory.buffer, ptr, payload.length).set(payload);
  }
  exports.init();
  return ptr;
}

export const Kind = { input_pin: 0, not_gate: 1, and_gate: 2, wire: 3, led: 4, output_pin: 5 };
export const Port = { in: 0, a: 1, b: 2, out: 3 };

// Compact topology: "VORN", version, counts, then 5-byte component and
// 9-byte connection records. The header counts can be overridden to make
// malformed payloads.
export function compactTopology(components, connections, { magic = 'VORN', version = 1, componentCount, connectionCount } = {}) {
  const bytes = Buffer.alloc(compactTopologySize(components.length, connections.length));
  bytes.write(magic, 0, 'latin1');
  bytes.writeUInt8(version, 4);
  bytes.writeUInt32LE(componentCount ?? components.length, 5);
  bytes.writeUInt32LE(connectionCount ?? connections.length, 9);
  let at = COMPACT_HEADER_SIZE;
  for (const [id, kind] of components) {
    bytes.writeUInt32LE(id, at);
    bytes.writeUInt8(kind, at + 4);
    at += COMPONENT_RECORD_SIZE;
  }
  for (const [from, to, port] of connections) {
    bytes.writeUInt32LE(from, at);
    bytes.writeUInt32LE(to, at + 4);
    bytes.writeUInt8(port, at + 8);
    at += CONNECTION_RECORD_SIZE;
  }
  return new Uint8Array(bytes);
}

// Reads an unsigned LEB128 number at `at`: [value, offset after it].
export function readLeb128(bytes, at) {
  let result = 0;
  let shift = 0;
  for (;;) {
    const byte = bytes[at++];
    result += (byte & 0x7f) * 2 ** shift;
    shift += 7;
    if ((byte & 0x80) === 0) return [result, at];
  }
}

// Reads the top-level sections of a module: [{ id, start, end, name? }].
export function sections(bytes) {
  const list = [];
  let at = 8;
  const leb = () => {
    const [value, next] = readLeb128(bytes, at);
    at = next;
    return value;
  };
  while (at < bytes.length) {
    const id = bytes[at++];
    const size = leb();
    const start = at;
    const entry = { id, start, end: start + size };
    if (id === 0) {
      const nameLength = leb();
      entry.name = Buffer.from(bytes.subarray(at, at + nameLength)).toString('latin1');
      entry.payloadStart = at + nameLength;
    }
    list.push(entry);
    at = start + size;
  }
  return list;
}

// Limits of the module's own memory (section 5): { initial, maximum }.
export function memoryLimits(bytes) {
  const section = sections(bytes).find((s) => s.id === 5);
  if (!section) return null;
  let at = section.start;
  const leb = () => {
    const [value, next] = readLeb128(bytes, at);
    at = next;
    return value;
  };
  const count = leb();
  if (count !== 1) return { count };
  const flags = leb();
  const initial = leb();
  const maximum = flags & 1 ? leb() : undefined;
  return { initial, maximum };
}

// Full topology: records { id, kind, name, origin: [{ alias, subcircuit, targetFile }] }.
export function fullTopology(components, connections) {
  const parts = [];
  const u8 = (v) => parts.push(Buffer.from([v]));
  const u32 = (v) => { const b = Buffer.alloc(4); b.writeUInt32LE(v); parts.push(b); };
  const str = (s) => { const b = Buffer.from(s, 'utf8'); u32(b.length); parts.push(b); };
  parts.push(Buffer.from('VORF', 'latin1'));
  u8(1);
  u32(components.length);
  for (const { id, kind, name, origin = [] } of components) {
    u32(id); u8(kind); str(name); u32(origin.length);
    for (const frame of origin) { str(frame.alias); str(frame.subcircuit); u32(frame.targetFile); }
  }
  u32(connections.length);
  for (const [from, to, port] of connections) { u32(from); u32(to); u8(port); }
  return new Uint8Array(Buffer.concat(parts));
}

export function leb128(value) {
  const out = [];
  do {
    let byte = value & 0x7f;
    value >>>= 7;
    if (value !== 0) byte |= 0x80;
    out.push(byte);
  } while (value !== 0);
  return out;
}

// The output module layout: runtime, then the two custom sections.
export function assembleArtifact(runtime, compact, full) {
  const section = (name, payload) => Buffer.concat([
    Buffer.from([0, ...leb128(1 + name.length + payload.length), name.length]),
    Buffer.from(name, 'latin1'),
    Buffer.from(payload),
  ]);
  return new Uint8Array(Buffer.concat([
    Buffer.from(runtime), section('vorn.topology.v0.min', compact), section('vorn.topology.v0.full', full),
  ]));
}

// An independent reading of the full topology, to check what the compiler
// wrote: { components: [{ id, kind, name, origin }], connections: [{ from, to, port }] }.
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
  if (String.fromCharCode(...bytes.subarray(0, 4)) !== 'VORF') throw new Error('full topology has a bad magic');
  at = 4;
  if (u8() !== 1) throw new Error('unsupported full topology version');
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
