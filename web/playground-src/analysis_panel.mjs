// The playground's "Analysis" panel: what `vorn-compile --analyze
// --format=json` says about the root circuit (computed in the compiler
// worker), drawn here. Karnaugh maps are CSS grids so that each group of the
// minimal sum of products can be outlined over the cells it covers; a group
// that wraps around an edge is outlined in pieces. Groups differ by colour, by
// line style and by letter (in the cells and in the legend), so colour is
// never the only cue.

const GROUP_LETTERS = 'ABCDEFGHIJKLMNOPQRSTUVWXYZ';
// Line styles in turn, for readers who cannot tell the colours apart.
const GROUP_STYLES = ['solid', 'dashed', 'dotted', 'double'];
const GROUP_COLOURS = 8;

const el = (tag, props = {}, ...children) => {
  const node = Object.assign(document.createElement(tag), props);
  node.append(...children.filter((child) => child !== null && child !== undefined));
  return node;
};

const letter = (i) => GROUP_LETTERS[i % GROUP_LETTERS.length] + (i >= GROUP_LETTERS.length ? String(Math.floor(i / GROUP_LETTERS.length)) : '');

// Maximal runs of consecutive indices in a sorted list: [[first, last], …].
function runs(indices) {
  const out = [];
  for (const i of [...new Set(indices)].sort((a, b) => a - b)) {
    const last = out.at(-1);
    if (last && last[1] === i - 1) last[1] = i;
    else out.push([i, i]);
  }
  return out;
}

// The rectangles outlining one group on one map: a group of a minimal
// product is every cell of some rows crossed with some columns.
function groupRectangles(cells, map) {
  const mine = cells.filter(([m]) => m === map);
  if (!mine.length) return [];
  const rows = runs(mine.map(([, r]) => r));
  const cols = runs(mine.map(([, , c]) => c));
  return rows.flatMap((rowRun) => cols.map((colRun) => ({ rows: rowRun, cols: colRun })));
}

const axisName = (axis) => axis.vars.join(',') || '—';

function mapGrid(output, map, analysisId) {
  const { kmap } = output;
  const rowLabels = kmap.rows.labels;
  const colLabels = kmap.cols.labels;
  const grid = el('div', { className: 'kmap' });
  grid.setAttribute('role', 'table');
  const mapLabel = kmap.maps.vars.length ? `, ${kmap.maps.vars.join('')} = ${kmap.maps.labels[map]}` : '';
  grid.setAttribute('aria-label', `Karnaugh map of ${output.name}${mapLabel}; rows ${axisName(kmap.rows)}, columns ${axisName(kmap.cols)}`);
  // The variables of each axis, for readers of the page other than people.
  Object.assign(grid.dataset, {
    rowVars: kmap.rows.vars.join(' '), colVars: kmap.cols.vars.join(' '),
    mapVars: kmap.maps.vars.join(' '), mapLabel: kmap.maps.labels[map],
  });
  grid.style.gridTemplateColumns = `auto repeat(${colLabels.length}, var(--kmap-cell))`;
  grid.style.gridTemplateRows = `auto repeat(${rowLabels.length}, var(--kmap-cell))`;
  const place = (node, row, col) => {
    node.style.gridRow = String(row + 1);
    node.style.gridColumn = String(col + 1);
    return node;
  };
  // Which groups cover each cell, for the letters shown in it.
  const covering = new Map();
  for (const [g, group] of kmap.groups.entries()) {
    for (const [m, r, c] of group.cells) {
      if (m !== map) continue;
      const key = `${r},${c}`;
      if (!covering.has(key)) covering.set(key, []);
      covering.get(key).push(g);
    }
  }
  const header = el('div', { className: 'kmap-row' });
  header.setAttribute('role', 'row');
  const corner = place(el('div', { className: 'kmap-corner', textContent: `${axisName(kmap.rows)} \\ ${axisName(kmap.cols)}` }), 0, 0);
  corner.setAttribute('role', 'columnheader');
  header.append(corner);
  for (const [c, label] of colLabels.entries()) {
    const cell = place(el('div', { className: 'kmap-label', textContent: label }), 0, c + 1);
    cell.setAttribute('role', 'columnheader');
    header.append(cell);
  }
  grid.append(header);
  for (const [r, rowLabel] of rowLabels.entries()) {
    const row = el('div', { className: 'kmap-row' });
    row.setAttribute('role', 'row');
    const head = place(el('div', { className: 'kmap-label', textContent: rowLabel }), r + 1, 0);
    head.setAttribute('role', 'rowheader');
    row.append(head);
    for (const c of colLabels.keys()) {
      const value = kmap.cells[map][r][c];
      const groups = covering.get(`${r},${c}`) ?? [];
      const cell = place(el('div', { className: 'kmap-cell' }), r + 1, c + 1);
      cell.setAttribute('role', 'cell');
      cell.dataset.value = value === null ? '-' : String(value);
      cell.append(el('span', { className: 'kmap-value', textContent: value === null ? '–' : String(value) }));
      if (groups.length) {
        const marks = el('span', { className: 'kmap-marks', textContent: groups.map(letter).join('') });
        marks.title = `in group${groups.length > 1 ? 's' : ''} ${groups.map(letter).join(', ')}`;
        cell.append(marks);
      }
      row.append(cell);
    }
    grid.append(row);
  }
  // The outlines, inset a little more for each later group so that groups
  // sharing an edge stay apart.
  for (const [g, group] of kmap.groups.entries()) {
    for (const rect of groupRectangles(group.cells, map)) {
      const outline = el('div', { className: `kmap-group colour-${g % GROUP_COLOURS}` });
      outline.setAttribute('aria-hidden', 'true');
      outline.dataset.group = letter(g);
      outline.style.gridRow = `${rect.rows[0] + 2} / ${rect.rows[1] + 3}`;
      outline.style.gridColumn = `${rect.cols[0] + 2} / ${rect.cols[1] + 3}`;
      outline.style.borderStyle = GROUP_STYLES[g % GROUP_STYLES.length];
      outline.style.setProperty('--inset', `${2 + (g % 4) * 3}px`);
      grid.append(outline);
    }
  }
  const figure = el('figure', { className: 'kmap-figure' });
  figure.id = `${analysisId}-map-${map}`;
  if (kmap.maps.vars.length) figure.append(el('figcaption', { textContent: `${kmap.maps.vars.join('')} = ${kmap.maps.labels[map]}` }));
  figure.append(grid);
  return figure;
}

// Past this many characters an expression is cut short on the page (laying
// out megabytes of text would stall it); the whole can still be copied.
const SHOWN_CHARACTERS = 4000;

function formBlock(label, form, noun) {
  const block = el('div', { className: 'analysis-form' });
  const method = el('span', { className: `method ${form.method}`, textContent: form.method });
  block.append(el('h4', {}, `${label} `, method, ` ${form.count} ${noun}${form.count === 1 ? '' : 's'}`));
  if (form.text.length <= SHOWN_CHARACTERS) {
    block.append(el('p', { className: 'expression' }, el('code', { textContent: form.text })));
    return block;
  }
  // Cut between two terms (or two sums), not inside one.
  const cut = form.text.lastIndexOf(noun === 'term' ? ' + ' : '·(', SHOWN_CHARACTERS);
  const shown = form.text.slice(0, cut > 0 ? cut : SHOWN_CHARACTERS);
  const copy = el('button', { type: 'button', textContent: 'Copy the whole expression' });
  const status = el('span', { className: 'panel-note' });
  status.setAttribute('aria-live', 'polite');
  copy.addEventListener('click', async () => {
    try {
      await navigator.clipboard.writeText(form.text);
      status.textContent = ` Copied (${form.text.length.toLocaleString('en')} characters).`;
    } catch {
      status.textContent = ' The clipboard refused it.';
    }
  });
  block.append(el('p', { className: 'expression' }, el('code', { textContent: `${shown} …` })),
    el('p', {}, `Shown in part (${form.text.length.toLocaleString('en')} characters in all). `, copy, status));
  return block;
}

function legend(output) {
  const list = el('ol', { className: 'kmap-legend' });
  list.setAttribute('aria-label', `Groups of ${output.name}'s minimal sum of products`);
  for (const [g, group] of output.kmap.groups.entries()) {
    const term = output.sop.terms[group.term];
    const swatch = el('span', { className: `swatch colour-${g % GROUP_COLOURS}` });
    swatch.style.borderStyle = GROUP_STYLES[g % GROUP_STYLES.length];
    swatch.setAttribute('aria-hidden', 'true');
    const item = el('li', {}, swatch, el('strong', { textContent: letter(g) }), ` = ${term.length ? term.join('·') : '1'} (${group.cells.length} cell${group.cells.length === 1 ? '' : 's'})`);
    list.append(item);
  }
  return list;
}

function depthBlock(output, showPath) {
  const { depth } = output;
  const block = el('div', { className: 'analysis-depth' });
  block.append(el('h4', { textContent: 'Depth and critical path' }));
  if (!depth.bounded) {
    block.append(el('p', { textContent: 'None: a feedback loop lies before the output, so it may never settle.' }));
    return block;
  }
  if (!depth.reached) {
    block.append(el('p', { textContent: 'None: no input reaches the output.' }));
    return block;
  }
  block.append(el('p', { textContent: `${depth.gates} gate${depth.gates === 1 ? '' : 's'}; delay ${depth.delay} (the simulator's time units).` }));
  const path = el('ol', { className: 'critical-path' });
  path.setAttribute('aria-label', `Critical path of ${output.name}, from input to output`);
  for (const step of depth.path) {
    path.append(el('li', {}, el('code', { textContent: step.path }), ` (${step.kind}) at ${step.at}`));
  }
  block.append(path);
  if (showPath) {
    const button = el('button', { type: 'button', textContent: `Show ${output.name}'s critical path in the schematic` });
    button.addEventListener('click', () => showPath(criticalPath(output)));
    block.append(el('p', {}, button));
  }
  return block;
}

function sizeBlock(size) {
  const section = el('section', { className: 'analysis-size' });
  section.setAttribute('aria-labelledby', 'analysis-size-title');
  section.append(el('h3', { id: 'analysis-size-title', textContent: 'Size' }));
  const line = (counts) => Object.entries(counts).map(([name, count]) => `${count} ${name}`).join(', ') || 'none';
  const list = el('dl', {});
  list.append(el('dt', { textContent: 'As written' }), el('dd', { textContent: line(size.written) }));
  list.append(el('dt', { textContent: 'Flattened' }), el('dd', { textContent: line(size.flattened) }));
  list.append(el('dt', { textContent: 'Two-input gate equivalents' }), el('dd', { textContent: String(size.gate_equivalents) }));
  section.append(list);
  return section;
}

function outputSection(output, index, showPath) {
  const id = `analysis-output-${index}`;
  const section = el('section', { className: 'analysis-output' });
  section.dataset.output = output.name;
  section.setAttribute('aria-labelledby', `${id}-title`);
  section.append(el('h3', { id: `${id}-title`, textContent: `Output ${output.name}` }));
  const support = output.support ?? output.reach;
  section.append(el('p', { className: 'support', textContent: `Support: ${support.length ? support.join(', ') : 'none (constant)'}` }));
  if (output.sop) {
    section.append(formBlock('Minimal sum of products', output.sop, 'term'));
    section.append(formBlock('Minimal product of sums', output.pos, 'sum'));
  } else {
    section.append(el('p', { className: 'panel-note', textContent: `No minimal forms: ${output.reason}.` }));
  }
  if (output.kmap) {
    section.append(el('h4', { textContent: 'Karnaugh map' }));
    const maps = el('div', { className: 'kmaps' });
    for (const m of output.kmap.cells.keys()) maps.append(mapGrid(output, m, id));
    section.append(maps, legend(output));
  }
  section.append(depthBlock(output, showPath));
  return section;
}

// Shows an analysis (the parsed JSON) in `view`, replacing what was there.
// With `showPath`, each output's critical path gets a button handing it to
// that function.
export function renderAnalysis(view, analysis, { showPath } = {}) {
  view.replaceChildren(sizeBlock(analysis.size), ...analysis.outputs.map((output, i) => outputSection(output, i, showPath)));
}

// The components on an output's critical path and every instance holding
// one ("h1.o.na" brings "h1.o" and "h1"), so that the path shows whether
// the schematic draws an instance opened or closed.
export function criticalPath(output) {
  const paths = new Set();
  for (const step of output.depth.path ?? []) {
    const parts = step.path.split('.');
    for (let n = 1; n <= parts.length; n++) paths.add(parts.slice(0, n).join('.'));
  }
  return [...paths];
}
