// Draws a truth table object (the compiler's JSON form) into a <table>
// inside a scrolling box, with a note saying what it shows. Shared by the
// circuit page and the playground.
//
// Only the rows in sight (and a margin) are in the document, between two
// spacer rows that keep the scroll height, so 65,536 rows scroll as
// smoothly as eight. Output columns stick to the box's right edge, so a
// wide table on a narrow screen still shows its outputs.

const OVERSCAN = 20;
const views = new WeakMap();

// "1 row", "65,536 rows".
export function countText(count, one, many = `${one}s`) {
  return `${count.toLocaleString('en')} ${count === 1 ? one : many}`;
}

// The table's row for these input values (first input the least
// significant bit), or -1 when one of them is unknown.
export function rowOf(table, inputs) {
  let row = 0;
  for (const [i, name] of table.inputs.entries()) {
    const bit = inputs[name];
    if (bit !== 0 && bit !== 1) return -1;
    row |= bit << i;
  }
  return row;
}

// The rows a filter lets through, as a sorted list of indices, or null for
// every row. Words are separated by spaces and all must hold: "a=1" keeps
// the rows where pin a (an input or an output) is 1 ("?" for undefined);
// a number keeps that row; any other word, the rows whose "pin=value"
// text contains it.
export function filterRows(table, text) {
  const words = String(text).trim().split(/\s+/).filter(Boolean);
  if (!words.length) return null;
  const names = [...table.inputs, ...table.outputs];
  const tests = words.map((word) => {
    const match = /^([^=]+)=([01?])$/.exec(word);
    const column = match ? names.indexOf(match[1]) : -1;
    if (column >= 0) {
      const want = match[2] === '?' ? null : Number(match[2]);
      const input = column < table.inputs.length;
      const k = input ? column : column - table.inputs.length;
      return (row) => (input ? row.in[k] : row.out[k]) === want;
    }
    if (/^\d+$/.test(word)) return (row, index) => index === Number(word);
    const needle = word.toLowerCase();
    return (row) => names.map((name, c) => {
      const value = c < table.inputs.length ? row.in[c] : row.out[c - table.inputs.length];
      return `${name}=${value === null ? '?' : value}`;
    }).join(' ').toLowerCase().includes(needle);
  });
  const kept = [];
  table.rows.forEach((row, index) => { if (tests.every((test) => test(row, index))) kept.push(index); });
  return kept;
}

// Empties a view drawn by renderTruthTable and stops its listeners.
export function clearTruthTable(view) {
  views.get(view)?.();
  views.delete(view);
  view.replaceChildren();
}

// Returns { mark(row, scroll), filter(text), near(row, step) }: mark()
// highlights one row (aria-current) and, with scroll, brings it into view;
// filter() shows only the rows filterRows() keeps and returns their count;
// near() is the row shown `step` places from `row`. options.onRowClick
// receives the index of a clicked row; options.rowNumbers adds a first
// column with each row's number (its inputs as a binary number).
export function renderTruthTable(view, note, table, options = {}) {
  views.get(view)?.();
  view.replaceChildren();
  const box = view.parentElement;
  const rowCount = table.rows.length;
  const inputCount = table.inputs.length;
  note.textContent = `${countText(rowCount, 'row')}, first input as the least significant bit. `
    + 'An output that never became defined shows as ?.';
  view.setAttribute('aria-rowcount', String(rowCount + 1));

  const numbered = Boolean(options.rowNumbers);
  const headRow = view.createTHead().insertRow();
  headRow.setAttribute('aria-rowindex', '1');
  const header = (text, className) => {
    const th = document.createElement('th');
    th.scope = 'col';
    th.className = className;
    th.textContent = text;
    headRow.append(th);
    return th;
  };
  if (numbered) header('#', 'row-number');
  table.inputs.forEach((name) => header(name, 'input'));
  const outputHeads = table.outputs.map((name, i) => header(name, i === 0 ? 'output first-output' : 'output'));

  const body = view.createTBody();
  const spacer = () => {
    const tr = document.createElement('tr');
    tr.className = 'spacer';
    tr.setAttribute('aria-hidden', 'true');
    const td = document.createElement('td');
    td.colSpan = inputCount + table.outputs.length + (numbered ? 1 : 0);
    tr.append(td);
    return tr;
  };
  const above = spacer();
  const below = spacer();
  let current = -1;
  // The rows shown, by position: every row, or those a filter keeps.
  let shown = null;
  const shownCount = () => (shown ? shown.length : rowCount);
  const rowAt = (position) => (shown ? shown[position] : position);
  let rights = [];
  let first = 0;
  let last = -1;

  const rowElement = (index) => {
    const row = table.rows[index];
    const tr = document.createElement('tr');
    tr.dataset.row = String(index);
    tr.setAttribute('aria-rowindex', String(index + 2));
    if (index === current) {
      tr.className = 'current';
      tr.setAttribute('aria-current', 'true');
    }
    if (numbered) Object.assign(tr.insertCell(), { className: 'row-number', textContent: String(index) });
    for (const bit of row.in) Object.assign(tr.insertCell(), { className: 'input', textContent: String(bit) });
    row.out.forEach((value, i) => {
      const td = tr.insertCell();
      td.className = i === 0 ? 'output first-output' : 'output';
      td.textContent = value === null ? '?' : String(value);
      if (rights.length) td.style.right = `${rights[i]}px`;
    });
    return tr;
  };

  // Measured once the table is in sight (the playground draws it into a
  // hidden tab): every row is as tall as the first, and outputs stick
  // right, each offset by the widths of the outputs after it.
  let rowHeight = 28;
  let measured = false;
  const measure = () => {
    const sample = body.querySelector('tr[data-row]');
    const height = sample?.getBoundingClientRect().height ?? 0;
    const widths = outputHeads.map((th) => th.getBoundingClientRect().width);
    if (!height || widths.some((w) => !w)) return false;
    rowHeight = height;
    rights = widths.map((_, i) => widths.slice(i + 1).reduce((sum, w) => sum + w, 0));
    outputHeads.forEach((th, i) => { th.style.right = `${rights[i]}px`; });
    for (const tr of body.querySelectorAll('tr[data-row]')) {
      [...tr.cells].slice(inputCount + (numbered ? 1 : 0)).forEach((td, i) => { td.style.right = `${rights[i]}px`; });
    }
    measured = true;
    return true;
  };

  const draw = () => {
    // A table emptied or drawn anew since leaves this one's callbacks idle.
    if (body.parentNode !== view) return;
    const headHeight = view.tHead.getBoundingClientRect().height;
    const seen = Math.max(0, (box?.scrollTop ?? 0) - headHeight);
    const height = box?.clientHeight || 448;
    const from = Math.max(0, Math.floor(seen / rowHeight) - OVERSCAN);
    const count = shownCount();
    const to = Math.min(count - 1, Math.ceil((seen + height) / rowHeight) + OVERSCAN);
    if (from === first && to === last) return;
    first = from;
    last = to;
    // Rows still in range keep their elements, so that a row under the
    // pointer stays the same row while the box scrolls.
    const kept = new Map([...body.querySelectorAll('tr[data-row]')].map((tr) => [Number(tr.dataset.row), tr]));
    const rows = [];
    for (let i = from; i <= to; i++) rows.push(kept.get(rowAt(i)) ?? rowElement(rowAt(i)));
    body.replaceChildren(...(from > 0 ? [above] : []), ...rows, ...(to < count - 1 ? [below] : []));
    above.firstChild.style.height = `${from * rowHeight}px`;
    below.firstChild.style.height = `${Math.max(0, count - 1 - to) * rowHeight}px`;
    if (!measured && measure()) {
      first = -1;
      draw();
    }
  };

  let frame = 0;
  const onScroll = () => {
    if (!frame) frame = requestAnimationFrame(() => { frame = 0; draw(); });
  };
  const onClick = (event) => {
    const tr = event.target.closest?.('tr[data-row]');
    if (tr && options.onRowClick) options.onRowClick(Number(tr.dataset.row));
  };
  box?.addEventListener('scroll', onScroll);
  body.addEventListener('click', onClick);
  if (options.onRowClick) view.classList.add('clickable');
  else view.classList.remove('clickable');
  // Measured and drawn again when the box changes size (a phone turned, a
  // narrower font) or first comes into sight.
  const resized = typeof ResizeObserver === 'function' && box
    ? new ResizeObserver(() => {
      measured = false;
      first = -1;
      draw();
      // Rows change height with the font: keep the marked one in sight.
      if (current >= 0) mark(current, true);
    }) : null;
  resized?.observe(box);
  views.set(view, () => {
    resized?.disconnect();
    box?.removeEventListener('scroll', onScroll);
    cancelAnimationFrame(frame);
  });
  first = -1;
  draw();

  const mark = (index, scroll = true) => {
    current = index;
    if (body.parentNode !== view) return;
    for (const tr of body.querySelectorAll('tr[aria-current]')) {
      tr.classList.remove('current');
      tr.removeAttribute('aria-current');
    }
    if (index < 0 || index >= rowCount) return;
    const position = shown ? shown.indexOf(index) : index;
    if (scroll && box && position >= 0) {
      const headHeight = view.tHead.getBoundingClientRect().height;
      const top = headHeight + position * rowHeight;
      if (top - headHeight < box.scrollTop) box.scrollTop = top - headHeight;
      else if (top + rowHeight > box.scrollTop + box.clientHeight) box.scrollTop = top + rowHeight - box.clientHeight;
      first = -1;
      draw();
    }
    const tr = body.querySelector(`tr[data-row="${index}"]`);
    if (tr) {
      tr.classList.add('current');
      tr.setAttribute('aria-current', 'true');
    }
  };
  const filter = (text) => {
    shown = filterRows(table, text);
    box?.scrollTo?.(0, 0);
    first = -1;
    draw();
    if (current >= 0) mark(current, true);
    return shownCount();
  };
  // The row shown `step` places from `index` (or the first one), or -1.
  const near = (index, step) => {
    const count = shownCount();
    if (!count) return -1;
    const position = shown ? shown.indexOf(index) : index;
    if (position < 0 || index < 0 || index >= rowCount) return rowAt(0);
    return rowAt(Math.min(count - 1, Math.max(0, position + step)));
  };
  return { mark, filter, near, get rowHeight() { return rowHeight; } };
}
