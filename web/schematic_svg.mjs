// Draws a laid-out schematic model as SVG text: gate symbols, frames of
// opened instances, and every net as one group of horizontal and vertical
// lines with a dot at each branch. All coordinates are absolute; nothing
// is transformed, so tools can read positions straight from the attributes.

export const STYLE = `
.vs-root { font: 12px ui-monospace, SFMono-Regular, Menlo, monospace; background: #fff; }
.vs-root text { fill: #1d232a; }
.vs-sym { fill: #fff; stroke: #1d232a; stroke-width: 1.5; }
.vs-stub { fill: none; stroke: #1d232a; stroke-width: 1.5; }
.vs-label { font-size: 11px; }
.vs-title { font-weight: 700; }
.vs-port { fill: #57606a; }
.vs-frame > rect:first-child { fill: #f6f8fa; stroke: #57606a; stroke-width: 1; stroke-dasharray: 4 3; }
.vs-net path { fill: none; stroke: #6e7781; stroke-width: 1.5; stroke-linejoin: round; stroke-linecap: round; }
.vs-net circle { fill: #6e7781; }
.vs-net[data-value="1"] path { stroke: #1a7f37; stroke-width: 3.5; }
.vs-net[data-value="1"] circle { fill: #1a7f37; }
.vs-net[data-value="0"] path { stroke: #1d232a; stroke-width: 1.5; }
.vs-net[data-value="0"] circle { fill: #1d232a; }
.vs-net[data-value="x"] path { stroke: #bc4c00; stroke-width: 2; stroke-dasharray: 6 4; }
.vs-net[data-value="x"] circle { fill: #bc4c00; }
.vs-net path.vs-halo { stroke: #8250df; stroke-width: 9; stroke-opacity: .35; stroke-dasharray: none; }
.vs-net:hover path:not(.vs-halo) { stroke-width: 5; }
[data-value="1"] > .vs-lamp { fill: #f5c518; stroke: #7d6200; }
[data-value="0"] > .vs-lamp { fill: #39424c; }
[data-value="x"] > .vs-lamp { fill: #fff; stroke-dasharray: 3 2; }
[data-value="1"] > .vs-switch { fill: #1a7f37; stroke: #1a7f37; }
[data-value="1"] > .vs-switch-text { fill: #fff; font-weight: 700; }
.vs-highlight > .vs-halo-box { fill: none; stroke: #8250df; stroke-width: 3; stroke-dasharray: 8 4; }
[data-toggle], [data-open], [data-close] { cursor: pointer; }
[data-toggle]:focus-visible, [data-open]:focus-visible, [data-close]:focus-visible { outline: 3px solid #1d232a; outline-offset: 2px; }
.vs-note { font-weight: 700; fill: #7a0019; }
`;

const escapeXml = (text) => String(text).replace(/[&<>"']/g, (c) => `&${{ '&': 'amp', '<': 'lt', '>': 'gt', '"': 'quot', "'": 'apos' }[c]};`);
const n = (value) => String(Math.round(value * 100) / 100);
const VALUE_NAMES = { 0: '0', 1: '1' };
export const valueText = (state) => VALUE_NAMES[state] ?? 'x';
const VALUE_WORDS = { 0: '0', 1: '1', x: 'undefined' };

// ---- nets --------------------------------------------------------------------

// A net's polylines as merged horizontal and vertical runs, and the points
// where it branches (three or more directions leave the point).
export function netGeometry(lines) {
  const rows = new Map();
  const columns = new Map();
  const add = (map, key, a, b) => {
    if (a === b) return;
    let list = map.get(key);
    if (!list) map.set(key, (list = []));
    list.push(a < b ? [a, b] : [b, a]);
  };
  const round = (v) => Math.round(v * 100) / 100;
  for (const line of lines) {
    for (let i = 1; i < line.length; i++) {
      const [x0, y0] = line[i - 1].map(round);
      const [x1, y1] = line[i].map(round);
      if (y0 === y1) add(rows, y0, x0, x1);
      else if (x0 === x1) add(columns, x0, y0, y1);
      else {
        // ELK routes orthogonally; a slanted step would be a fault of ours.
        add(rows, y0, x0, x1);
        add(columns, x1, y0, y1);
      }
    }
  }
  const merge = (map) => {
    const merged = [];
    for (const [key, list] of map) {
      list.sort((p, q) => p[0] - q[0]);
      let [a, b] = list[0];
      for (const [c, d] of list.slice(1)) {
        if (c <= b) b = Math.max(b, d);
        else {
          merged.push([key, a, b]);
          [a, b] = [c, d];
        }
      }
      merged.push([key, a, b]);
    }
    return merged;
  };
  const horizontal = merge(rows);
  const vertical = merge(columns);
  const points = new Map();
  const point = (x, y) => points.set(`${x},${y}`, [x, y]);
  for (const [y, a, b] of horizontal) { point(a, y); point(b, y); }
  for (const [x, a, b] of vertical) { point(x, a); point(x, b); }
  for (const [y, a, b] of horizontal) {
    for (const [x, c, d] of vertical) if (x >= a && x <= b && y >= c && y <= d) point(x, y);
  }
  const junctions = [];
  for (const [x, y] of points.values()) {
    let ways = 0;
    for (const [hy, a, b] of horizontal) {
      if (hy !== y) continue;
      if (a < x && x <= b) ways++;
      if (a <= x && x < b) ways++;
    }
    for (const [vx, a, b] of vertical) {
      if (vx !== x) continue;
      if (a < y && y <= b) ways++;
      if (a <= y && y < b) ways++;
    }
    if (ways >= 3) junctions.push([x, y]);
  }
  const segments = [...horizontal.map(([y, a, b]) => [a, y, b, y]), ...vertical.map(([x, a, b]) => [x, a, x, b])];
  return { segments, junctions };
}

// ---- symbols -----------------------------------------------------------------

function gateBody(shape, s) {
  const cy = s.y + 18;
  const bubble = ['not', 'nand', 'nor', 'xnor'].includes(shape);
  const x0 = s.x + s.width / 2 - 18 - (bubble ? 3 : 0);
  const x1 = x0 + 36;
  const top = s.y + 2;
  const bottom = s.y + 34;
  const parts = [];
  let back = x0;
  let front = x1;
  if (shape === 'and' || shape === 'nand') {
    parts.push(`<path class="vs-sym" d="M${n(x0)} ${top} H${n(x0 + 18)} A16 16 0 0 1 ${n(x0 + 18)} ${bottom} H${n(x0)} Z"/>`);
    front = x0 + 34;
  } else if (['or', 'nor', 'xor', 'xnor'].includes(shape)) {
    parts.push(`<path class="vs-sym" d="M${n(x0)} ${top} Q${n(x0 + 24)} ${top} ${n(x1)} ${cy} Q${n(x0 + 24)} ${bottom} ${n(x0)} ${bottom} Q${n(x0 + 10)} ${cy} ${n(x0)} ${top} Z"/>`);
    if (shape === 'xor' || shape === 'xnor') parts.push(`<path class="vs-stub" d="M${n(x0 - 6)} ${top} Q${n(x0 + 4)} ${cy} ${n(x0 - 6)} ${bottom}"/>`);
    back = x0 + 6;
  } else if (shape === 'led') {
    const cx = s.x + s.width / 2;
    parts.push(`<circle class="vs-sym vs-lamp" cx="${n(cx)}" cy="${cy}" r="11"/>`,
      `<path class="vs-stub" d="M${n(cx - 7.5)} ${cy - 7.5} L${n(cx + 7.5)} ${cy + 7.5} M${n(cx - 7.5)} ${cy + 7.5} L${n(cx + 7.5)} ${cy - 7.5}"/>`);
    back = cx - 11;
    front = cx + 11;
  } else {
    // not and wire: a buffer triangle, with a bubble for not.
    const tip = shape === 'wire' ? x1 : x1 - 2;
    parts.push(`<path class="vs-sym" d="M${n(x0)} ${top} L${n(tip)} ${cy} L${n(x0)} ${bottom} Z"/>`);
    front = tip;
  }
  if (bubble) {
    parts.push(`<circle class="vs-sym" cx="${n(front + 4)}" cy="${cy}" r="4"/>`);
    front += 8;
  }
  return { parts, back, front };
}

// Pins, lamps and LEDs show their own value too.
export const SHOWS_VALUE = new Set(['input', 'output', 'led']);

export function symbolSvg(symbol, interactive, states, highlighted) {
  const s = symbol;
  const box = `${n(s.x)} ${n(s.y)} ${n(s.width)} ${n(s.height)}`;
  const attributes = [`data-component="${escapeXml(s.path)}"`, `data-kind="${escapeXml(s.kind)}"`, `data-box="${box}"`];
  // Each pin's point, for tools that follow wires to it: "a 10 20;out 66 28".
  attributes.push(`data-pins="${s.pins.map((pin) => `${escapeXml(pin.name)} ${n(s.x + pin.x)} ${n(s.y + pin.y)}`).join(';')}"`);
  const value = states && SHOWS_VALUE.has(s.shape) ? valueText(states[s.record]) : null;
  if (value !== null) attributes.push(`data-value="${value}"`);
  const shown = value === null ? '' : value === 'x' ? '?' : value;
  // The title names the symbol, also for assistive technology: the visible
  // text alone ("a 0", "full:f0 a b cin") would not say what a click does.
  const purpose = s.shape === 'input' ? ' (input; Space or Enter flips it)' : s.openable ? ' (Space or Enter opens it)' : '';
  const inner = [`<title>${escapeXml(`${s.kind} ${s.path}${purpose}`)}</title>`];
  const pins = s.pins.map((pin) => ({ ...pin, x: s.x + pin.x, y: s.y + pin.y }));
  if (s.shape === 'input') {
    attributes.push('data-toggle=""');
    if (interactive) attributes.push('tabindex="0"', 'role="button"', `aria-pressed="${{ 0: 'false', 1: 'true' }[value] ?? 'mixed'}"`);
    inner.push(`<rect class="vs-sym vs-switch" x="${n(s.x + 1)}" y="${n(s.y + 3)}" width="${n(s.width - 12)}" height="24" rx="6"/>`,
      `<text class="vs-switch-text" x="${n(s.x + 8)}" y="${n(s.y + 19)}">${escapeXml(s.name)} <tspan data-value-text="">${shown}</tspan></text>`,
      `<path class="vs-stub" d="M${n(s.x + s.width - 11)} ${n(s.y + 15)} H${n(s.x + s.width)}"/>`);
  } else if (s.shape === 'output') {
    inner.push(`<path class="vs-stub" d="M${n(s.x)} ${n(s.y + 15)} H${n(s.x + 6)}"/>`,
      `<circle class="vs-sym vs-lamp" cx="${n(s.x + 16)}" cy="${n(s.y + 15)}" r="10"/>`,
      `<text x="${n(s.x + 30)}" y="${n(s.y + 19)}">${escapeXml(s.name)} <tspan data-value-text="">${shown}</tspan></text>`);
  } else if (s.shape === 'box') {
    inner.push(`<rect class="vs-sym" x="${n(s.x)}" y="${n(s.y)}" width="${n(s.width)}" height="${n(s.height)}" rx="3"/>`,
      `<text class="vs-title" x="${n(s.x + 8)}" y="${n(s.y + 16)}">${escapeXml(`${s.kind}:${s.name}`)}</text>`,
      `<path class="vs-stub" d="M${n(s.x)} ${n(s.y + 22)} H${n(s.x + s.width)}"/>`);
    for (const pin of pins) {
      const right = pin.side === 'out';
      inner.push(`<text class="vs-label" x="${n(right ? pin.x - 6 : pin.x + 6)}" y="${n(pin.y + 4)}"${right ? ' text-anchor="end"' : ''}>${escapeXml(pin.name)}</text>`);
    }
  } else {
    const { parts, back, front } = gateBody(s.shape, s);
    inner.push(...parts);
    for (const pin of pins) {
      inner.push(`<path class="vs-stub" d="M${n(pin.x)} ${n(pin.y)} H${n(pin.side === 'in' ? back : front)}"/>`);
    }
    inner.push(`<text class="vs-label" x="${n(s.x + s.width / 2)}" y="${n(s.y + s.height - 3)}" text-anchor="middle">${escapeXml(s.name)}</text>`);
  }
  if (s.openable) {
    attributes.push(`data-open="${escapeXml(s.path)}"`);
    if (interactive) attributes.push('tabindex="0"', 'role="button"');
  }
  if (highlighted) inner.unshift(`<rect class="vs-halo-box" x="${n(s.x - 4)}" y="${n(s.y - 4)}" width="${n(s.width + 8)}" height="${n(s.height + 8)}" rx="6"/>`);
  return `<g class="vs-symbol${highlighted ? ' vs-highlight' : ''}" ${attributes.join(' ')}>${inner.join('')}</g>`;
}

export function frameSvg(frame, interactive) {
  const box = `${n(frame.x)} ${n(frame.y)} ${n(frame.width)} ${n(frame.height)}`;
  const title = `${frame.kind}:${frame.name}`;
  const close = interactive ? ` tabindex="0" role="button" aria-label="${escapeXml(`Close ${title}`)}"` : '';
  const parts = [`<rect x="${n(frame.x)}" y="${n(frame.y)}" width="${n(frame.width)}" height="${n(frame.height)}" rx="6"/>`,
    `<text class="vs-title" data-close="${escapeXml(frame.path)}"${close} x="${n(frame.x + 8)}" y="${n(frame.y + 17)}">${escapeXml(`▾ ${title}`)}</text>`];
  for (const port of frame.ports) {
    const right = port.side === 'out';
    parts.push(`<rect class="vs-port" x="${n(port.x - 3)}" y="${n(port.y - 3)}" width="6" height="6"/>`);
    parts.push(`<text class="vs-label" x="${n(right ? port.x - 5 : port.x + 5)}" y="${n(port.y - 4)}"${right ? ' text-anchor="end"' : ''}>${escapeXml(port.name)}</text>`);
  }
  const pins = frame.ports.map((port) => `${escapeXml(port.name)} ${n(port.x)} ${n(port.y)}`).join(';');
  return `<g class="vs-frame" data-frame="${escapeXml(frame.path)}" data-kind="${escapeXml(frame.kind)}" data-box="${box}" data-pins="${pins}">${parts.join('')}</g>`;
}

export function netSvg(net, state, values, highlighted) {
  const { segments, junctions } = netGeometry(net.lines);
  const d = segments.map(([x0, y0, x1, y1]) => `M${n(x0)} ${n(y0)} L${n(x1)} ${n(y1)}`).join(' ');
  const value = valueText(state);
  const title = values ? `${net.signal} = ${VALUE_WORDS[value]}` : net.signal;
  const dots = junctions.map(([x, y]) => `<circle data-junction="" cx="${n(x)}" cy="${n(y)}" r="3.5"/>`).join('');
  const halo = highlighted ? `<path class="vs-halo" d="${d}"/>` : '';
  return `<g class="vs-net${highlighted ? ' vs-highlight' : ''}" data-net="${escapeXml(net.signal)}"${values ? ` data-value="${value}"` : ''}><title>${escapeXml(title)}</title>${halo}<path d="${d}"/>${dots}</g>`;
}

// The whole picture. `states` gives each component record's value (or null
// when values are not drawn); `description` is the text alternative.
// `highlight` lists component paths to mark (a dashed halo, not only a colour).
export function modelSvg(model, { states = null, description = [], note = '', interactive = false, standalone = true, highlight = [] } = {}) {
  const marked = new Set(highlight);
  const margin = 8;
  const top = note ? 28 : 0;
  const width = Math.ceil((model.width ?? 0) + margin * 2);
  const height = Math.ceil((model.height ?? 0) + margin * 2 + top);
  const viewBox = `${-margin} ${-margin - top} ${width} ${height}`;
  const values = states !== null;
  const parts = [];
  parts.push(`<svg xmlns="http://www.w3.org/2000/svg" class="vs-root" viewBox="${viewBox}" width="${width}" height="${height}" role="group" aria-labelledby="vs-title vs-desc">`);
  parts.push(`<title id="vs-title">Schematic</title><desc id="vs-desc">${escapeXml(description.join('; '))}</desc>`);
  if (standalone) parts.push(`<style>${STYLE}</style>`);
  parts.push(`<rect x="${-margin}" y="${-margin - top}" width="${width}" height="${height}" fill="#fff"/>`);
  if (note) parts.push(`<text class="vs-note" x="0" y="${-top + 10}">${escapeXml(note)}</text>`);
  parts.push('<g class="vs-frames">', ...model.frames.map((frame) => frameSvg(frame, interactive)), '</g>');
  parts.push('<g class="vs-nets">', ...model.nets.map((net) => netSvg(net, values ? states[net.record] : null, values, marked.has(net.from.node.path))), '</g>');
  parts.push('<g class="vs-symbols">', ...model.symbols.map((symbol) => symbolSvg(symbol, interactive, states, marked.has(symbol.path))), '</g>');
  parts.push('</svg>');
  return parts.join('');
}
