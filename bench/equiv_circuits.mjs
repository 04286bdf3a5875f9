// Writes the pairs that bench/equiv_vs_abc.sh checks: a circuit, the same
// function built another way, and that one with one gate changed.
//   node bench/equiv_circuits.mjs DIR
// DIR/<pair>_ref.vorn, DIR/<pair>_alt.vorn, DIR/<pair>_bad.vorn for each
// pair: rca64 (ripple-carry against carry-lookahead), alu32, mul8.
import { mkdirSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';

class Circuit {
  constructor() {
    this.lines = [];
    this.count = 0;
  }
  gate(op, a, b) {
    const id = `g${this.count++}`;
    this.lines.push(`${op} ${id}(a=${a}, b=${b})`);
    return `${id}.out`;
  }
  not(a) {
    const id = `g${this.count++}`;
    this.lines.push(`not ${id}(in=${a})`);
    return `${id}.out`;
  }
  and(a, b) { return this.gate('and', a, b); }
  or(a, b) { return this.gate('or', a, b); }
  xor(a, b) { return this.gate('xor', a, b); }
  nand(a, b) { return this.gate('nand', a, b); }
  text(inputs, outputs) {
    return [`input ${inputs.join(', ')}`, ...this.lines, ...outputs.map(([n, s]) => `output ${n}(in=${s})`)].join('\n') + '\n';
  }
}

// The one changed gate of a "_bad" circuit: the nth AND or NAND becomes an
// OR or NOR.
function mutated(text, nth) {
  const lines = text.split('\n');
  let seen = 0;
  for (let i = 0; i < lines.length; i++) {
    const nand = lines[i].startsWith('nand ');
    if (!nand && !lines[i].startsWith('and ')) continue;
    if (seen++ === nth) {
      lines[i] = nand ? 'nor ' + lines[i].slice(5) : 'or ' + lines[i].slice(4);
      return lines.join('\n');
    }
  }
  throw new Error('no gate to change');
}

const bits = (name, n) => Array.from({ length: n }, (_, i) => `${name}${i}`);

// Full adder written two ways: xor/and/or, or nand-only with a majority carry.
function fullAdder(c, a, b, cin, rewritten) {
  if (!rewritten) {
    const p = c.xor(a, b);
    return [c.xor(p, cin), c.or(c.and(a, b), c.and(p, cin))];
  }
  const n1 = c.nand(a, b);
  const p = c.nand(c.nand(a, n1), c.nand(b, n1));
  const n2 = c.nand(p, cin);
  const sum = c.nand(c.nand(p, n2), c.nand(cin, n2));
  return [sum, c.nand(n1, n2)];
}

function rippleAdder(c, a, b, cin, rewritten) {
  const sums = [];
  let carry = cin;
  for (let i = 0; i < a.length; i++) {
    const [s, co] = fullAdder(c, a[i], b[i], carry, rewritten);
    sums.push(s);
    carry = co;
  }
  return [sums, carry];
}

// Carry-lookahead in blocks of four, each block's carries from generate and
// propagate terms, blocks chained by their group generate and propagate.
function lookaheadAdder(c, a, b, cin) {
  const g = a.map((x, i) => c.and(x, b[i]));
  const p = a.map((x, i) => c.xor(x, b[i]));
  const sums = [];
  let carry = cin;
  for (let base = 0; base < a.length; base += 4) {
    const carries = [carry];
    for (let k = 1; k <= 4; k++) {
      // c_k = g_{k-1} | p_{k-1} g_{k-2} | ... | p_{k-1}..p_0 c_0
      let term = g[base + k - 1];
      let chain = p[base + k - 1];
      for (let j = k - 2; j >= 0; j--) {
        term = c.or(term, c.and(chain, g[base + j]));
        chain = c.and(chain, p[base + j]);
      }
      carries.push(c.or(term, c.and(chain, carry)));
    }
    for (let k = 0; k < 4; k++) sums.push(c.xor(p[base + k], carries[k]));
    carry = carries[4];
  }
  return [sums, carry];
}

function adderPair() {
  const a = bits('a', 64), b = bits('b', 64);
  const inputs = [...a, ...b, 'cin'];
  const outs = (sums, carry) => [...sums.map((s, i) => [`s${i}`, s]), ['cout', carry]];
  const ref = new Circuit();
  const [rs, rc] = rippleAdder(ref, a, b, 'cin', false);
  const alt = new Circuit();
  const [ls, lc] = lookaheadAdder(alt, a, b, 'cin');
  return [ref.text(inputs, outs(rs, rc)), alt.text(inputs, outs(ls, lc)), 200];
}

// result = op 00 AND, 01 OR, 10 ADD, 11 XOR; plus the adder's carry out.
function alu(rewritten) {
  const a = bits('a', 32), b = bits('b', 32);
  const c = new Circuit();
  const [sums, carry] = rippleAdder(c, a, b, 'cin', rewritten);
  const n0 = c.not('op0'), n1 = c.not('op1');
  const outputs = [];
  for (let i = 0; i < 32; i++) {
    let result;
    if (!rewritten) {
      const pick = (x, s1, s0) => c.and(x, c.and(s1, s0));
      result = c.or(c.or(pick(c.and(a[i], b[i]), n1, n0), pick(c.or(a[i], b[i]), n1, 'op0')),
                    c.or(pick(sums[i], 'op1', n0), pick(c.xor(a[i], b[i]), 'op1', 'op0')));
    } else {
      // Two-level muxes written with NAND gates, OR by De Morgan.
      const mux = (s, x, y) => c.nand(c.nand(x, c.not(s)), c.nand(y, s));
      const orGate = c.not(c.and(c.not(a[i]), c.not(b[i])));
      const xorGate = c.and(orGate, c.nand(a[i], b[i]));
      result = mux('op1', mux('op0', c.and(a[i], b[i]), orGate), mux('op0', sums[i], xorGate));
    }
    outputs.push([`r${i}`, result]);
  }
  outputs.push(['cout', carry]);
  return c.text([...a, ...b, 'cin', 'op0', 'op1'], outputs);
}

// Array multiplier: each row of partial products added to the running sum
// with a row of full adders, the final carries rippled.
function multiplier(rewritten) {
  const a = bits('a', 8), b = bits('b', 8);
  const c = new Circuit();
  const pp = (i, j) => (rewritten ? c.not(c.nand(a[i], b[j])) : c.and(a[i], b[j]));
  const product = [];
  let row = a.map((_, i) => pp(i, 0));
  product.push(row[0]);
  let high = row.slice(1);  // bits 1..7 of the running sum above bit j
  for (let j = 1; j < 8; j++) {
    const next = [];
    let carry = null;
    for (let i = 0; i < 8; i++) {
      const x = pp(i, j);
      const y = i < high.length ? high[i] : null;
      if (y === null && carry === null) next.push(x);
      else if (y === null) [next[i], carry] = halfAdd(c, x, carry, rewritten);
      else if (carry === null) [next[i], carry] = halfAdd(c, x, y, rewritten);
      else [next[i], carry] = fullAdder(c, x, y, carry, rewritten);
    }
    next.push(carry);
    product.push(next[0]);
    high = next.slice(1);
  }
  product.push(...high);
  return c.text([...a, ...b], product.map((s, i) => [`p${i}`, s]));
}

function halfAdd(c, x, y, rewritten) {
  if (!rewritten) return [c.xor(x, y), c.and(x, y)];
  const n = c.nand(x, y);
  return [c.nand(c.nand(x, n), c.nand(y, n)), c.not(n)];
}

const dir = process.argv[2];
mkdirSync(dir, { recursive: true });
const [rcaRef, rcaAlt, rcaMutation] = adderPair();
const pairs = {
  rca64: [rcaRef, rcaAlt, rcaMutation],
  alu32: [alu(false), alu(true), 70],
  mul8: [multiplier(false), multiplier(true), 60],
};
for (const [name, [ref, alt, nth]] of Object.entries(pairs)) {
  writeFileSync(join(dir, `${name}_ref.vorn`), ref);
  writeFileSync(join(dir, `${name}_alt.vorn`), alt);
  writeFileSync(join(dir, `${name}_bad.vorn`), mutated(alt, nth));
}
