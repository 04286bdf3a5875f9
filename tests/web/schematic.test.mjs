// web/schematic.mjs under Node.js on random projects (imports, built-in
// gates, fan-out, instances opened and closed): the drawing's geometry
// holds (orthogonal wires, every net one tree, no two nets on one line, no
// wire through a symbol, dots exactly at branches), every pin the source
// wires is reached by the right net, and the drawn values are those the
// compiler's own simulation dumps (--test with --vcd) for the same inputs.
// Run with `node --test`; VORN_COMPILE names the compiler.
import test from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, mkdirSync, writeFileSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { loadCircuit } from '../../web/vorn.mjs';
import { schematicSvg } from '../../web/schematic.mjs';
import { GATES, randomOf } from '../property/random_source.mjs';

const compilerPath = process.env.VORN_COMPILE && resolve(process.env.VORN_COMPILE);
assert.ok(compilerPath, 'set VORN_COMPILE to the vorn-compile executable');
const work = mkdtempSync(join(tmpdir(), 'vorn-schematic-'));
process.on('exit', () => rmSync(work, { recursive: true, force: true }));

const PRIMITIVES = new Set(['and', 'not', 'wire', 'led']);

// Gates reading earlier signals; `wired` receives, for each gate pin, the
// signal the drawing must bring to it (instance path, pin) -> net name.
function gates(random, prefix, signals, count, lines, wired, instances) {
  const net = (signal) => signal;
  for (let g = 0; g < count; g++) {
    const pick = () => signals[random(3) ? signals.length - 1 - random(Math.min(signals.length, 4)) : random(signals.length)];
    const [type, arity] = instances && random(4) === 0 ? ['part', 3] : GATES[random(GATES.length)];
    const name = `g${g}`;
    const pins = type === 'part' ? ['p', 'q', 'r'] : arity === 2 ? ['a', 'b'] : ['in'];
    const sources = pins.map(pick);
    lines.push(`${type} ${name}(${pins.map((pin, i) => `${pin}=${sources[i]}`).join(', ')})`);
    const path = prefix + name;
    pins.forEach((pin, i) => wired.set(`${path}/${pin}`, net(prefix + sources[i])));
    if (type === 'part') {
      instances.push(path);
      signals.push(`${name}.s`, `${name}.t`);
    } else {
      if (!PRIMITIVES.has(type)) instances?.push?.(null);
      signals.push(`${name}.out`);
    }
  }
}

// A root with 2 to 4 inputs over part.vorn (three inputs, two outputs).
function generate(seed) {
  const random = randomOf(seed);
  const part = ['input p, q, r'];
  const partWired = new Map();
  const partSignals = ['p', 'q', 'r'];
  gates(random, '', partSignals, 2 + random(4), part, partWired, null);
  const [s, t] = [partSignals[partSignals.length - 1], partSignals[random(partSignals.length)]];
  part.push(`output s(in=${s})`, `output t(in=${t})`);
  const inputs = Array.from({ length: 2 + random(3) }, (_, i) => `i${i}`);
  const root = ['import part "lib/part.vorn"', `input ${inputs.join(', ')}`];
  const wired = new Map();
  const signals = [...inputs];
  const instances = [];
  gates(random, '', signals, 3 + random(8), root, wired, instances);
  const outputs = 1 + random(3);
  for (let k = 0; k < outputs; k++) {
    const source = signals[signals.length - 1 - random(Math.min(signals.length, 3))];
    root.push(`output y${k}(in=${source})`);
    wired.set(`y${k}/in`, source);
  }
  // Outputs driven by one signal are one signal in the compiled circuit
  // (readers are wired to the driver): they are drawn as the first of them.
  if (s === t) for (const [key, signal] of wired) wired.set(key, signal.replace(/\.t$/, '.s'));
  return { root: `${root.join('\n')}\n`, part: `${part.join('\n')}\n`, inputs, wired, partWired, instances: instances.filter(Boolean) };
}

function compiler(args, cwd) {
  return spawnSync(compilerPath, args, { cwd, encoding: 'utf8', maxBuffer: 1 << 26, stdio: ['ignore', 'pipe', 'pipe'] });
}

// The final value of every variable of a value change dump, by path ("g1.out").
function vcdValues(text) {
  const scopes = [];
  const names = new Map();
  const values = new Map();
  for (const line of text.split('\n')) {
    const words = line.trim().split(/\s+/);
    if (words[0] === '$scope') scopes.push(words[2]);
    else if (words[0] === '$upscope') scopes.pop();
    else if (words[0] === '$var') names.set(words[3], [...scopes.slice(1), words[4]].join('.'));
    else if (/^[01xz]/.test(words[0]) && words[0].length > 1 && !words[0].startsWith('$')) values.set(words[0].slice(1), words[0][0]);
  }
  const byPath = new Map();
  for (const [id, path] of names) if (values.has(id)) byPath.set(path, values.get(id));
  return byPath;
}

// ---- the drawing's geometry, read back from the SVG text ----------------------

const attributes = (tag) => Object.fromEntries([...tag.matchAll(/([\w-]+)="([^"]*)"/g)].map((m) => [m[1], m[2]]));

function readSvg(svg) {
  const symbols = [];
  for (const match of svg.matchAll(/<g [^>]*data-component="[^>]*>/g)) {
    const a = attributes(match[0]);
    const [x, y, w, h] = a['data-box'].split(' ').map(Number);
    const pins = new Map(a['data-pins'].split(';').map((entry) => {
      const [name, px, py] = entry.split(' ');
      return [name, [Number(px), Number(py)]];
    }));
    symbols.push({ path: a['data-component'], kind: a['data-kind'], value: a['data-value'], box: { x, y, w, h }, pins });
  }
  // Where an opened instance's outside wire hands over to its inside one.
  const ports = new Set();
  for (const match of svg.matchAll(/<g [^>]*data-frame="[^>]*>/g)) {
    for (const entry of attributes(match[0])['data-pins'].split(';').filter(Boolean)) {
      const [, px, py] = entry.split(' ');
      ports.add(`${Number(px)},${Number(py)}`);
    }
  }
  const nets = [];
  const netPattern = /<g [^>]*data-net="[^>]*>(.*?)<\/g>/g;
  for (const match of svg.matchAll(netPattern)) {
    const a = attributes(match[0].slice(0, match[0].indexOf('>') + 1));
    const segments = [];
    for (const path of match[1].matchAll(/<path [^>]*d="([^"]*)"/g)) {
      const tokens = path[1].trim().split(/\s+|(?=[ML])|(?<=[ML])/).filter(Boolean);
      let at = null;
      for (let i = 0; i < tokens.length;) {
        const command = tokens[i];
        assert.ok(command === 'M' || command === 'L', `net ${a['data-net']}: only M and L, got ${command}`);
        const point = [Number(tokens[i + 1]), Number(tokens[i + 2])];
        i += 3;
        if (command === 'L') {
          assert.ok(at[0] === point[0] || at[1] === point[1], `net ${a['data-net']}: slanted segment ${at} -> ${point}`);
          segments.push([at, point]);
        }
        at = point;
      }
    }
    const dots = [...match[1].matchAll(/<circle [^>]*data-junction[^>]*>/g)].map((m) => {
      const c = attributes(m[0]);
      return `${Number(c.cx)},${Number(c.cy)}`;
    });
    nets.push({ signal: a['data-net'], value: a['data-value'], segments, dots });
  }
  return { symbols, nets, ports };
}

const onSegment = ([x, y], [[x0, y0], [x1, y1]]) =>
  x >= Math.min(x0, x1) && x <= Math.max(x0, x1) && y >= Math.min(y0, y1) && y <= Math.max(y0, y1);
const horizontal = ([[, y0], [, y1]]) => y0 === y1;

// Collinear with a stretch in common, or one's end lying on the other.
function touches(s, t) {
  if (horizontal(s) === horizontal(t)) {
    const [axis, other] = horizontal(s) ? [1, 0] : [0, 1];
    if (s[0][axis] !== t[0][axis]) return false;
    const [a0, a1] = [s[0][other], s[1][other]].sort((p, q) => p - q);
    const [b0, b1] = [t[0][other], t[1][other]].sort((p, q) => p - q);
    return a0 <= b1 && b0 <= a1;
  }
  return s.some((end) => onSegment(end, t)) || t.some((end) => onSegment(end, s));
}

// Collinear segments sharing more than an end point.
function touchesInside(s, t) {
  const axis = horizontal(s) ? 0 : 1;
  const [a0, a1] = [s[0][axis], s[1][axis]].sort((p, q) => p - q);
  const [b0, b1] = [t[0][axis], t[1][axis]].sort((p, q) => p - q);
  return Math.min(a1, b1) - Math.max(a0, b0) > 0;
}

function checkGeometry(drawing, label) {
  const { symbols, nets } = drawing;
  const signals = nets.map((net) => net.signal);
  assert.equal(new Set(signals).size, signals.length, `${label}: a net drawn twice`);
  for (const net of nets) {
    const where = `${label}, net ${net.signal}`;
    // Points where segments meet or end, and the pieces between them.
    const points = new Map();
    const add = ([x, y]) => points.set(`${x},${y}`, [x, y]);
    for (const segment of net.segments) segment.forEach(add);
    for (const s of net.segments) {
      for (const t of net.segments) {
        if (s === t || horizontal(s) === horizontal(t)) continue;
        const cross = horizontal(s) ? [t[0][0], s[0][1]] : [s[0][0], t[0][1]];
        if (onSegment(cross, s) && onSegment(cross, t)) add(cross);
      }
    }
    let pieces = 0;
    const arms = new Map([...points.keys()].map((key) => [key, 0]));
    const parent = new Map([...points.keys()].map((key) => [key, key]));
    const find = (key) => (parent.get(key) === key ? key : find(parent.get(key)));
    for (const s of net.segments) {
      const along = horizontal(s) ? 0 : 1;
      const on = [...points.values()].filter((p) => onSegment(p, s)).sort((p, q) => p[along] - q[along]);
      for (let i = 1; i < on.length; i++) {
        pieces++;
        const [a, b] = [`${on[i - 1]}`, `${on[i]}`];
        arms.set(a, arms.get(a) + 1);
        arms.set(b, arms.get(b) + 1);
        parent.set(find(a), find(b));
      }
    }
    for (let i = 0; i < net.segments.length; i++) {
      for (let j = i + 1; j < net.segments.length; j++) {
        const [s, t] = [net.segments[i], net.segments[j]];
        if (horizontal(s) === horizontal(t) && touches(s, t)) {
          const axis = horizontal(s) ? 0 : 1;
          const overlap = Math.min(Math.max(s[0][axis], s[1][axis]), Math.max(t[0][axis], t[1][axis]))
            - Math.max(Math.min(s[0][axis], s[1][axis]), Math.min(t[0][axis], t[1][axis]));
          assert.ok(overlap <= 0, `${where}: the same stretch drawn twice`);
        }
      }
    }
    const roots = new Set([...points.keys()].map(find));
    assert.ok(roots.size <= 1, `${where}: in ${roots.size} pieces`);
    if (points.size) assert.equal(pieces, points.size - 1, `${where}: not a tree (${pieces} pieces over ${points.size} points)`);
    const branches = [...arms].filter(([, count]) => count >= 3).map(([key]) => key).sort();
    assert.deepEqual([...net.dots].sort(), branches, `${where}: dots not exactly at the branches`);
    // No segment through a symbol's inside.
    for (const s of net.segments) {
      for (const symbol of symbols) {
        const { x, y, w, h } = symbol.box;
        const [[x0, y0], [x1, y1]] = s;
        const inside = Math.max(x0, x1) > x + 0.5 && Math.min(x0, x1) < x + w - 0.5 && Math.max(y0, y1) > y + 0.5 && Math.min(y0, y1) < y + h - 0.5;
        assert.ok(!inside, `${where}: runs through ${symbol.path}`);
      }
    }
  }
  // No two nets share a stretch of line, or meet where one ends.
  for (let i = 0; i < nets.length; i++) {
    for (let j = i + 1; j < nets.length; j++) {
      for (const s of nets[i].segments) {
        for (const t of nets[j].segments) {
          if (!touches(s, t)) continue;
          // Only end to end, at a frame's port.
          const shared = s.map(String).filter((end) => t.map(String).includes(end));
          const handOver = shared.length === 1 && drawing.ports.has(shared[0]) && !horizontal(s) === !horizontal(t)
            && (horizontal(s) ? s[0][1] === t[0][1] : s[0][0] === t[0][0]) && !(touchesInside(s, t));
          assert.ok(handOver, `${label}: nets ${nets[i].signal} and ${nets[j].signal} meet at ${s} / ${t}`);
        }
      }
    }
  }
}

// Every pin the source wires is reached by the net named for its driver.
function checkWiring(drawing, wired, label) {
  const symbols = new Map(drawing.symbols.map((symbol) => [symbol.path, symbol]));
  const nets = new Map(drawing.nets.map((net) => [net.signal, net]));
  let checked = 0;
  for (const [key, signal] of wired) {
    const [path, pin] = key.split('/');
    const symbol = symbols.get(path);
    if (!symbol) continue;
    const point = symbol.pins.get(pin);
    assert.ok(point, `${label}: ${path} has no pin ${pin}`);
    const net = nets.get(signal);
    assert.ok(net, `${label}: no net ${signal} for ${path}.${pin}`);
    assert.ok(net.segments.some((s) => onSegment(point, s)), `${label}: net ${signal} does not reach ${path}.${pin}`);
    for (const other of drawing.nets) {
      if (other !== net) assert.ok(!other.segments.some((s) => onSegment(point, s)), `${label}: ${other.signal} also reaches ${path}.${pin}`);
    }
    checked++;
  }
  return checked;
}

function checkValues(drawing, dump, row, label) {
  for (const net of drawing.nets) {
    // A gate's "g1.out" is its own variable; an instance's is its output pin.
    const expected = dump.get(net.signal) ?? dump.get(net.signal.replace(/\.out$/, ''));
    assert.ok(expected !== undefined, `${label}: the dump has no ${net.signal}`);
    assert.equal(net.value, expected, `${label}: net ${net.signal}`);
  }
  for (const symbol of drawing.symbols) {
    if (symbol.kind === 'input' || symbol.kind === 'output') assert.equal(symbol.value, String(row[symbol.path]), `${label}: pin ${symbol.path}`);
  }
}

test('random projects: geometry, wiring and values of the drawing, opened and closed', async () => {
  const seeds = Number(process.env.VORN_SCHEMATIC_SEEDS ?? 12);
  let pins = 0;
  for (let seed = 1; seed <= seeds; seed++) {
    const project = generate(seed);
    const dir = join(work, `p${seed}`);
    mkdirSync(join(dir, 'lib'), { recursive: true });
    writeFileSync(join(dir, 'root.vorn'), project.root);
    writeFileSync(join(dir, 'lib', 'part.vorn'), project.part);
    const built = compiler(['root.vorn', '-o', 'root.wasm'], dir);
    assert.equal(built.status, 0, `seed ${seed}: ${built.stderr}\n${project.root}\n${project.part}`);
    const circuit = await loadCircuit(join(dir, 'root.wasm'));
    const random = randomOf(seed * 7919);
    const bits = Object.fromEntries(circuit.inputs.map((name) => [name, random(2)]));
    const outputs = circuit.apply(bits);
    // The compiler's simulation of the same inputs, every component dumped.
    writeFileSync(join(dir, 'row.csv'), `${[...circuit.inputs, ...circuit.outputs].join(',')}\n${[...circuit.inputs.map((n) => bits[n]), ...circuit.outputs.map(() => '*')].join(',')}\n`);
    const run = compiler(['root.vorn', '--test', 'row.csv', '--vcd', 'row.vcd'], dir);
    assert.equal(run.status, 0, `seed ${seed}: ${run.stderr}`);
    const dump = vcdValues(readFileSync(join(dir, 'row.vcd'), 'utf8'));
    const row = Object.fromEntries(Object.entries({ ...bits, ...outputs }).map(([name, value]) => [name, value ?? 'x']));
    for (const name of circuit.outputs) assert.equal(String(row[name]), dump.get(name), `seed ${seed}: output ${name} against the dump`);

    const some = project.instances.filter(() => random(2));
    for (const expand of [[], some, true]) {
      const label = `seed ${seed}, expand ${expand === true ? 'all' : `[${expand}]`}`;
      const svg = await schematicSvg(circuit, { expand, values: true });
      // VORN_SCHEMATIC_DUMP=dir keeps each drawing, to look at a failure.
      if (process.env.VORN_SCHEMATIC_DUMP) writeFileSync(join(process.env.VORN_SCHEMATIC_DUMP, `${label.replace(/\W+/g, '_')}.svg`), svg);
      const drawing = readSvg(svg);
      assert.ok(drawing.symbols.length > 0, label);
      checkGeometry(drawing, label);
      // Pins inside opened instances of part.vorn are wired as in its source.
      const wired = new Map(project.wired);
      for (const instance of expand === true ? project.instances : expand) {
        for (const [key, signal] of project.partWired) wired.set(`${instance}.${key}`, `${instance}.${signal}`);
      }
      pins += checkWiring(drawing, wired, label);
      checkValues(drawing, dump, row, label);
    }
  }
  assert.ok(pins > seeds * 10, `only ${pins} pins checked`);
});

test('a circuit too big to draw opened is drawn closed, and says so', async () => {
  const dir = join(work, 'big');
  mkdirSync(dir, { recursive: true });
  const cell = 'input a, b\nxor x(a=a, b=b)\nand y(a=x.out, b=b)\noutput s(in=y.out)\n';
  const lines = ['import cell "cell.vorn"', 'input a, b'];
  for (let i = 0; i < 700; i++) lines.push(`cell c${i}(a=${i ? `c${i - 1}.s` : 'a'}, b=b)`);
  lines.push('output y(in=c699.s)');
  writeFileSync(join(dir, 'cell.vorn'), cell);
  writeFileSync(join(dir, 'big.vorn'), `${lines.join('\n')}\n`);
  assert.equal(compiler(['big.vorn', '-o', 'big.wasm'], dir).status, 0);
  const circuit = await loadCircuit(join(dir, 'big.wasm'));
  const svg = await schematicSvg(circuit, { expand: true });
  assert.match(svg, /the top level is shown with its sub-circuits closed/);
  const drawing = readSvg(svg);
  assert.equal(drawing.symbols.filter((s) => s.kind === 'cell').length, 700);
  assert.equal(drawing.symbols.length, 703);
});
