// Test tables, as `vorn-compile FILE --test TABLE` reads and runs them: a
// Markdown or CSV table of input rows and expected outputs. Parsing and
// checking live here; circuit.mjs drives the rows.

const encoder = new TextEncoder();
const isBlank = (ch) => ch === ' ' || ch === '\t' || ch === '\r';

// A fault located like the compiler's: "TABLE:LINE:COL: error: message",
// columns counted in bytes from 1.
export class TableError extends Error {
  constructor(name, line, column, message) {
    super(`${name}:${line}:${column}: error: ${message}`);
    this.name = 'TableError';
    this.line = line;
    this.column = column;
    this.reason = message;
  }
}

function trimmed(text, begin, end) {
  while (begin < end && isBlank(text[begin])) begin++;
  while (end > begin && isBlank(text[end - 1])) end--;
  return [begin, end];
}

// Control bytes of the table's text in a message, as the compiler prints
// them: "\\n", "\\r" and "\\t" for those three, "?" for the other C0 and
// C1 controls and DEL.
const printable = (text) =>
  text.replace(/[\u0000-\u001f\u007f-\u009f]/g, (ch) => ({ '\n': '\\n', '\r': '\\r', '\t': '\\t' })[ch] ?? '?');

// The table's lines of cells {text, column}, one at a time: the header
// first, then the rows. The first line that is neither blank nor a "//"
// comment decides the form, and a Markdown header may be followed by one
// alignment row. Lines are read only as they are asked for, so a fault is
// found in the order of the text, with the header's checks before any row.
function* tableLines(text, fail) {
  let form = null;
  // A byte-order mark, as spreadsheets write, is no part of the first name.
  if (text.startsWith('\uFEFF')) text = text.slice(1);
  let read = 0;
  let headerCells = 0;
  const lines = text.split('\n');
  for (let index = 0; index < lines.length; index++) {
    const line = lines[index];
    const number = index + 1;
    const column = (offset) => encoder.encode(line.slice(0, offset)).length + 1;
    const [begin, end] = trimmed(line, 0, line.length);
    if (begin === end || line.startsWith('//', begin)) continue;
    const markdown = line[begin] === '|';
    form ??= markdown ? 'markdown' : 'csv';
    let from = begin;
    let to = end;
    let separator = ',';
    if (form === 'csv') {
      if (markdown) fail(number, column(begin), "expected a CSV row: the table's first line does not start with '|'");
    } else {
      if (!markdown) fail(number, column(begin), "expected a Markdown row starting with '|', as the table's first line does");
      if (end - begin < 2 || line[end - 1] !== '|') fail(number, column(end), "expected '|' at the end of a Markdown row");
      from = begin + 1;
      to = end - 1;
      separator = '|';
    }
    const cells = [];
    for (let start = from; ; ) {
      let stop = line.indexOf(separator, start);
      if (stop === -1 || stop > to) stop = to;
      const [b, e] = trimmed(line, start, stop);
      cells.push({ text: line.slice(b, e), column: b });
      if (stop === to) break;
      start = stop + 1;
    }
    const entry = { number, cells, end: column(end), column };
    read++;
    if (read === 1) headerCells = cells.length;
    const alignment = cells.every(({ text: cell }) => /^:?-+:?$/.test(cell));
    if (form === 'markdown' && read === 2 && alignment) {
      checkCellCount(entry, headerCells, fail);
      continue;
    }
    yield entry;
  }
}

function checkCellCount(line, expected, fail) {
  const count = line.cells.length;
  if (count === expected) return;
  const column = count > expected ? line.column(line.cells[expected].column) : line.end;
  fail(line.number, column, `row has ${count} cells; the header has ${expected}`);
}

const OUTPUT_CELLS = new Set(['0', '1', '?', '*', '']);

// The table checked against the circuit's pin names: columns, and for each
// row its line, input bits in the circuit's order and the output cells. The
// first fault in the text's order is reported, exactly as the compiler does:
// line by line, each line's form first; in the header each cell in turn
// (unknown, repeated), then a missing input, then no output column; in a row
// its number of cells, then each cell in turn; and last a table without rows.
export function parseTestTable(text, inputNames, outputNames, name) {
  const fail = (line, column, message) => {
    throw new TableError(name, line, column, message);
  };
  const lines = tableLines(text, fail);
  const first = lines.next();
  if (first.done) fail(1, 1, 'table has no rows');
  const header = first.value;
  const pins = new Map();
  outputNames.forEach((pin, index) => pins.set(pin, { input: false, index }));
  inputNames.forEach((pin, index) => pins.set(pin, { input: true, index }));
  const seen = new Set();
  const quoted = (cell) => `'${printable(cell)}'`;
  const columns = header.cells.map((cell) => {
    const pin = pins.get(cell.text);
    if (!pin) fail(header.number, header.column(cell.column), `unknown column ${quoted(cell.text)}`);
    if (seen.has(cell.text)) fail(header.number, header.column(cell.column), `repeated column ${quoted(cell.text)}`);
    seen.add(cell.text);
    return { name: cell.text, ...pin };
  });
  const missing = inputNames.find((pin) => !seen.has(pin));
  if (missing !== undefined) fail(header.number, 1, `missing input column ${quoted(missing)}`);
  if (!columns.some((column) => !column.input)) fail(header.number, 1, 'no output column');

  const parsed = [];
  for (const line of lines) {
    checkCellCount(line, columns.length, fail);
    const bits = new Array(inputNames.length);
    const expected = [];
    line.cells.forEach((cell, c) => {
      const column = columns[c];
      const allowed = column.input ? cell.text === '0' || cell.text === '1' : OUTPUT_CELLS.has(cell.text);
      if (!allowed) {
        const kind = column.input ? 'input' : 'output';
        const values = column.input ? '0 or 1' : '0, 1, ?, * or empty';
        fail(line.number, line.column(cell.column), `cell ${quoted(cell.text)} is not allowed in ${kind} column ${quoted(column.name)} (${values})`);
      }
      if (column.input) bits[column.index] = Number(cell.text);
      else expected.push(cell.text);
    });
    parsed.push({ line: line.number, bits, expected });
  }
  if (parsed.length === 0) fail(header.number, 1, 'table has no rows');
  return { columns, outputs: columns.filter((column) => !column.input), rows: parsed };
}

const cellOf = (value) => (value === null ? '?' : String(value));
const expectedValue = (cell) => (cell === '?' ? null : Number(cell));
const isChecked = (cell) => cell === '0' || cell === '1' || cell === '?';

// The compiler's JSON report for rows already run: `results` holds, per row,
// {settled, got} with got[k] the value of output column k (0, 1 or null).
export function testReport(name, table, inputNames, results) {
  const rows = table.rows.map((row, r) => {
    const { settled, got } = results[r];
    const expected = {};
    const actual = {};
    const differing = [];
    table.outputs.forEach((column, k) => {
      const cell = row.expected[k];
      actual[column.name] = got[k];
      if (!isChecked(cell)) return;
      expected[column.name] = expectedValue(cell);
      if (cell !== cellOf(got[k])) differing.push([column.name, cell, cellOf(got[k])]);
    });
    const ok = settled && differing.length === 0;
    let reason = null;
    if (!settled) reason = 'did not settle';
    else if (!ok) {
      reason = `expected ${differing.map(([n, e]) => `${n}=${e}`).join(' ')}, got ${differing.map(([n, , g]) => `${n}=${g}`).join(' ')}`;
    }
    const inputs = Object.fromEntries(inputNames.map((pin, i) => [pin, row.bits[i]]));
    return { line: row.line, inputs, expected, actual, ok, reason };
  });
  const passed = rows.filter((row) => row.ok).length;
  return { table: name, passed, failed: rows.length - passed, rows };
}
