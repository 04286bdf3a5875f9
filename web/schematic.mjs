// The schematic of a loaded circuit as SVG: gate symbols, opened instances
// in frames, and every wire coloured (and weighted, or dashed) by its value.
//   schematicSvg(circuit, options) -> Promise<string>, a standalone document
//   renderSchematic(element, circuit, options) -> a live view in a page:
//     inputs toggle on click or Space/Enter, instances open on click and
//     close by their frame's title, pan by dragging, zoom by wheel or buttons.
// Layout is ELK's (schematic_layout.mjs), in a worker in browsers.
import { describeModel, schematicModel, SYMBOL_LIMIT } from './schematic_model.mjs';
import { applyLayout, elkGraph, layoutGraph } from './schematic_layout.mjs';
import { frameSvg, modelSvg, netSvg, SHOWS_VALUE, STYLE, symbolSvg, valueText } from './schematic_svg.mjs';

const XML_HEADER = '<?xml version="1.0" encoding="UTF-8"?>\n';
const VALUE_WORDS = { 0: '0', 1: '1', x: 'undefined' };

function noteOf(model) {
  if (model.tooBig) return `${model.symbols.length.toLocaleString('en')} symbols at the top level: more than ${SYMBOL_LIMIT.toLocaleString('en')}, too many to draw.`;
  if (model.limited) return `Opened, this circuit has more than ${SYMBOL_LIMIT.toLocaleString('en')} symbols: the top level is shown with its sub-circuits closed.`;
  return '';
}

// Lets the page run between the steps of a large drawing.
const nextTask = () => new Promise((done) => setTimeout(done, 0));
const CHUNK = 150;

// The model laid out, or with nothing placed when it is too big to draw.
// `pause` runs between steps (in a page: a new task, so none is long).
async function laidOut(circuit, expand, layoutOptions, pause = async () => {}) {
  const model = schematicModel(circuit, expand);
  if (model.tooBig) {
    Object.assign(model, { symbols: [], frames: [], nets: [], width: 0, height: 0, description: [] });
    return model;
  }
  await pause();
  model.description = describeModel(model);
  const graph = elkGraph(model);
  await pause();
  const placed = await layoutGraph(graph, layoutOptions);
  await pause();
  applyLayout(model, placed);
  return model;
}

export async function schematicSvg(circuit, options = {}) {
  const model = await laidOut(circuit, options.expand ?? [], {});
  const states = options.values ? circuit.states() : null;
  return XML_HEADER + modelSvg(model, { states, description: model.description, note: noteOf(model), highlight: options.highlight });
}

// ---- the live view -------------------------------------------------------------

const STYLE_ID = 'vorn-schematic-style';
const PAGE_STYLE = `${STYLE}
.vorn-schematic-bar { display: flex; flex-wrap: wrap; gap: .4rem; align-items: center; margin: 0 0 .5rem; }
.vorn-schematic-bar button { font: inherit; min-height: 2.25rem; padding: .2rem .7rem; border: 1px solid #4a5562;
  border-radius: .4rem; background: #fff; color: #1d232a; cursor: pointer; }
.vorn-schematic-bar button:focus-visible { outline: 3px solid #1d232a; outline-offset: 2px; }
.vorn-schematic-view { position: relative; overflow: hidden; border: 1px solid #9aa3ad; border-radius: .4rem;
  background: #fff; touch-action: none; max-width: 100%; }
.vorn-schematic-view > svg { display: block; width: 100%; height: 100%; }
.vorn-schematic-view[data-busy] { opacity: .7; }
.vorn-schematic-note:empty { display: none; }
.vorn-schematic-text ul { font: 13px ui-monospace, monospace; margin: .25rem 0; padding-left: 1.25rem; }
`;

function installStyle(document) {
  if (document.getElementById(STYLE_ID)) return;
  const style = document.createElement('style');
  style.id = STYLE_ID;
  style.textContent = PAGE_STYLE;
  document.head.append(style);
}

const ACTIVATORS = '[data-toggle], [data-open], [data-close]';

export function renderSchematic(element, circuit, options = {}) {
  const document = element.ownerDocument;
  installStyle(document);
  const values = options.values ?? true;
  const make = (tag, className, text) => Object.assign(document.createElement(tag), className ? { className } : {}, text ? { textContent: text } : {});
  const bar = make('div', 'vorn-schematic-bar');
  const button = (text, label, action) => {
    const b = make('button', '', text);
    b.type = 'button';
    if (label) b.setAttribute('aria-label', label);
    b.addEventListener('click', action);
    bar.append(b);
    return b;
  };
  const note = make('p', 'vorn-schematic-note');
  note.setAttribute('role', 'status');
  const view = make('div', 'vorn-schematic-view');
  view.setAttribute('role', 'region');
  view.setAttribute('aria-label', 'Schematic');
  const text = make('details', 'vorn-schematic-text');
  const summary = make('summary', '', 'Text description');
  const list = make('ul');
  text.append(summary, list);
  element.replaceChildren(bar, note, view, text);

  let current = circuit;
  let model = null;
  let opened = options.expand === true ? true : new Set(options.expand ?? []);
  let highlighted = new Set(options.highlight ?? []);
  let ticket = 0;
  let nets = [];
  let shown = [];
  let box = null;  // the viewBox: [x, y, width, height]
  let full = null;

  const setViewBox = () => view.firstElementChild?.setAttribute('viewBox', box.map((v) => Math.round(v * 100) / 100).join(' '));
  const zoom = (factor, cx = box[0] + box[2] / 2, cy = box[1] + box[3] / 2) => {
    if (!box) return;
    const width = Math.min(Math.max(box[2] * factor, 40), full[2] * 4);
    const scale = width / box[2];
    box = [cx - (cx - box[0]) * scale, cy - (cy - box[1]) * scale, width, box[3] * scale];
    setViewBox();
  };
  button('+', 'Zoom in', () => zoom(1 / 1.25));
  button('−', 'Zoom out', () => zoom(1.25));
  button('Fit', '', () => {
    if (!full) return;
    box = [...full];
    setViewBox();
  });
  if (options.download !== false) {
    button('Download SVG', '', () => {
      const svg = controller.svgText();
      if (!svg) return;
      const url = URL.createObjectURL(new Blob([svg], { type: 'image/svg+xml' }));
      const link = Object.assign(document.createElement('a'), { href: url, download: options.downloadName ?? 'schematic.svg' });
      document.body.append(link);
      link.click();
      link.remove();
      setTimeout(() => URL.revokeObjectURL(url), 1000);
    });
  }

  function refresh() {
    if (!model || !current) return;
    const states = values ? current.states() : null;
    if (!states) return;
    for (const { group, record, signal, title } of nets) {
      const value = valueText(states[record]);
      if (group.getAttribute('data-value') === value) continue;
      group.setAttribute('data-value', value);
      title.textContent = `${signal} = ${VALUE_WORDS[value]}`;
    }
    for (const { group, record, label, kind } of shown) {
      const value = valueText(states[record]);
      if (group.getAttribute('data-value') === value) continue;
      group.setAttribute('data-value', value);
      if (label) label.textContent = value === 'x' ? '?' : value;
      if (kind === 'input') group.setAttribute('aria-pressed', { 0: 'false', 1: 'true', x: 'mixed' }[value]);
    }
  }

  function applyHighlight() {
    const svg = view.firstElementChild;
    if (!svg || !model) return;
    for (const group of svg.querySelectorAll('[data-component], [data-frame]')) {
      const path = group.getAttribute('data-component') ?? group.getAttribute('data-frame');
      const on = highlighted.has(path);
      group.classList.toggle('vs-highlight', on);
      const halo = group.querySelector(':scope > .vs-halo-box');
      if (on && !halo) {
        const [x, y, w, h] = group.getAttribute('data-box').split(' ').map(Number);
        const rect = document.createElementNS('http://www.w3.org/2000/svg', 'rect');
        Object.entries({ class: 'vs-halo-box', x: x - 4, y: y - 4, width: w + 8, height: h + 8, rx: 6 }).forEach(([k, v]) => rect.setAttribute(k, v));
        group.prepend(rect);
      } else if (!on) halo?.remove();
    }
    model.nets.forEach((net, i) => {
      const { group } = nets[i];
      const on = highlighted.has(net.from.node.path);
      group.classList.toggle('vs-highlight', on);
      const halo = group.querySelector(':scope > path.vs-halo');
      if (on && !halo) {
        const path = group.querySelector(':scope > path').cloneNode();
        path.setAttribute('class', 'vs-halo');
        group.querySelector(':scope > title').after(path);
      } else if (!on) halo?.remove();
    });
  }

  // Builds the new picture beside the old one, a chunk per task, then swaps.
  async function show(next, mine) {
    const states = values ? current.states() : null;
    const holder = document.createElement('div');
    holder.innerHTML = modelSvg({ width: next.width, height: next.height, frames: [], nets: [], symbols: [] },
      { states, interactive: true, standalone: false });
    const parts = [
      ['.vs-frames', next.frames, (frame) => frameSvg(frame, true)],
      ['.vs-nets', next.nets, (net) => netSvg(net, states ? states[net.record] : null, Boolean(states), false)],
      ['.vs-symbols', next.symbols, (symbol) => symbolSvg(symbol, true, states, false)],
    ];
    for (const [selector, items, draw] of parts) {
      const group = holder.querySelector(selector);
      for (let i = 0; i < items.length; i += CHUNK) {
        group.insertAdjacentHTML('beforeend', items.slice(i, i + CHUNK).map(draw).join(''));
        if (items.length > CHUNK) {
          await nextTask();
          if (mine !== ticket) return false;
        }
      }
    }
    model = next;
    note.textContent = noteOf(model);
    view.replaceChildren(holder.firstElementChild);
    const svg = view.firstElementChild;
    svg.removeAttribute('width');
    svg.removeAttribute('height');
    svg.querySelector('desc').textContent = model.description.length ? 'Listed under Text description.' : '';
    full = svg.getAttribute('viewBox').split(' ').map(Number);
    box = [...full];
    const height = Math.max(120, Math.min(full[3], 640));
    view.style.height = `${height}px`;
    // Too wide to read whole (a phone, a large circuit): start at a readable
    // scale at the inputs; "Fit" shows everything.
    const width = view.clientWidth;
    if (width > 0 && width < full[2] * 0.75) {
      box = [full[0], full[1], width / 0.75, height / 0.75];
      setViewBox();
    }
    const groups = svg.querySelectorAll('[data-net]');
    nets = model.nets.map((net, i) => ({ group: groups[i], record: net.record, signal: net.signal, title: groups[i].querySelector('title') }));
    const symbols = svg.querySelectorAll('[data-component]');
    shown = [];
    model.symbols.forEach((symbol, i) => {
      if (SHOWS_VALUE.has(symbol.shape)) shown.push({ group: symbols[i], record: symbol.record, kind: symbol.kind, label: symbols[i].querySelector('[data-value-text]') });
    });
    list.replaceChildren(...model.description.map((line) => make('li', '', line)));
    applyHighlight();
    // Inputs toggled while the picture was being built.
    refresh();
    return true;
  }

  async function relayout() {
    const mine = ++ticket;
    view.toggleAttribute('data-busy', true);
    if (!model) note.textContent = 'Drawing the schematic…';
    try {
      const pause = async () => {
        await nextTask();
        if (mine !== ticket) throw Object.assign(new Error('superseded'), { superseded: true });
      };
      const next = await laidOut(current, opened, { supersede: true }, pause);
      if (mine !== ticket) return;
      if (opened !== true && next.limited) opened = new Set();
      if (!(await show(next, mine))) return;
    } catch (error) {
      if (mine !== ticket || error.superseded) return;
      note.textContent = `No schematic: ${error.message}`;
    } finally {
      if (mine === ticket) view.toggleAttribute('data-busy', false);
    }
    options.onDraw?.();
  }

  const openPaths = () => (opened === true ? new Set(model.frames.map((frame) => frame.path)) : opened);
  function activate(target) {
    if (target.hasAttribute('data-toggle')) {
      const name = target.getAttribute('data-component');
      if (options.onToggle) options.onToggle(name);
      else {
        current.set(name, current.get(name) === 1 ? 0 : 1);
        current.run();
        refresh();
      }
      // The redrawn lamp keeps the keyboard where it was.
      return;
    }
    if (target.hasAttribute('data-open')) {
      opened = new Set(openPaths()).add(target.getAttribute('data-open'));
      relayout();
    } else if (target.hasAttribute('data-close')) {
      const path = target.getAttribute('data-close');
      opened = new Set([...openPaths()].filter((p) => p !== path && !p.startsWith(`${path}.`)));
      relayout();
    }
  }

  // Pan by dragging the background; a drag is not a click.
  let drag = null;
  let dragged = false;
  view.addEventListener('pointerdown', (event) => {
    if (!box || event.button !== 0) return;
    drag = { x: event.clientX, y: event.clientY, box: [...box] };
    dragged = false;
  });
  view.addEventListener('pointermove', (event) => {
    if (!drag) return;
    const dx = event.clientX - drag.x;
    const dy = event.clientY - drag.y;
    if (!dragged && Math.hypot(dx, dy) < 4) return;
    if (!dragged) view.setPointerCapture?.(event.pointerId);
    dragged = true;
    const scale = box[2] / view.clientWidth;
    box = [drag.box[0] - dx * scale, drag.box[1] - dy * scale, box[2], box[3]];
    setViewBox();
  });
  const endDrag = () => { drag = null; };
  view.addEventListener('pointerup', endDrag);
  view.addEventListener('pointercancel', endDrag);
  view.addEventListener('wheel', (event) => {
    if (!box) return;
    event.preventDefault();
    const rect = view.getBoundingClientRect();
    const scale = Math.max(box[2] / rect.width, box[3] / rect.height);
    const cx = box[0] + (event.clientX - rect.left - (rect.width - box[2] / scale) / 2) * scale;
    const cy = box[1] + (event.clientY - rect.top - (rect.height - box[3] / scale) / 2) * scale;
    zoom(event.deltaY > 0 ? 1.15 : 1 / 1.15, cx, cy);
  }, { passive: false });
  view.addEventListener('click', (event) => {
    if (dragged) {
      dragged = false;
      return;
    }
    const target = event.target.closest?.(ACTIVATORS);
    if (target) activate(target);
  });
  view.addEventListener('keydown', (event) => {
    if (event.key !== ' ' && event.key !== 'Enter') return;
    const target = event.target.closest?.(ACTIVATORS);
    if (!target) return;
    event.preventDefault();
    activate(target);
  });

  const controller = {
    ready: null,
    // Redraws the values after the circuit's inputs changed.
    update: refresh,
    // A new circuit: the present picture stays until the new one is ready.
    setCircuit(next) {
      current = next;
      controller.ready = relayout();
      return controller.ready;
    },
    setExpand(expand) {
      opened = expand === true ? true : new Set(expand);
      controller.ready = relayout();
      return controller.ready;
    },
    get expanded() { return opened === true ? true : [...opened]; },
    highlight(paths) {
      highlighted = new Set(paths ?? []);
      applyHighlight();
    },
    // The picture as shown, as a standalone SVG document.
    svgText() {
      const svg = view.firstElementChild;
      if (!svg) return '';
      const copy = svg.cloneNode(true);
      copy.setAttribute('viewBox', full.join(' '));
      copy.setAttribute('width', String(full[2]));
      copy.setAttribute('height', String(full[3]));
      copy.querySelector('desc').textContent = model.description.join('; ');
      const style = document.createElementNS('http://www.w3.org/2000/svg', 'style');
      style.textContent = STYLE;
      copy.querySelector('desc').after(style);
      return XML_HEADER + new XMLSerializer().serializeToString(copy);
    },
    destroy() {
      ticket++;
      element.replaceChildren();
    },
  };
  controller.ready = relayout();
  return controller;
}
