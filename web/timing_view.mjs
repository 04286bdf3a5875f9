// A timing diagram of one change of a circuit, as light DOM SVG: one lane per
// signal (the top-level pins first, then the internal signals that changed,
// grouped by instance), a time axis in engine units, and a list of the
// changes as its text alternative. Every part carries a class, so page CSS
// restyles it:
//   svg.vorn-timing-diagram  g.vorn-lane[data-signal="h1.c"]
//   path.vorn-wave  path.vorn-wave-undefined  text.vorn-lane-name  g.vorn-axis
//   ol.vorn-timing-changes > li
const SVG = 'http://www.w3.org/2000/svg';
const LANE = 24;
const HIGH = 4;
const LOW = 18;
const NAME_WIDTH = 120;
const PLOT_WIDTH = 480;

const valueText = (value) => (value === null ? 'undefined' : value === 1 ? 'high' : 'low');

function element(document, tag, attributes = {}, text) {
  const node = document.createElementNS(SVG, tag);
  for (const [name, value] of Object.entries(attributes)) node.setAttribute(name, String(value));
  if (text !== undefined) node.textContent = text;
  return node;
}

function instanceOf(name) {
  const dot = name.lastIndexOf('.');
  return dot < 0 ? '' : name.slice(0, dot);
}

// The lanes to draw: every top-level pin (even unchanged), then each other
// signal that changed, instance by instance in order of first change.
export function timingLanes(changes, pins, before) {
  const lanes = new Map();
  const lane = (name) => {
    if (!lanes.has(name)) lanes.set(name, { name, start: before.get(name) ?? null, changes: [] });
    return lanes.get(name);
  };
  for (const name of pins) lane(name);
  const internal = new Map();
  for (const change of changes) {
    if (lanes.has(change.name) || internal.has(change.name)) continue;
    internal.set(change.name, instanceOf(change.name));
  }
  const groups = new Map();
  for (const [name, instance] of internal) {
    if (!groups.has(instance)) groups.set(instance, []);
    groups.get(instance).push(name);
  }
  for (const names of groups.values()) for (const name of names) lane(name);
  for (const change of changes) lane(change.name).changes.push({ time: change.time, value: change.value });
  return [...lanes.values()];
}

// Draws `changes` (circuit.timing()) into `container`, replacing what it
// held. `pins` names the top-level pins; `before` maps a signal to its value
// before the change (null when unknown).
export function renderTiming(container, changes, { pins = [], before = new Map() } = {}) {
  const document = container.ownerDocument;
  const lanes = timingLanes(changes, pins, before);
  const times = changes.map((c) => c.time);
  const start = times.length ? Math.min(...times) - 1 : 0;
  const end = times.length ? Math.max(...times) + 1 : 1;
  const x = (time) => NAME_WIDTH + ((time - start) / (end - start)) * PLOT_WIDTH;
  const width = NAME_WIDTH + PLOT_WIDTH + 10;
  const height = lanes.length * LANE + 24;

  const svg = element(document, 'svg', {
    class: 'vorn-timing-diagram', viewBox: `0 0 ${width} ${height}`, width, height, role: 'img',
    'aria-label': `Timing diagram of the last change, from time ${start + 1} to ${end - 1}; the list below names each change`,
  });
  lanes.forEach((lane, index) => {
    const top = index * LANE;
    const group = element(document, 'g', { class: 'vorn-lane', 'data-signal': lane.name, transform: `translate(0 ${top})` });
    group.append(element(document, 'text', { class: 'vorn-lane-name', x: 4, y: LANE / 2 + 4 }, lane.name));
    // The wave as runs of one value; an undefined run is drawn apart.
    const runs = [];
    let value = lane.start;
    let from = start;
    for (const change of lane.changes) {
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
    group.append(element(document, 'path', { class: 'vorn-wave', d: wave, fill: 'none', stroke: 'currentColor' }));
    if (undefinedWave) {
      group.append(element(document, 'path', { class: 'vorn-wave-undefined', d: undefinedWave, fill: 'none', stroke: 'currentColor', 'stroke-dasharray': '3 3' }));
    }
    svg.append(group);
  });
  const axis = element(document, 'g', { class: 'vorn-axis', transform: `translate(0 ${lanes.length * LANE})` });
  axis.append(element(document, 'line', { x1: NAME_WIDTH, x2: NAME_WIDTH + PLOT_WIDTH, y1: 4, y2: 4, stroke: 'currentColor' }));
  for (const time of [...new Set(times)]) {
    axis.append(element(document, 'line', { x1: x(time), x2: x(time), y1: 2, y2: 7, stroke: 'currentColor' }));
    axis.append(element(document, 'text', { x: x(time), y: 18, 'text-anchor': 'middle', 'font-size': 10 }, String(time)));
  }
  svg.append(axis);

  const list = document.createElement('ol');
  list.className = 'vorn-timing-changes';
  for (const change of changes) {
    const item = document.createElement('li');
    item.textContent = `${change.name} -> ${valueText(change.value)} @ ${change.time}`;
    list.append(item);
  }
  const caption = document.createElement('p');
  caption.className = 'vorn-timing-caption';
  caption.textContent = changes.length ? `${changes.length} changes, times in engine units:` : 'Nothing changed.';
  container.replaceChildren(svg, caption, list);
}
