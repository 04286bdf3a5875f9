// Decoders for the two topologies a compiled circuit carries as custom
// sections. Every read is bounds-checked: a section that ends early, or has
// bytes left over, is reported with the place where it went wrong.

export const COMPACT_SECTION = 'vorn.topology.v0.min';
export const FULL_SECTION = 'vorn.topology.v0.full';

export const KIND_NAMES = Object.freeze(['input_pin', 'not_gate', 'and_gate', 'wire', 'led', 'output_pin']);
const PORT_COUNT = 4;  // in, a, b, out

// Sizes in the compact encoding: a header ("VORN", version, two u32 counts),
// then 5-byte component and 9-byte connection records.
export const COMPACT_HEADER_SIZE = 13;
export const COMPONENT_RECORD_SIZE = 5;
export const CONNECTION_RECORD_SIZE = 9;

// The byte length of a compact topology with these counts.
export function compactTopologySize(componentCount, connectionCount) {
  return COMPACT_HEADER_SIZE + COMPONENT_RECORD_SIZE * componentCount + CONNECTION_RECORD_SIZE * connectionCount;
}

export class TopologyError extends Error {
  constructor(section, message) {
    super(`malformed "${section}" section: ${message}`);
    this.name = 'TopologyError';
  }
}

const utf8 = new TextDecoder();

// Sequential little-endian reader over one section's payload.
class Reader {
  constructor(section, bytes) {
    this.section = section;
    this.bytes = bytes;
    this.view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
    this.at = 0;
    // Where the reader is, for messages: a part's name and a record number.
    this.what = 'header';
    this.record = -1;
  }

  place(what, record = -1) {
    this.what = what;
    this.record = record;
  }

  fail(message) {
    const where = this.record >= 0 ? `${this.what} ${this.record}` : this.what;
    throw new TopologyError(this.section, `${message} (${where}, byte ${this.at})`);
  }

  need(count) {
    if (count > this.bytes.length - this.at) this.fail(`truncated: ${count} more bytes needed, ${this.bytes.length - this.at} left`);
  }

  u8() {
    this.need(1);
    return this.bytes[this.at++];
  }

  u32() {
    this.need(4);
    const value = this.view.getUint32(this.at, true);
    this.at += 4;
    return value;
  }

  // Names are nearly always short ASCII; building those directly is several
  // times faster than a TextDecoder call per record.
  text() {
    const length = this.u32();
    this.need(length);
    const start = this.at;
    const end = start + length;
    this.at = end;
    if (length <= 32) {
      let ascii = '';
      for (let i = start; i < end; i++) {
        const byte = this.bytes[i];
        if (byte >= 0x80) return utf8.decode(this.bytes.subarray(start, end));
        ascii += String.fromCharCode(byte);
      }
      return ascii;
    }
    return utf8.decode(this.bytes.subarray(start, end));
  }

  magic(expected) {
    this.need(expected.length);
    for (let i = 0; i < expected.length; i++) {
      if (this.bytes[this.at + i] !== expected.charCodeAt(i)) this.fail(`does not start with "${expected}"`);
    }
    this.at += expected.length;
    const version = this.u8();
    if (version !== 1) this.fail(`unsupported version ${version}`);
  }

  // A count read from the file is checked against the bytes that remain
  // before anything is allocated for it.
  count(what, minimumRecordSize) {
    const value = this.u32();
    if (value * minimumRecordSize > this.bytes.length - this.at) {
      this.fail(`truncated: ${value} ${what} cannot fit in ${this.bytes.length - this.at} bytes`);
    }
    return value;
  }

  end() {
    this.place('end');
    if (this.at !== this.bytes.length) this.fail(`${this.bytes.length - this.at} unexpected bytes after the last record`);
  }
}

// "VORN", version 1, component count C, connection count K, C records of
// (id u32, kind u8), K records of (from u32, to u32, port u8). Returns the
// record ids and kinds; connections are only checked, since the runtime
// reads them itself.
export function decodeCompactTopology(bytes) {
  const reader = new Reader(COMPACT_SECTION, bytes);
  reader.magic('VORN');
  const componentCount = reader.u32();
  const connectionCount = reader.u32();
  const expected = compactTopologySize(componentCount, connectionCount);
  if (expected > bytes.length) {
    reader.fail(`truncated: ${componentCount} components and ${connectionCount} connections need ${expected} bytes, the section has ${bytes.length}`);
  }
  const ids = new Uint32Array(componentCount);
  const kinds = new Uint8Array(componentCount);
  let dense = true;
  for (let i = 0; i < componentCount; i++) {
    reader.place('component record', i);
    ids[i] = reader.u32();
    kinds[i] = reader.u8();
    if (kinds[i] >= KIND_NAMES.length) reader.fail(`unknown component kind ${kinds[i]}`);
    if (ids[i] !== i) dense = false;
  }
  // The compiler numbers records densely from 0; anything else needs a set.
  const known = dense ? { has: (id) => id < componentCount } : new Set(ids);
  for (let i = 0; i < connectionCount; i++) {
    reader.place('connection record', i);
    const from = reader.u32();
    const to = reader.u32();
    const port = reader.u8();
    if (!known.has(from)) reader.fail(`unknown source component ${from}`);
    if (!known.has(to)) reader.fail(`unknown destination component ${to}`);
    if (port >= PORT_COUNT) reader.fail(`unknown port ${port}`);
  }
  reader.end();
  return { ids, kinds };
}

// "VORF", version 1, component records (id u32, kind u8, name, frames of
// (alias, subcircuit, target file u32)), then connection records as in the
// compact form. Returns the component records for tools and pin lookup.
export function decodeFullTopology(bytes) {
  const reader = new Reader(FULL_SECTION, bytes);
  reader.magic('VORF');
  const componentCount = reader.count('components', 13);
  const components = new Array(componentCount);
  for (let i = 0; i < componentCount; i++) {
    reader.place('component record', i);
    const id = reader.u32();
    const kindCode = reader.u8();
    if (kindCode >= KIND_NAMES.length) reader.fail(`unknown component kind ${kindCode}`);
    const name = reader.text();
    const frameCount = reader.count('origin frames', 12);
    const origin = new Array(frameCount);
    for (let f = 0; f < frameCount; f++) {
      origin[f] = { alias: reader.text(), subcircuit: reader.text(), targetFile: reader.u32() };
    }
    components[i] = { id, kind: KIND_NAMES[kindCode], name, origin };
  }
  reader.place('connection count');
  const connectionCount = reader.count('connections', CONNECTION_RECORD_SIZE);
  reader.place('connection records');
  reader.need(CONNECTION_RECORD_SIZE * connectionCount);
  // Kept as three parallel arrays: a large circuit has 10^5 of them.
  const connections = { from: new Uint32Array(connectionCount), to: new Uint32Array(connectionCount), port: new Uint8Array(connectionCount) };
  for (let i = 0; i < connectionCount; i++) {
    connections.from[i] = reader.view.getUint32(reader.at, true);
    connections.to[i] = reader.view.getUint32(reader.at + 4, true);
    connections.port[i] = reader.bytes[reader.at + 8];
    reader.at += CONNECTION_RECORD_SIZE;
  }
  reader.end();
  return { components, connectionCount, connections };
}
