// A timing diagram of a circuit's last input changes (up to HISTORY of
// them, each marked on the time axis), in light DOM: the top-level pins by
// default, the signals inside each instance on request (a tree of buttons),
// at most LANES lanes at a time with a button for more, and a time axis
// whose labels are thinned out so that none overlaps the next. The work of
// a change grows with that change, never with the history, and the drawing
// with the lanes shown, so a big circuit draws as fast as a small one.
// Every part carries a class, so page CSS restyles it:
//   ul.vorn-timing-names > li[data-signal] | li.vorn-timing-group > button[aria-expanded]
//   svg.vorn-timing-diagram  g.vorn-lane[data-signal="h1.c"]  path.vorn-wave  path.vorn-wave-undefined
//   g.vorn-axis (time labels)  g.vorn-toggles (one mark per change)  button.vorn-timing-more
//   ol.vorn-timing-changes > li (the last change, as text)
const SVG = 'http://www.w3.org/2000/svg';
export const HISTORY = 20;
export const LANES = 64;
// Changes of the last input change listed as text; the rest are counted.
const LISTED = 200;
const LANE = 24;
const HIGH = 4;
const LOW = 18;
const TOP = 22;
const AXIS = 26;
const PLOT_WIDTH = 600;
const PAD = 24;
// Label widths as drawn (10 px monospace: 6.1 px a character) and the gap
// kept between two labels.
const CHAR = 6.1;
const GAP = 6;

const valueText = (value) => (value === null ? 'undefined' : value === 1 ? 'high' : 'low');
const instanceOf = (name) => (name.includes('.') ? name.slice(0, name.lastIndexOf('.')) : '');

function svgElement(document, tag, attributes = {}, text) {
  const node = document.createElementNS(SVG, tag);
  for (const [name, value] of Object.entries(attributes)) node.setAttribute(name, String(value));
  if (text !== undefined) node.textContent = text;
  return node;
}

// Labels at x positions (sorted), kept left to right while each clears the
// last kept one; `keepLast` keeps the final one, dropping what it covers.
export function thinLabels(labels, keepLast = false) {
  const width = (label) => label.text.length * CHAR;
  const clear = (a, b) => b.x - width(b) / 2 >= a.x + width(a) / 2 + GAP;
  const kept = [];
  for (const label of labels) if (!kept.length || clear(kept.at(-1), label)) kept.push(label);
  if (keepLast && labels.length && kept.at(-1) !== labels.at(-1)) {
    while (kept.length && !clear(kept.at(-1), labels.at(-1))) kept.pop();
    kept.push(labels.at(-1));
  }
  return kept;
}

// The signals by instance, grown as new names turn up: each group (an
// instance path; '' for the circuit itself) lists its own signals and its
// instances in order of first appearance.
export class TimingTree {
  groups = new Map([['', { path: '', signals: [], children: [] }]]);

  #group(path) {
    let group = this.groups.get(path);
    if (!group) {
      group = { path, signals: [], children: [] };
      this.groups.set(path, group);
      this.#group(instanceOf(path)).children.push(path);
    }
    return group;
  }

  add(name) {
    this.#group(instanceOf(name)).signals.push(name);
  }
}

// The signal values over the last HISTORY input changes.
export class TimingHistory {
  entries = [];       // { label, start, end, counts (changes per signal), changes }
  values = new Map(); // each signal's value now
  tree = new TimingTree();
  #lanes = new Map(); // signal -> { before, changes: [{ time, value }] } within the history

  constructor(limit = HISTORY) {
    this.limit = limit;
  }

  #see(name) {
    if (!this.values.has(name)) this.tree.add(name);
  }

  // A settle that is no input change (the circuit loaded): values only.
  settle(changes) {
    for (const change of changes) {
      this.#see(change.name);
      this.values.set(change.name, change.value);
    }
  }

  record(label, changes) {
    const entry = this.begin(label, changes);
    this.add(entry, 0, changes.length);
    this.finish(entry);
  }

  // A change recorded in parts (begin, add slices, finish), so that a huge
  // one can leave the page room between them.
  begin(label, changes) {
    return { label, start: Infinity, end: -Infinity, counts: new Map(), changes };
  }

  add(entry, from, to) {
    const { counts, changes } = entry;
    for (let i = from; i < to; i++) {
      const { name, time, value } = changes[i];
      this.#see(name);
      let lane = this.#lanes.get(name);
      if (!lane) {
        lane = { before: this.values.get(name) ?? null, changes: [] };
        this.#lanes.set(name, lane);
      }
      lane.changes.push({ time, value });
      this.values.set(name, value);
      counts.set(name, (counts.get(name) ?? 0) + 1);
      if (time < entry.start) entry.start = time;
      if (time > entry.end) entry.end = time;
    }
  }

  finish(entry) {
    const last = this.entries.at(-1);
    if (!entry.changes.length) entry.start = entry.end = last ? last.end : 0;
    this.entries.push(entry);
    while (this.entries.length > this.limit) this.#dropOldest();
  }

  // The oldest change's share of each lane is the start of that lane.
  #dropOldest() {
    const [old] = this.entries.splice(0, 1);
    for (const [name, count] of old.counts) {
      const lane = this.#lanes.get(name);
      lane.before = lane.changes[count - 1].value;
      lane.changes.splice(0, count);
      if (!lane.changes.length) this.#lanes.delete(name);
    }
  }

  // A signal's value at the start of the history and its changes since.
  lane(name) {
    return this.#lanes.get(name) ?? { before: this.values.get(name) ?? null, changes: [] };
  }
}

// The rows to draw, at most `limit`, and how many there are in all: the
// pins, then a group per top-level instance (and one for the circuit's other
// signals), each opened group followed by its signals and its own groups,
// indented. Only the rows drawn are made, so a group of 100,000 signals
// costs no more than one of ten.
export function timingRows(tree, pins, open, limit = Infinity) {
  const pinSet = new Set(pins);
  const rows = [];
  let total = 0;
  const push = (row) => {
    total++;
    if (rows.length < limit) rows.push(row);
  };
  const signals = (names, path, depth) => {
    for (const name of names) {
      if (rows.length >= limit) {
        total += names.length - names.indexOf(name);
        return;
      }
      push({ kind: 'signal', name, label: name.slice(path ? path.length + 1 : 0), depth });
    }
  };
  const walk = (path, depth) => {
    const node = tree.groups.get(path);
    signals(node.signals, path, depth);
    for (const child of node.children) {
      const opened = open.has(child);
      push({ kind: 'group', path: child, label: child.slice(path.length + 1), depth, open: opened });
      if (opened) walk(child, depth + 1);
    }
  };
  for (const name of pins) push({ kind: 'signal', name, label: name, depth: 0 });
  const top = tree.groups.get('');
  for (const child of top.children) {
    push({ kind: 'group', path: child, label: child, depth: 0, open: open.has(child) });
    if (open.has(child)) walk(child, 1);
  }
  const others = top.signals.filter((name) => !pinSet.has(name));
  if (others.length) {
    const opened = open.has('');
    push({ kind: 'group', path: '', label: 'other top-level signals', depth: 0, open: opened, count: others.length });
    if (opened) signals(others, '', 1);
  }
  return { rows, total };
}

// Draws `history` into `container`; `state` ({ open: Set, limit }) holds
// what the reader opened, kept by the caller across changes.
export function renderTiming(container, history, { pins = [], state = { open: new Set(), limit: LANES } } = {}) {
  const document = container.ownerDocument;
  const { entries } = history;
  const redraw = () => renderTiming(container, history, { pins, state });
  if (!entries.length) {
    const empty = document.createElement('p');
    empty.className = 'vorn-timing-caption';
    empty.textContent = 'Flip an input to draw its timing.';
    container.replaceChildren(empty);
    return;
  }
  const { rows, total } = timingRows(history.tree, pins, state.open, state.limit);
  const start = entries[0].start - 1;
  const end = Math.max(entries.at(-1).end, entries[0].start) + 1;
  const x = (time) => PAD + ((time - start) / (end - start)) * PLOT_WIDTH;
  const width = PLOT_WIDTH + 2 * PAD;
  const height = TOP + rows.length * LANE + AXIS;

  const svg = svgElement(document, 'svg', {
    class: 'vorn-timing-diagram', viewBox: `0 0 ${width} ${height}`, width, height, role: 'img',
    'aria-label': `Timing diagram of the last ${entries.length} input change${entries.length === 1 ? '' : 's'}, `
      + `from time ${start + 1} to ${end - 1}; the list below names each change of the last one`,
  });
  // One dashed line and one numbered mark per input change.
  const toggles = svgElement(document, 'g', { class: 'vorn-toggles' });
  // A label's centre stays far enough from the edges for the whole label.
  const inside = (label) => {
    const half = (label.text.length * CHAR) / 2;
    return { ...label, x: Math.min(Math.max(label.x, half), width - half) };
  };
  const marks = entries.map((entry, i) => ({ x: x(entry.start), text: `${i + 1}:${entry.label}` }));
  for (const mark of marks) {
    toggles.append(svgElement(document, 'line', {
      x1: mark.x, x2: mark.x, y1: TOP - 4, y2: TOP + rows.length * LANE, stroke: 'currentColor', 'stroke-opacity': 0.35,
      'stroke-dasharray': '2 3',
    }));
    toggles.append(svgElement(document, 'path', { d: `M${mark.x - 4} ${TOP - 9}h8l-4 5z`, fill: 'currentColor' }));
  }
  for (const mark of thinLabels(marks.map(inside), true)) {
    toggles.append(svgElement(document, 'text', { x: mark.x, y: TOP - 11, 'text-anchor': 'middle', 'font-size': 10 }, mark.text));
  }
  svg.append(toggles);

  const times = new Set();
  const names = document.createElement('ul');
  names.className = 'vorn-timing-names';
  names.style.paddingTop = `${TOP}px`;
  rows.forEach((row, index) => {
    const top = TOP + index * LANE;
    const item = document.createElement('li');
    item.style.paddingLeft = `${row.depth * 0.9 + (row.kind === 'signal' && row.depth > 0 ? 1.2 : 0)}em`;
    names.append(item);
    if (row.kind === 'group') {
      item.className = 'vorn-timing-group';
      const button = document.createElement('button');
      button.type = 'button';
      button.setAttribute('aria-expanded', String(row.open));
      button.dataset.instance = row.path;
      button.textContent = `${row.open ? '▾' : '▸'} ${row.label}${row.count ? ` (${row.count})` : ''}`;
      button.title = row.path ? `Signals inside ${row.path}` : 'Signals of the circuit that are no pins';
      button.addEventListener('click', () => {
        if (state.open.has(row.path)) state.open.delete(row.path);
        else state.open.add(row.path);
        redraw();
        container.querySelector(`button[data-instance="${CSS.escape(row.path)}"]`)?.focus();
      });
      item.append(button);
      return;
    }
    item.dataset.signal = row.name;
    item.title = row.name;
    item.textContent = row.label;
    const lane = history.lane(row.name);
    const group = svgElement(document, 'g', { class: 'vorn-lane', 'data-signal': row.name, transform: `translate(0 ${top})` });
    group.append(svgElement(document, 'title', {}, row.name));
    // The wave as runs of one value; an undefined run is drawn apart.
    const runs = [];
    let value = lane.before;
    let from = start;
    for (const change of lane.changes) {
      times.add(change.time);
      runs.push({ from, to: change.time, value });
      from = change.time;
      value = change.value;
    }
    runs.push({ from, to: end, value });
    let wave = '';
    let undefinedWave = '';
    let previous;
    for (const run of runs) {
      if (run.value === null) {
        undefinedWave += `M${x(run.from)} ${HIGH}H${x(run.to)}M${x(run.from)} ${LOW}H${x(run.to)}`;
      } else {
        const y = run.value === 1 ? HIGH : LOW;
        wave += previous === undefined || previous === null ? `M${x(run.from)} ${y}` : `V${y}`;
        wave += `H${x(run.to)}`;
      }
      previous = run.value;
    }
    group.append(svgElement(document, 'path', { class: 'vorn-wave', d: wave, fill: 'none', stroke: 'currentColor' }));
    if (undefinedWave) {
      group.append(svgElement(document, 'path', {
        class: 'vorn-wave-undefined', d: undefinedWave, fill: 'none', stroke: 'currentColor', 'stroke-dasharray': '3 3',
      }));
    }
    svg.append(group);
  });
  const axisTop = TOP + rows.length * LANE;
  const axis = svgElement(document, 'g', { class: 'vorn-axis', transform: `translate(0 ${axisTop})` });
  axis.append(svgElement(document, 'line', { x1: PAD, x2: PAD + PLOT_WIDTH, y1: 4, y2: 4, stroke: 'currentColor' }));
  // Each input change marked on the axis too, below its dashed line.
  for (const mark of marks) axis.append(svgElement(document, 'path', { class: 'vorn-toggle-mark', d: `M${mark.x - 3} 4h6l-3-5z`, fill: 'currentColor' }));
  const labels = thinLabels([...times].sort((a, b) => a - b).map((time) => inside({ x: x(time), text: String(time) })));
  for (const label of labels) {
    axis.append(svgElement(document, 'line', { x1: label.x, x2: label.x, y1: 2, y2: 7, stroke: 'currentColor' }));
    axis.append(svgElement(document, 'text', { x: label.x, y: 18, 'text-anchor': 'middle', 'font-size': 10 }, label.text));
  }
  svg.append(axis);

  const body = document.createElement('div');
  body.className = 'vorn-timing-body';
  const plot = document.createElement('div');
  plot.className = 'vorn-timing-plot';
  plot.append(svg);
  body.append(names, plot);

  const caption = document.createElement('p');
  caption.className = 'vorn-timing-caption';
  caption.textContent = `The last ${entries.length} input change${entries.length === 1 ? '' : 's'} (up to ${history.limit}), `
    + `numbered on top; ${rows.length} of ${total} lanes. Open an instance to see the signals inside it.`;
  const parts = [caption, body];
  if (total > rows.length) {
    const more = document.createElement('button');
    more.type = 'button';
    more.className = 'vorn-timing-more';
    more.textContent = `Show ${Math.min(LANES, total - rows.length)} more lanes (${total - rows.length} hidden)`;
    more.addEventListener('click', () => {
      state.limit += LANES;
      redraw();
      container.querySelector('.vorn-timing-more')?.focus();
    });
    parts.push(more);
  }

  const last = entries.at(-1);
  const listCaption = document.createElement('p');
  listCaption.className = 'vorn-timing-caption';
  listCaption.textContent = last.changes.length
    ? `Change ${entries.length} (${last.label}): ${last.changes.length} changes, times in engine units:` : `Change ${entries.length} (${last.label}): nothing changed.`;
  const list = document.createElement('ol');
  list.className = 'vorn-timing-changes';
  for (const change of last.changes.slice(0, LISTED)) {
    const item = document.createElement('li');
    item.textContent = `${change.name} -> ${valueText(change.value)} @ ${change.time}`;
    list.append(item);
  }
  parts.push(listCaption, list);
  if (last.changes.length > LISTED) {
    const rest = document.createElement('p');
    rest.className = 'vorn-timing-caption';
    rest.textContent = `… and ${last.changes.length - LISTED} more.`;
    parts.push(rest);
  }
  container.replaceChildren(...parts);
}
