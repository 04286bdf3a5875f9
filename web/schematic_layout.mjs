// Places a schematic model with ELK's layered layout (elkjs): left to
// right, pins where the symbols draw them, orthogonal wires. In browsers
// ELK runs in its own worker, so that a large circuit never blocks the
// page; in Node.js it runs in the process.

const inNode = typeof process !== 'undefined' && typeof process.versions?.node === 'string' && typeof window === 'undefined';

const LAYOUT = {
  'elk.algorithm': 'layered',
  'elk.direction': 'RIGHT',
  'elk.edgeRouting': 'ORTHOGONAL',
  'elk.json.shapeCoords': 'ROOT',
  'elk.json.edgeCoords': 'ROOT',
  'elk.spacing.nodeNode': '24',
  'elk.spacing.edgeEdge': '8',
  'elk.spacing.edgeNode': '12',
  'elk.layered.spacing.nodeNodeBetweenLayers': '48',
  'elk.layered.spacing.edgeNodeBetweenLayers': '16',
  'elk.layered.spacing.edgeEdgeBetweenLayers': '8',
  'elk.layered.considerModelOrder.strategy': 'NODES_AND_EDGES',
  'elk.padding': '[top=16,left=16,bottom=16,right=16]',
};
// Above this many symbols ELK is asked for one sweep of crossing reduction
// instead of seven, and no regard for declaration order: several times
// faster, a little more tangled.
const LARGE = 150;
const QUICK = {
  'elk.layered.considerModelOrder.strategy': 'NONE',
  'elk.layered.thoroughness': '1',
  'elk.layered.crossingMinimization.greedySwitch.type': 'OFF',
};
const FRAME_PADDING = '[top=40,left=24,bottom=20,right=24]';

// The ELK graph of a model: frames hold their insides, and each wire is
// given in the picture of the level it lies in.
export function elkGraph(model) {
  const layoutOptions = model.symbols.length > LARGE ? { ...LAYOUT, ...QUICK } : LAYOUT;
  const root = { id: 'root', layoutOptions, children: [], edges: [] };
  const levels = new Map([['', root]]);
  for (const frame of model.frames) {
    // Ports go clockwise from the top left: outputs top down on the east,
    // then inputs bottom up on the west, so both read in declaration order.
    const ports = [
      ...frame.outputs.map((name, i) => ({ id: `${frame.id}:${name}`, width: 0, height: 0, layoutOptions: { 'elk.port.side': 'EAST', 'elk.port.index': String(i) } })),
      ...frame.inputs.map((name, i) => ({
        id: `${frame.id}:${name}`, width: 0, height: 0,
        layoutOptions: { 'elk.port.side': 'WEST', 'elk.port.index': String(frame.outputs.length + frame.inputs.length - 1 - i) },
      })),
    ];
    const node = {
      id: frame.id, ports, children: [], edges: [],
      layoutOptions: { 'elk.portConstraints': 'FIXED_ORDER', 'elk.padding': FRAME_PADDING, 'elk.nodeSize.minimum': `(${Math.max(120, (frame.kind.length + frame.name.length + 4) * 7)},60)`, 'elk.nodeSize.constraints': 'MINIMUM_SIZE' },
    };
    levels.set(frame.path, node);
  }
  for (const frame of model.frames) levels.get(frame.parent).children.push(levels.get(frame.path));
  for (const symbol of model.symbols) {
    const layoutOptions = { 'elk.portConstraints': 'FIXED_POS' };
    if (symbol.parent === '' && symbol.kind === 'input') layoutOptions['elk.layered.layering.layerConstraint'] = 'FIRST';
    if (symbol.parent === '' && symbol.kind === 'output') layoutOptions['elk.layered.layering.layerConstraint'] = 'LAST';
    levels.get(symbol.parent).children.push({
      id: symbol.id, width: symbol.width, height: symbol.height, layoutOptions,
      ports: symbol.pins.map((pin) => ({
        id: `${symbol.id}:${pin.name}`, x: pin.x, y: pin.y, width: 0, height: 0,
        layoutOptions: { 'elk.port.side': pin.side === 'in' ? 'WEST' : 'EAST' },
      })),
    });
  }
  model.nets.forEach((net, n) => {
    const level = levels.get(net.level);
    net.to.forEach((end, i) => {
      const id = `e${n}_${i}`;
      const source = `${net.from.node.id}:${net.from.pin}`;
      const target = `${end.node.id}:${end.pin}`;
      if (end.node !== net.from.node) {
        level.edges.push({ id, sources: [source], targets: [target] });
        return;
      }
      // An opened instance's input wired straight to its output: ELK
      // routes such a wire around the outside of the frame, so it is led
      // through a point inside instead.
      level.children.push({
        id: `${id}v`, width: 2, height: 0, layoutOptions: { 'elk.portConstraints': 'FIXED_POS' },
        ports: [{ id: `${id}v:in`, x: 0, y: 0, width: 0, height: 0, layoutOptions: { 'elk.port.side': 'WEST' } },
          { id: `${id}v:out`, x: 2, y: 0, width: 0, height: 0, layoutOptions: { 'elk.port.side': 'EAST' } }],
      });
      level.edges.push({ id: `${id}a`, sources: [source], targets: [`${id}v:in`] }, { id: `${id}b`, sources: [`${id}v:out`], targets: [target] });
    });
  });
  return root;
}

// Copies the placed graph's geometry back onto the model: x, y, width and
// height of every symbol and frame, each pin's point, and each net's
// polylines.
export function applyLayout(model, laidOut) {
  const nodes = new Map();
  const edges = new Map();
  const walk = (node) => {
    nodes.set(node.id, node);
    for (const edge of node.edges ?? []) edges.set(edge.id, edge);
    for (const child of node.children ?? []) walk(child);
  };
  walk(laidOut);
  for (const element of [...model.symbols, ...model.frames]) {
    const node = nodes.get(element.id);
    Object.assign(element, { x: node.x, y: node.y, width: node.width, height: node.height });
    if (element.pins === undefined) {
      element.ports = (node.ports ?? []).map((port) => ({ name: port.id.slice(element.id.length + 1), x: port.x, y: port.y, side: port.x > node.x + node.width / 2 ? "out" : "in" }));
    }
  }
  model.nets.forEach((net, n) => {
    net.lines = [];
    const trace = (id) => {
      for (const section of edges.get(id)?.sections ?? []) {
        net.lines.push([section.startPoint, ...(section.bendPoints ?? []), section.endPoint].map(({ x, y }) => [x, y]));
      }
    };
    net.to.forEach((_, i) => {
      const via = nodes.get(`e${n}_${i}v`);
      if (!via) return trace(`e${n}_${i}`);
      trace(`e${n}_${i}a`);
      trace(`e${n}_${i}b`);
      net.lines.push([[via.x, via.y], [via.x + via.width, via.y]]);
    });
  });
  model.width = laidOut.width;
  model.height = laidOut.height;
  return model;
}

// ---- running ELK ------------------------------------------------------------

let nodeElk = null;
let worker = null;
let nextId = 0;
const waiting = new Map();

function workerElk() {
  if (worker) return worker;
  worker = new Worker(new URL('./vendor/elkjs/elk-worker.min.js', import.meta.url));
  worker.addEventListener('message', ({ data }) => {
    const waiter = waiting.get(data.id);
    if (!waiter) return;
    waiting.delete(data.id);
    if (data.error) waiter.reject(new Error(`layout failed: ${data.error.message ?? data.error}`));
    else waiter.resolve(data.data);
  });
  worker.addEventListener('error', (event) => {
    for (const waiter of waiting.values()) waiter.reject(new Error(`layout failed: ${event.message ?? 'the worker stopped'}`));
    waiting.clear();
    worker = null;
  });
  worker.postMessage({ id: nextId++, cmd: 'register', algorithms: ['layered'] });
  return worker;
}

// Lays out one graph. A browser's layout of an outdated picture is dropped
// when `supersede` is set: its worker is replaced, so the newest request
// does not wait behind one nobody wants any more.
export async function layoutGraph(graph, { supersede = false } = {}) {
  if (inNode) {
    if (!nodeElk) {
      const name = 'elkjs/lib/elk.bundled.js';
      const { default: ELK } = await import(name);
      nodeElk = new ELK();
    }
    return nodeElk.layout(graph);
  }
  if (supersede && waiting.size > 0) {
    worker.terminate();
    worker = null;
    for (const waiter of waiting.values()) waiter.reject(Object.assign(new Error('superseded'), { superseded: true }));
    waiting.clear();
  }
  const target = workerElk();
  const id = nextId++;
  return new Promise((resolve, reject) => {
    waiting.set(id, { resolve, reject });
    target.postMessage({ id, cmd: 'layout', graph, layoutOptions: {}, options: {} });
  });
}
