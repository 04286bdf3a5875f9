// Draws a truth table object (the compiler's JSON form) into a <table>, with
// a note saying how much of it is shown. Shared by the circuit page and the
// playground.
export const SHOWN_ROWS = 256;

export function renderTruthTable(view, note, table) {
  view.replaceChildren();
  const rowCount = table.rows.length;
  note.textContent = rowCount > SHOWN_ROWS
    ? `Showing the first ${SHOWN_ROWS} of ${rowCount.toLocaleString('en')} rows; the copy buttons copy all of them.`
    : `${rowCount} rows, first input as the least significant bit. An output that never became defined shows as ?.`;

  const head = view.createTHead().insertRow();
  const header = (text, className) => {
    const th = document.createElement('th');
    th.scope = 'col';
    th.className = className;
    th.textContent = text;
    head.append(th);
  };
  table.inputs.forEach((name) => header(name, 'input'));
  table.outputs.forEach((name, i) => header(name, i === 0 ? 'output first-output' : 'output'));
  const body = view.createTBody();
  for (const row of table.rows.slice(0, SHOWN_ROWS)) {
    const tr = body.insertRow();
    for (const bit of row.in) Object.assign(tr.insertCell(), { className: 'input', textContent: String(bit) });
    row.out.forEach((value, i) => Object.assign(tr.insertCell(), {
      className: i === 0 ? 'output first-output' : 'output',
      textContent: value === null ? '?' : String(value),
    }));
  }
}
