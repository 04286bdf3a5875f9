// The runtime module on its own: interface, pin protocol, log lines and
// rejection of malformed topologies, with topologies built by hand.
import test from 'node:test';
import assert from 'node:assert/strict';
import {
  loadRuntimeBytes, instantiate, loadTopology, compactTopology, memoryLimits, Kind, Port,
} from './harness.mjs';
import { KIND_NAMES, compactTopologySize, decodeCompactTopology } from '../../web/topology.mjs';

const runtime = loadRuntimeBytes();
const module = new WebAssembly.Module(runtime);
const LOW = 0, HIGH = 1, UNDEF = 2;

// a, b -> and -> out (the two-input example: ids 0..3).
const andTopology = compactTopology(
  [[0, Kind.input_pin], [1, Kind.input_pin], [2, Kind.and_gate], [3, Kind.output_pin]],
  [[0, 2, Port.a], [1, 2, Port.b], [2, 3, Port.in]],
);

test('imports, exports and memory', () => {
  const imports = WebAssembly.Module.imports(module).map((i) => `${i.kind}:${i.module}.${i.name}`).sort();
  assert.deepEqual(imports, ['function:env.debugEnabled', 'function:env.onDebugLog']);
  const exports = WebAssembly.Module.exports(module).map((e) => `${e.kind}:${e.name}`).sort();
  assert.deepEqual(exports, [
    'function:getOutputState', 'function:init', 'function:run', 'function:setPin',
    'function:topology_alloc', 'memory:memory',
  ]);
  assert.deepEqual(memoryLimits(runtime), { initial: 17, maximum: undefined });
  const { exports: runtimeExports } = instantiate(module);
  assert.equal(runtimeExports.memory.buffer.byteLength, 17 * 65536);
});

test('calls before and without a topology', () => {
  const { exports } = instantiate(module);
  assert.equal(exports.getOutputState(0), UNDEF);
  exports.setPin(0, HIGH);
  exports.run();
  assert.equal(exports.getOutputState(0), UNDEF);
  // init without topology_alloc gives an empty circuit, and a later init
  // (even with a topology) does nothing.
  exports.init();
  assert.equal(exports.getOutputState(0), UNDEF);
  loadTopology(exports, andTopology);
  exports.setPin(0, HIGH);
  assert.equal(exports.getOutputState(0), UNDEF);
});

test('and gate through every input vector', () => {
  const { exports, lines } = instantiate(module);
  loadTopology(exports, andTopology);
  for (let id = 0; id < 4; id++) assert.equal(exports.getOutputState(id), UNDEF);
  // One input high and the other never driven: undefined.
  exports.setPin(0, HIGH);
  assert.equal(exports.getOutputState(3), UNDEF);
  for (let row = 0; row < 4; row++) {
    const a = row & 1, b = (row >> 1) & 1;
    exports.setPin(0, a);
    exports.setPin(1, b);
    exports.run();
    assert.equal(exports.getOutputState(0), a);
    assert.equal(exports.getOutputState(1), b);
    assert.equal(exports.getOutputState(3), a & b, `row ${row}`);
  }
  // Output pins, gates and out-of-range ids are not drivable.
  exports.setPin(3, LOW);
  exports.setPin(2, LOW);
  exports.setPin(4, HIGH);
  exports.setPin(-1, HIGH);
  assert.equal(exports.getOutputState(3), HIGH);
  assert.equal(exports.getOutputState(4), UNDEF);
  assert.equal(exports.getOutputState(-1), UNDEF);
  assert.equal(exports.getOutputState(0x7fffffff), UNDEF);
  // Any value other than 0 and 1 drives undefined.
  exports.setPin(1, 7);
  assert.equal(exports.getOutputState(1), UNDEF);
  assert.equal(exports.getOutputState(3), UNDEF);
  exports.setPin(1, -5);
  assert.equal(exports.getOutputState(1), UNDEF);
  assert.equal(lines.length, 0, 'no log lines while debugEnabled is 0');
});

test('log lines reach the host only when bit 0 is set', () => {
  const notChain = compactTopology(
    [[0, Kind.input_pin], [1, Kind.wire], [2, Kind.not_gate], [3, Kind.led]],
    [[0, 1, Port.in], [1, 2, Port.in], [2, 3, Port.in]],
  );
  const { exports, lines } = instantiate(module, { debug: 3 });
  loadTopology(exports, notChain);
  exports.setPin(0, LOW);
  assert.deepEqual(lines.map((l) => l.type), lines.map(() => 1));
  assert.deepEqual(lines.map((l) => l.text), [
    '(wasm) [Time: 5] Updating component id=0 to low',
    '(wasm)   -> Notifying downstream component id=1',
    '(wasm)  - Component (id=1, type=wire) output changed from undefined -> low. Scheduling new event.',
    '(wasm) [Time: 6] Updating component id=1 to low',
    '(wasm)   -> Notifying downstream component id=2',
    '(wasm)  - Component (id=2, type=not_gate) output changed from undefined -> high. Scheduling new event.',
    '(wasm) [Time: 11] Updating component id=2 to high',
    '(wasm)   -> Notifying downstream component id=3',
    '(wasm) \u{1F4A1} LED (id=3) state will be high',
    '(wasm)  - Component (id=3, type=led) output changed from undefined -> high. Scheduling new event.',
    '(wasm) [Time: 12] Updating component id=3 to high',
  ]);
  assert.equal(exports.getOutputState(3), HIGH);

  const quiet = instantiate(module, { debug: 2 });
  loadTopology(quiet.exports, notChain);
  quiet.exports.setPin(0, LOW);
  assert.equal(quiet.exports.getOutputState(3), HIGH);
  assert.equal(quiet.lines.length, 0);
});

test('a pin set by the host counts as scheduled', () => {
  // source -> relay (an instance's input pin) -> out; the host drives the
  // relay directly, then the source to the relay's current value.
  const relay = compactTopology(
    [[0, Kind.input_pin], [1, Kind.input_pin], [2, Kind.output_pin]],
    [[0, 1, Port.in], [1, 2, Port.in]],
  );
  const { exports, lines } = instantiate(module, { debug: 1 });
  loadTopology(exports, relay);
  exports.setPin(0, LOW);
  exports.setPin(1, HIGH);
  assert.equal(exports.getOutputState(2), HIGH);
  lines.length = 0;
  exports.setPin(0, HIGH);
  // The relay is high with nothing pending: no event for it.
  assert.deepEqual(lines.map((l) => l.text), [
    '(wasm) [Time: 22] Updating component id=0 to high',
    '(wasm)   -> Notifying downstream component id=1',
  ]);
  exports.setPin(0, LOW);
  assert.equal(exports.getOutputState(2), LOW);
});

test('record ids and duplicates', () => {
  // Record ids need not be dense; setPin/getOutputState address the table
  // by creation order, while log lines show the record ids.
  const sparse = compactTopology(
    [[900, Kind.input_pin], [7, Kind.not_gate], [900, Kind.output_pin]],
    [[900, 7, Port.in]],
  );
  const { exports, lines } = instantiate(module, { debug: 1 });
  loadTopology(exports, sparse);
  exports.setPin(0, HIGH);
  // The later record with id 900 replaced the pin in the id map, so the
  // connection leaves the output pin and the NOT gate never changes.
  assert.equal(exports.getOutputState(0), HIGH);
  assert.equal(exports.getOutputState(1), UNDEF);
  assert.deepEqual(lines.map((l) => l.text), ['(wasm) [Time: 5] Updating component id=900 to high']);
});

const malformed = {
  'shorter than the header': compactTopology([], []).slice(0, 12),
  'bad magic': compactTopology([[0, Kind.input_pin]], [], { magic: 'VORF' }),
  'bad version': compactTopology([[0, Kind.input_pin]], [], { version: 2 }),
  'truncated records': andTopology.slice(0, andTopology.length - 1),
  'bad kind': compactTopology([[0, Kind.input_pin], [1, 6]], []),
  'dangling from id': compactTopology([[0, Kind.input_pin], [1, Kind.wire]], [[5, 1, Port.in]]),
  'dangling to id': compactTopology([[0, Kind.input_pin], [1, Kind.wire]], [[0, 9, Port.in]]),
  'bad port byte': compactTopology([[0, Kind.input_pin], [1, Kind.wire]], [[0, 1, 4]]),
  // 13 + 5C wraps to 12 in 32 bits.
  'component count overflowing 32 bits': compactTopology([[0, Kind.input_pin]], [], { componentCount: 0x33333333 }),
  // 13 + 5 + 9K wraps to 20 in 32 bits.
  'connection count overflowing 32 bits': compactTopology([[0, Kind.input_pin]], [[0, 0, 0]], { connectionCount: 0x1c71c71c }),
  'empty buffer': new Uint8Array(0),
};

for (const [name, payload] of Object.entries(malformed)) {
  test(`malformed topology leaves the runtime uninitialised: ${name}`, () => {
    const { exports } = instantiate(module);
    const ptr = loadTopology(exports, payload);
    if (payload.length === 0) assert.equal(ptr, 0xFFFFFFFF);
    // Nothing was read or built past the payload (which would have grown
    // memory on the way).
    assert.equal(exports.memory.buffer.byteLength, 17 * 65536);
    exports.setPin(0, HIGH);
    exports.run();
    assert.equal(exports.getOutputState(0), UNDEF);
    // A new buffer and init may follow a failed init.
    loadTopology(exports, andTopology);
    exports.setPin(0, HIGH);
    exports.setPin(1, HIGH);
    assert.equal(exports.getOutputState(3), HIGH);
  });
}

// The runtime's size check is the compiler's definition of the compact
// layout; web/topology.mjs has its own. A payload of exactly the size the
// JavaScript one gives must load in both, one byte less in neither.
test('the runtime and the JavaScript decoder agree on the compact size', () => {
  for (const length of [1, 2, 7, 40]) {
    // input -> wire (fed twice) -> not ... -> output.
    const components = [[0, Kind.input_pin], [1, Kind.wire]];
    const connections = [[0, 1, Port.in], [0, 1, Port.in]];
    for (let id = 2; id < length + 2; id++) {
      components.push([id, id === length + 1 ? Kind.output_pin : Kind.not_gate]);
      connections.push([id - 1, id, Port.in]);
    }
    const payload = compactTopology(components, connections);
    assert.equal(payload.length, compactTopologySize(components.length, connections.length));
    assert.deepEqual([...decodeCompactTopology(payload).ids], components.map(([id]) => id));
    assert.throws(() => decodeCompactTopology(payload.slice(0, -1)), /truncated/);

    const last = components.length - 1;
    const expected = length % 2 === 1 ? HIGH : LOW;  // length - 1 inverters
    const whole = instantiate(module).exports;
    loadTopology(whole, payload);
    whole.setPin(0, HIGH);
    whole.run();
    assert.equal(whole.getOutputState(last), expected, `${length - 1} inverters`);
    const short = instantiate(module).exports;
    loadTopology(short, payload.slice(0, -1));
    short.setPin(0, HIGH);
    short.run();
    assert.equal(short.getOutputState(last), UNDEF);
  }
});

// The decoder's kind names are the kind bytes the runtime builds, no more.
test('the runtime knows exactly the kinds the JavaScript decoder names', () => {
  for (let kind = 0; kind <= KIND_NAMES.length; kind++) {
    const { exports } = instantiate(module);
    loadTopology(exports, compactTopology([[0, Kind.input_pin], [1, kind]], [[0, 1, Port.in]]));
    exports.setPin(0, HIGH);
    exports.run();
    assert.equal(exports.getOutputState(0), kind < KIND_NAMES.length ? HIGH : UNDEF, `kind ${kind}`);
  }
});

test('large topology grows memory', () => {
  // A chain of 150,001 components needs more than the initial 17 pages.
  const count = 150001;
  const components = [[0, Kind.input_pin]];
  const connections = [];
  for (let id = 1; id < count; id++) {
    components.push([id, id === count - 1 ? Kind.output_pin : Kind.not_gate]);
    connections.push([id - 1, id, Port.in]);
  }
  const { exports } = instantiate(module);
  const payload = compactTopology(components, connections);
  assert.ok(payload.length > 17 * 65536);
  loadTopology(exports, payload);
  assert.ok(exports.memory.buffer.byteLength > 17 * 65536);
  exports.setPin(0, LOW);
  // 149,999 NOT gates between the pin and the output pin.
  assert.equal(exports.getOutputState(count - 1), HIGH);
  exports.setPin(0, HIGH);
  assert.equal(exports.getOutputState(count - 1), LOW);
  assert.equal(exports.topology_alloc(0xFFFFFFF0) >>> 0, 0xFFFFFFFF);
});
