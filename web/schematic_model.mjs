// What the schematic draws of a circuit for a set of opened instances: its
// symbols, the frames of opened instances and its nets, read from the
// flattened circuit that loadCircuit returns. Pure data, no DOM, so that
// Node.js and the browser build the same picture.

// The derived gates the compiler carries; drawn as gate symbols when closed.
export const BUILTIN_GATES = new Set(['or', 'nand', 'nor', 'xor', 'xnor']);
// Beyond this many symbols a picture helps nobody: the top level is drawn.
export const SYMBOL_LIMIT = 3000;

const PORT_NAMES = ['in', 'a', 'b', 'out'];
const GATE_INPUTS = { not_gate: ['in'], and_gate: ['a', 'b'], wire: ['in'], led: ['in'] };
const GATE_KINDS = { not_gate: 'not', and_gate: 'and', wire: 'wire', led: 'led' };
const charWidth = 7;

const containerOf = (record) => record.origin.map((frame) => frame.alias).join('.');
const join = (parent, name) => (parent ? `${parent}.${name}` : name);
const parentOf = (path) => path.slice(0, Math.max(0, path.lastIndexOf('.')));

// Every instance of the circuit with its pins, by path ("h1", "h1.s").
function instancesOf(components, connections) {
  const instances = new Map();
  const containers = new Array(components.length);
  components.forEach((record, index) => {
    let path = '';
    for (const frame of record.origin) {
      path = join(path, frame.alias);
      if (!instances.has(path)) {
        instances.set(path, { path, type: frame.subcircuit, name: frame.alias, parent: parentOf(path), inputs: [], outputs: [] });
      }
    }
    containers[index] = path;
    if (path && record.kind === 'input_pin') instances.get(path).inputs.push(index);
    if (path && record.kind === 'output_pin') instances.get(path).outputs.push(index);
  });
  // Each inner output pin's driver: outside consumers are wired to it directly.
  const driverOf = new Map();
  for (let k = 0; k < connections.to.length; k++) {
    const to = connections.to[k];
    if (components[to]?.kind === 'output_pin' && containers[to]) driverOf.set(to, connections.from[k]);
  }
  return { instances, containers, driverOf };
}

function gateSize(label, inputs) {
  return { width: Math.max(56, label.length * charWidth + 8), height: inputs.length > 1 ? 48 : 44 };
}

// Symbol geometry, relative to its box: where each pin sits.
function gatePins(size, inputs) {
  const middle = 18;
  const pins = inputs.map((name, i) => ({ name, side: 'in', x: 0, y: inputs.length === 1 ? middle : middle - 8 + 16 * i }));
  pins.push({ name: 'out', side: 'out', x: size.width, y: middle });
  return pins;
}

function boxPins(width, inputs, outputs) {
  const pins = inputs.map((name, i) => ({ name, side: 'in', x: 0, y: 33 + 18 * i }));
  outputs.forEach((name, i) => pins.push({ name, side: 'out', x: width, y: 33 + 18 * i }));
  return pins;
}

const longest = (names) => names.reduce((max, name) => Math.max(max, name.length), 0);

// The drawing's content for `expand` (true, or instance paths to open).
export function schematicModel(circuit, expand = []) {
  const { components } = circuit;
  const connections = circuit.connections;
  const { instances, containers, driverOf } = instancesOf(components, connections);
  const all = expand === true;
  const opened = new Set(all ? instances.keys() : expand);
  let model = buildModel(components, connections, instances, containers, driverOf, opened);
  model.limited = false;
  if (model.symbols.length > SYMBOL_LIMIT && opened.size > 0) {
    model = buildModel(components, connections, instances, containers, driverOf, new Set());
    model.limited = true;
  }
  model.tooBig = model.symbols.length > SYMBOL_LIMIT;
  return model;
}

function buildModel(components, connections, instances, containers, driverOf, opened) {
  const shownCache = new Map([['', true]]);
  const isShown = (path) => {
    let shown = shownCache.get(path);
    if (shown === undefined) {
      shown = opened.has(path) && isShown(instances.get(path).parent);
      shownCache.set(path, shown);
    }
    return shown;
  };
  const symbols = [];
  const frames = [];
  const byRecord = new Map();  // record index -> symbol
  const byInstance = new Map();  // path -> closed symbol or frame
  const nameOf = (index) => components[index].name;

  for (const instance of instances.values()) {
    if (!isShown(instance.parent)) continue;
    const inputs = instance.inputs.map(nameOf);
    const outputs = instance.outputs.map(nameOf);
    if (opened.has(instance.path)) {
      const frame = { id: `f${frames.length}`, path: instance.path, kind: instance.type, name: instance.name, parent: instance.parent, inputs, outputs, instance };
      frames.push(frame);
      byInstance.set(instance.path, frame);
      continue;
    }
    const builtin = BUILTIN_GATES.has(instance.type) && inputs.join() === 'a,b' && outputs.join() === 'out';
    let size;
    let pins;
    if (builtin) {
      size = gateSize(instance.name, inputs);
      pins = gatePins(size, inputs);
    } else {
      const title = `${instance.type}:${instance.name}`;
      const width = Math.max(80, title.length * charWidth + 16, (longest(inputs) + longest(outputs)) * charWidth + 28);
      size = { width, height: 30 + 18 * Math.max(1, inputs.length, outputs.length) };
      pins = boxPins(width, inputs, outputs);
    }
    const symbol = {
      id: `s${symbols.length}`, path: instance.path, kind: instance.type, name: instance.name, parent: instance.parent,
      shape: builtin ? instance.type : 'box', openable: true, record: -1, ...size, pins,
    };
    symbols.push(symbol);
    byInstance.set(instance.path, symbol);
  }

  components.forEach((record, index) => {
    const container = containers[index];
    if (!isShown(container)) return;
    let symbol;
    if (record.kind === 'input_pin' || record.kind === 'output_pin') {
      if (container) return;  // an opened instance's pin: a port of its frame
      const input = record.kind === 'input_pin';
      const width = Math.max(64, record.name.length * charWidth + 44);
      symbol = {
        kind: input ? 'input' : 'output', shape: input ? 'input' : 'output', width, height: 30,
        pins: [input ? { name: 'out', side: 'out', x: width, y: 15 } : { name: 'in', side: 'in', x: 0, y: 15 }],
      };
    } else {
      const inputs = GATE_INPUTS[record.kind];
      const size = gateSize(record.name, inputs);
      symbol = { kind: GATE_KINDS[record.kind], shape: GATE_KINDS[record.kind], ...size, pins: gatePins(size, inputs) };
    }
    Object.assign(symbol, { id: `s${symbols.length}`, path: join(container, record.name), name: record.name, parent: container, openable: false, record: index });
    symbols.push(symbol);
    byRecord.set(index, symbol);
  });

  // The end of a connection inside the drawing: an element, a pin, and the
  // level (instance path) whose picture the wire lies in.
  const destination = (to, port) => {
    const record = components[to];
    const container = containers[to];
    if (isShown(container)) {
      if (container && record.kind === 'input_pin') return { node: byInstance.get(container), pin: record.name, level: parentOf(container) };
      if (container && record.kind === 'output_pin') return { node: byInstance.get(container), pin: record.name, level: container };
      return { node: byRecord.get(to), pin: PORT_NAMES[port], level: container };
    }
    // Inside a closed instance: only its own input pins receive from outside.
    if (record.kind !== 'input_pin') return null;
    const owner = byInstance.get(container);
    if (!owner || owner.pins === undefined || !isShown(owner.parent)) return null;
    return { node: owner, pin: record.name, level: owner.parent };
  };
  const source = (from, level) => {
    const container = containers[from];
    const record = components[from];
    if (container === level) {
      if (record.kind === 'output_pin') return null;
      if (record.kind === 'input_pin') {
        return container ? { node: byInstance.get(container), pin: record.name, signal: join(container, record.name), record: from }
          : { node: byRecord.get(from), pin: 'out', signal: record.name, record: from };
      }
      return { node: byRecord.get(from), pin: 'out', signal: `${join(container, record.name)}.out`, record: from };
    }
    if (level && !container.startsWith(`${level}.`)) return null;
    // Leaves through the output of the instance just below this level.
    const depth = level ? level.split('.').length : 0;
    const childPath = container.split('.').slice(0, depth + 1).join('.');
    const child = byInstance.get(childPath);
    if (!child) return null;
    const output = instances.get(childPath).outputs.find((index) => driverOf.get(index) === from);
    if (output === undefined) return null;
    const name = components[output].name;
    return { node: child, pin: name, signal: join(childPath, name), record: output };
  };

  const nets = new Map();
  for (let k = 0; k < connections.to.length; k++) {
    // A hand-made file may name records that are not there: such a wire is left out.
    if (!components[connections.to[k]] || !components[connections.from[k]]) continue;
    const to = destination(connections.to[k], connections.port[k]);
    if (!to?.node) continue;
    const from = source(connections.from[k], to.level);
    if (!from?.node) continue;
    let net = nets.get(from.signal);
    if (!net) {
      net = { signal: from.signal, record: from.record, level: to.level, from: { node: from.node, pin: from.pin }, to: [] };
      nets.set(from.signal, net);
    }
    net.to.push({ node: to.node, pin: to.pin });
  }
  return { symbols, frames, nets: [...nets.values()] };
}

// The text alternative: every drawn component and what drives each of its inputs.
export function describeModel(model) {
  const drivers = new Map();
  for (const net of model.nets) {
    for (const end of net.to) drivers.set(`${end.node.id}/${end.pin}`, net.signal);
  }
  const line = (element, pins) => {
    const fed = pins.map((pin) => `${pin} from ${drivers.get(`${element.id}/${pin}`) ?? 'nothing'}`);
    const label = `${element.kind} ${element.path}`;
    return fed.length ? `${label}: ${fed.join(', ')}` : label;
  };
  const lines = model.symbols.map((symbol) => line(symbol, symbol.pins.filter((pin) => pin.side === 'in').map((pin) => pin.name)));
  for (const frame of model.frames) lines.push(`${line(frame, frame.inputs)} (opened)`);
  return lines;
}
