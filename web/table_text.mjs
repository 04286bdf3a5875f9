// The compiler's CSV and Markdown renderings of a truth table object, for
// copying a table out of a page or a tool.

const cell = (value) => (value === null ? '?' : String(value));

export function toCsv(table) {
  const lines = [[...table.inputs, ...table.outputs].join(',')];
  for (const row of table.rows) lines.push([...row.in, ...row.out.map(cell)].join(','));
  return `${lines.join('\n')}\n`;
}

// Columns are as wide as their names in bytes (at least 1); no alignment
// colons. Every cell below the header is one byte wide, so each column's
// padding is worked out once: a 65,536-row table takes linear time.
export function toMarkdown(table) {
  const encoder = new TextEncoder();
  const names = [...table.inputs, ...table.outputs];
  const widths = names.map((name) => Math.max(1, encoder.encode(name).length));
  const header = `|${names.map((name, i) => ` ${name}${' '.repeat(widths[i] - encoder.encode(name).length)} |`).join('')}`;
  const separator = `|${widths.map((w) => `${'-'.repeat(w + 2)}|`).join('')}`;
  const tails = widths.map((w) => `${' '.repeat(w)}|`);
  const inputCount = table.inputs.length;
  const lines = [header, separator];
  for (const row of table.rows) {
    let line = '|';
    for (let i = 0; i < inputCount; i++) line += ` ${row.in[i]}${tails[i]}`;
    for (let i = 0; i < row.out.length; i++) line += ` ${cell(row.out[i])}${tails[inputCount + i]}`;
    lines.push(line);
  }
  return `${lines.join('\n')}\n`;
}
