// The compiler's CSV and Markdown renderings of a truth table object, for
// copying a table out of a page or a tool.

const cell = (value) => (value === null ? '?' : String(value));

export function toCsv(table) {
  const lines = [[...table.inputs, ...table.outputs].join(',')];
  for (const row of table.rows) lines.push([...row.in, ...row.out.map(cell)].join(','));
  return `${lines.join('\n')}\n`;
}

// Columns are as wide as their names in bytes (at least 1); no alignment
// colons.
export function toMarkdown(table) {
  const encoder = new TextEncoder();
  const names = [...table.inputs, ...table.outputs];
  const widths = names.map((name) => Math.max(1, encoder.encode(name).length));
  const line = (cells) => `|${cells.map((text, i) => ` ${text}${' '.repeat(widths[i] - encoder.encode(text).length)} |`).join('')}`;
  const lines = [line(names), `|${widths.map((w) => `${'-'.repeat(w + 2)}|`).join('')}`];
  for (const row of table.rows) lines.push(line([...row.in.map(String), ...row.out.map(cell)]));
  return `${lines.join('\n')}\n`;
}
