// Writes table.md: 300 random additions, their sums by integer addition,
// the columns shuffled, then one row whose sum is deliberately one too big.
const bits = (value, name, count) => Array.from({ length: count }, (_, i) => [`${name}${i}`, (value >> i) & 1]);
let seed = 20261207;
const random16 = () => {
  seed = (Math.imul(seed, 1103515245) + 12345) >>> 0;
  return seed >>> 16;
};
const names = [...bits(0, 'a', 16), ...bits(0, 'b', 16), ...bits(0, 's', 16), ['cout', 0]].map(([n]) => n);
const order = names.map((name, i) => [(i * 37) % names.length, name]).sort((x, y) => x[0] - y[0]).map(([, n]) => n);
const row = (a, b, sum) => {
  const cells = Object.fromEntries([...bits(a, 'a', 16), ...bits(b, 'b', 16), ...bits(sum, 's', 16), ['cout', sum >> 16]]);
  return `| ${order.map((name) => cells[name]).join(' | ')} |`;
};
const lines = [`| ${order.join(' | ')} |`, `|${order.map(() => '---').join('|')}|`];
for (let i = 0; i < 300; i++) {
  const a = random16();
  const b = random16();
  lines.push(row(a, b, a + b));
}
lines.push('// 0x00ff + 0 is not 0x0100');
lines.push(row(0x00ff, 0, 0x0100));
process.stdout.write(`${lines.join('\n')}\n`);
