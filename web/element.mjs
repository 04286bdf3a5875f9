// <vorn-circuit src="adder.wasm">: every input of the circuit as a toggle
// button, every output as a lamp, in the element's light DOM so that the
// page's own CSS and scripts reach them:
//   button[data-input="a"][data-state="0|1|?"]  (aria-pressed follows)
//   [data-output="sum"][data-state="0|1|?"]
// Inputs start low once the circuit has loaded; reset() (or the button the
// `reset` attribute adds) brings them all low again. After every settle the
// element carries data-settled="true|false" and fires `change` with detail
// { inputs, outputs, settled, trace };
// `load` and `error` report the outcome of loading `src`, and a failure is
// also shown in a role="alert" element inside it. With the `trace`
// attribute the runtime's trace lines of the last change are collected,
// up to `TRACE_LIMIT` of them. With the `timing` attribute a timing diagram
// of the last input changes follows the lamps (see timing_view.mjs).
//
// The circuit may also come as .vorn source, compiled in the page by
// vorn-compile.wasm (in a worker, loaded only when a source needs it):
//   <vorn-circuit src="adder.vorn">  (or any src whose response is not
//     WebAssembly), with the files it imports fetched relative to it;
//   <vorn-circuit><script type="text/vorn">…</script></vorn-circuit>, several
//     scripts with data-path forming a project whose root is the script
//     without data-path, else the first.
// The compiler's diagnostics then take the place of the circuit in the
// alert. The attributes `truth-table` and `schematic` add the truth table
// and the coloured --preview drawing below a compiled circuit. With the
// `diagram` attribute the circuit is drawn as a live SVG schematic
// (schematic.mjs) below its lamps: its inputs toggle there too.
import { renderAnsi } from './ansi.mjs';
import { loadCircuit } from './circuit.mjs';
import { renderSchematic } from './schematic.mjs';
import { compileProject, defaultFetchText, fetchProject, inlineProject } from './source.mjs';
import { LANES, TimingHistory, renderTiming } from './timing_view.mjs';
import { clearTruthTable, renderTruthTable } from './truth_table_view.mjs';

export const TRACE_LIMIT = 1000;
// Changes taken into the timing diagram's history in one task: a change of
// a huge circuit is taken in slices, each short, and drawn at the end.
const TIMING_SLICE = 10000;
const nextTask = () => new Promise((resolve) => { setTimeout(resolve, 0); });
const OUTPUT = 'out.wasm';
const SOURCE_TYPE = 'text/vorn';
const WASM_MAGIC = [0x00, 0x61, 0x73, 0x6d];

const isSource = (node) => node.nodeType === 1 && node.localName === 'script' && node.type === SOURCE_TYPE;
// A change to the inline sources: a script added or removed, or its text
// edited. The element's own drawing never matches.
const touchesSource = (record) => (record.type === 'characterData' ? isSource(record.target.parentNode ?? {})
  : isSource(record.target) || [...record.addedNodes, ...record.removedNodes].some(isSource));
const STYLE_ID = 'vorn-circuit-style';

// Low-specificity defaults (:where) that any page rule overrides.
const DEFAULT_STYLE = `
:where(vorn-circuit) { display: block; font: inherit; }
:where(vorn-circuit .vorn-pins) { display: flex; flex-wrap: wrap; gap: .5rem; align-items: center;
  border: 1px solid #9aa3ad; border-radius: .5rem; padding: .5rem .75rem; margin: 0 0 .75rem; }
:where(vorn-circuit .vorn-pins > legend) { padding: 0 .25rem; font-weight: 600; }
:where(vorn-circuit [data-input]) { font: inherit; min-width: 3rem; min-height: 2.75rem; padding: .25rem .75rem;
  border: 2px solid #4a5562; border-radius: .4rem; background: #fff; color: #1d232a; cursor: pointer; }
:where(vorn-circuit [data-input][data-state="1"]) { background: #1f6feb; border-color: #1f6feb; color: #fff; }
/* Dark ring on a white halo: at least 3:1 against the page and a pressed button alike. */
:where(vorn-circuit button:focus-visible) { outline: 3px solid #1d232a; outline-offset: 2px;
  box-shadow: 0 0 0 2px #fff; }
:where(vorn-circuit .vorn-reset) { font: inherit; min-height: 2.75rem; padding: .25rem .75rem; margin-left: auto;
  border: 1px solid #4a5562; border-radius: .4rem; background: #fff; color: #1d232a; cursor: pointer; }
:where(vorn-circuit .vorn-hidden) { position: absolute; width: 1px; height: 1px; overflow: hidden;
  clip-path: inset(50%); white-space: nowrap; }
:where(vorn-circuit [data-output]) { display: inline-flex; align-items: center; gap: .4rem; min-height: 2.75rem;
  padding: 0 .5rem; }
:where(vorn-circuit [data-output])::before { content: ""; width: 1.25rem; height: 1.25rem; border-radius: 50%;
  border: 2px solid #4a5562; background: #d5dbe1; }
:where(vorn-circuit [data-output][data-state="1"])::before { background: #f5c518; border-color: #a07c00;
  box-shadow: 0 0 .6rem #f5c518; }
:where(vorn-circuit [data-output][data-state="0"])::before { background: #39424c; }
:where(vorn-circuit [data-output][data-state="?"])::before { background: repeating-linear-gradient(45deg, #d5dbe1 0 3px, #9aa3ad 3px 6px); }
:where(vorn-circuit .vorn-value) { font-family: ui-monospace, monospace; }
/* Still changing: the lamp flickers between the two looks, striped so that
   the state shows without motion too. */
:where(vorn-circuit[data-settled="false"] [data-output])::before {
  background: repeating-linear-gradient(-45deg, #f5c518 0 4px, #39424c 4px 8px); border-color: #a40e26;
  animation: vorn-oscillate .4s steps(2, jump-none) infinite alternate; }
@keyframes vorn-oscillate { from { opacity: 1; } to { opacity: .35; } }
@media (prefers-reduced-motion: reduce) {
  :where(vorn-circuit[data-settled="false"] [data-output])::before { animation: none; }
}
:where(vorn-circuit .vorn-warning) { margin: 0 0 .75rem; padding: .5rem .75rem; border: 2px solid #a40e26;
  border-left-width: .5rem; border-radius: .4rem; background: #fff4f4; color: #7a0019; font-weight: 600; }
:where(vorn-circuit .vorn-warning:empty) { display: none; }
:where(vorn-circuit [role="alert"]) { color: #a40e26; font-weight: 600; }
:where(vorn-circuit [role="alert"]:empty) { display: none; }
:where(vorn-circuit .vorn-status:empty) { display: none; }
:where(vorn-circuit .vorn-timing) { margin: .75rem 0 0; }
:where(vorn-circuit .vorn-timing-body) { display: flex; align-items: flex-start; max-width: 100%; }
:where(vorn-circuit .vorn-timing-names) { list-style: none; margin: 0; padding: 0 .5rem 0 0; flex: 0 1 12rem; min-width: 5rem;
  font: 12px/24px ui-monospace, monospace; }
:where(vorn-circuit .vorn-timing-names > li) { height: 24px; overflow: hidden; white-space: nowrap; text-overflow: ellipsis; }
:where(vorn-circuit .vorn-timing-group > button) { font: inherit; padding: 0 .25rem; height: 22px; border: 1px solid #9aa3ad;
  border-radius: .25rem; background: #fff; color: #1d232a; cursor: pointer; max-width: 100%; overflow: hidden;
  text-overflow: ellipsis; }
:where(vorn-circuit .vorn-timing-plot) { overflow-x: auto; flex: 1 1 auto; min-width: 0; }
:where(vorn-circuit .vorn-timing-diagram) { display: block; font: 10px ui-monospace, monospace; }
:where(vorn-circuit .vorn-timing-more) { font: inherit; min-height: 2.5rem; padding: .25rem .75rem; margin: .5rem 0;
  border: 1px solid #4a5562; border-radius: .4rem; background: #fff; color: #1d232a; cursor: pointer; }
:where(vorn-circuit .vorn-timing-changes) { font-family: ui-monospace, monospace; font-size: .85rem; }
:where(vorn-circuit .vorn-alert.vorn-diagnostics) { font: 14px/1.35 ui-monospace, monospace; white-space: pre-wrap; }
:where(vorn-circuit .vorn-table-box) { max-height: 24rem; overflow: auto; margin: .75rem 0; }
:where(vorn-circuit .vorn-truth-table table) { border-collapse: collapse; font-family: ui-monospace, monospace; }
:where(vorn-circuit .vorn-truth-table th, vorn-circuit .vorn-truth-table td) { border: 1px solid #9aa3ad;
  padding: .1rem .6rem; text-align: center; }
:where(vorn-circuit .vorn-schematic) { margin: .75rem 0; padding: .75rem; overflow: auto; background: #1d232a;
  color: #e6edf3; border-radius: .4rem; font: 14px/1.2 ui-monospace, monospace; white-space: pre; }
:where(vorn-circuit .ansi-bold) { font-weight: 700; }
:where(vorn-circuit .ansi-dim) { opacity: .65; }
:where(vorn-circuit .ansi-0) { color: #8b949e; } :where(vorn-circuit .ansi-1) { color: #ff7b72; }
:where(vorn-circuit .ansi-2) { color: #7ee787; } :where(vorn-circuit .ansi-3) { color: #f2cc60; }
:where(vorn-circuit .ansi-4) { color: #79c0ff; } :where(vorn-circuit .ansi-5) { color: #d2a8ff; }
:where(vorn-circuit .ansi-6) { color: #76e3ea; } :where(vorn-circuit .ansi-7) { color: #e6edf3; }
`;

const stateText = (value) => (value === null || value === undefined ? '?' : String(value));
const pressed = { 0: 'false', 1: 'true', '?': 'mixed' };

function installStyle(document) {
  if (document.getElementById(STYLE_ID)) return;
  const style = document.createElement('style');
  style.id = STYLE_ID;
  style.textContent = DEFAULT_STYLE;
  document.head.prepend(style);
}

function defineElement() {
  class VornCircuitElement extends HTMLElement {
    static observedAttributes = ['src', 'reset', 'truth-table', 'schematic', 'diagram'];

    #circuit = null;
    #loading = 0;
    #observer = null;
    #trace = [];
    #traceDropped = 0;
    #timing = new TimingHistory();  // the last input changes, for the diagram
    #timingState = { open: new Set(), limit: LANES };
    #timingWork = null;  // the slices of a big change still being taken in
    #diagram = null;  // the live schematic, with the `diagram` attribute

    #collectTrace = (line) => {
      if (this.#trace.length < TRACE_LIMIT) this.#trace.push(line);
      else this.#traceDropped++;
    };

    // The loaded circuit (see loadCircuit), or null.
    get circuit() { return this.#circuit; }

    get src() { return this.getAttribute('src') ?? ''; }
    set src(value) { this.setAttribute('src', value); }

    connectedCallback() {
      installStyle(this.ownerDocument);
      // Inline sources may arrive or change after the element is in the page.
      this.#observer ??= new MutationObserver((records) => {
        if (!this.hasAttribute('src') && records.some(touchesSource)) this.#load();
      });
      this.#observer.observe(this, { childList: true, subtree: true, characterData: true });
      if (!this.#circuit && (this.hasAttribute('src') || this.#scripts().length > 0) && this.#loading === 0) this.#load();
    }

    disconnectedCallback() {
      this.#observer?.disconnect();
    }

    attributeChangedCallback(name, before, after) {
      const views = name === 'truth-table' || name === 'schematic';
      if ((name === 'src' || views) && before !== after && this.isConnected) this.#load();
      if (name === 'reset' && this.#circuit) this.#resetButton();
      if (name === 'diagram' && this.#circuit && (before === null) !== (after === null)) this.#showDiagram();
    }

    // The schematic follows the inputs; toggling there is toggling here.
    #showDiagram() {
      this.querySelector(':scope > .vorn-diagram')?.remove();
      this.#diagram?.destroy();
      this.#diagram = null;
      if (!this.hasAttribute('diagram') || !this.#circuit) return;
      const part = this.ownerDocument.createElement('div');
      part.className = 'vorn-diagram';
      const timing = this.querySelector(':scope > .vorn-timing');
      if (timing) timing.before(part);
      else this.append(part);
      this.#diagram = renderSchematic(part, this.#circuit, { onToggle: (name) => this.toggle(name), downloadName: 'circuit.svg' });
    }

    async #load() {
      const ticket = ++this.#loading;
      this.#circuit = null;
      this.#render(null);
      delete this.dataset.settled;
      const scripts = this.#scripts();
      if (!this.src && scripts.length === 0) return;
      this.#status('Loading…');
      let circuit;
      let views;
      try {
        ({ circuit, views } = await this.#obtain(scripts));
      } catch (error) {
        if (ticket !== this.#loading) return;
        this.#status('');
        const diagnostics = error.diagnostics ?? null;
        if (diagnostics) this.#alert(diagnostics.trimEnd(), null, true);
        else this.#alert(error.message, error.detail);
        this.dispatchEvent(new CustomEvent('error', {
          detail: { message: error.message, detail: error.detail ?? null, diagnostics },
        }));
        return;
      }
      if (ticket !== this.#loading) return;
      this.#circuit = circuit;
      this.#render(circuit);
      this.#views(views);
      this.#showDiagram();
      this.#status('');
      this.dispatchEvent(new CustomEvent('load', { detail: { inputs: circuit.inputs, outputs: circuit.outputs } }));
      // The first settle is no input change: it gives the diagram its start.
      this.#change(() => { for (const name of circuit.inputs) circuit.set(name, 0); }, null);
    }

    #scripts() {
      return [...this.querySelectorAll(`:scope > script[type="${SOURCE_TYPE}"]`)];
    }

    // The circuit, from src or the inline scripts (src first), and the
    // compiler's table and drawing when asked for.
    async #obtain(scripts) {
      if (!this.src) return this.#compile(inlineProject(scripts));
      const url = new URL(this.src, this.baseURI).href;
      const path = new URL(url).pathname;
      if (/\.vorn$/i.test(path)) return this.#compile(await fetchProject(url));
      let response;
      try {
        response = await fetch(url);
      } catch (error) {
        throw new Error(`could not fetch ${url}: ${error.message}`);
      }
      if (!response.ok) return { circuit: await loadCircuit(response), views: null };
      const bytes = new Uint8Array(await response.arrayBuffer());
      const wasm = bytes.length >= 4 && WASM_MAGIC.every((byte, i) => bytes[i] === byte);
      if (wasm || /\.wasm$/i.test(path) || bytes.length === 0) return { circuit: await loadCircuit(bytes), views: null };
      // Not WebAssembly: taken for source text.
      const text = new TextDecoder().decode(bytes);
      return this.#compile(await fetchProject(url, (href) => (href === url ? text : defaultFetchText(href))));
    }

    async #compile({ files, root }) {
      const runs = [[root, '-o', OUTPUT]];
      const names = ['circuit'];
      if (this.hasAttribute('truth-table')) {
        runs.push([root, '--truth-table', '--format=json']);
        names.push('table');
      }
      if (this.hasAttribute('schematic')) {
        runs.push([root, '--preview', '--color=always']);
        names.push('schematic');
      }
      const results = await compileProject(files, runs);
      const [build] = results;
      if (build.status !== 0) {
        const error = new Error(`${root} has errors`);
        error.diagnostics = build.stderr || `vorn-compile ended with status ${build.status}`;
        throw error;
      }
      const bytes = build.outputs[OUTPUT];
      if (!bytes) throw new Error('the compiler wrote no circuit');
      const circuit = await loadCircuit(bytes);
      const views = {};
      names.forEach((name, i) => { if (i > 0) views[name] = results[i] ?? null; });
      return { circuit, views };
    }

    // The truth table and the drawing, below the circuit.
    #views(views) {
      const document = this.ownerDocument;
      const failed = (result, what) => {
        const note = document.createElement('p');
        note.className = 'vorn-note';
        note.textContent = `No ${what}: ${(result?.stderr ?? '').trim() || 'the compiler gave none.'}`;
        return note;
      };
      if (views && 'table' in views) {
        const section = document.createElement('div');
        section.className = 'vorn-truth-table';
        const result = views.table;
        if (result?.status === 0) {
          const note = document.createElement('p');
          note.className = 'vorn-note';
          const box = document.createElement('div');
          box.className = 'vorn-table-box';
          const table = document.createElement('table');
          box.append(table);
          section.append(note, box);
          this.append(section);
          renderTruthTable(table, note, JSON.parse(result.stdout));
        } else {
          section.append(failed(result, 'truth table'));
          this.append(section);
        }
      }
      if (views && 'schematic' in views) {
        const result = views.schematic;
        if (result?.status === 0) {
          const pre = document.createElement('pre');
          pre.className = 'vorn-schematic';
          renderAnsi(pre, result.stdout);
          this.append(pre);
        } else this.append(failed(result, 'schematic'));
      }
    }

    // Flips one input; the same as clicking its button.
    toggle(name) {
      const circuit = this.#circuit;
      if (!circuit) return;
      const rising = circuit.get(name) !== 1;
      this.#change(() => circuit.set(name, rising ? 1 : 0), `${name}${rising ? '↑' : '↓'}`);
    }

    // Sets every input low and settles again; the runtime has no other reset.
    reset() {
      const circuit = this.#circuit;
      if (!circuit) return;
      this.#change(() => { for (const name of circuit.inputs) circuit.set(name, 0); }, 'reset');
    }

    // Sets the named inputs ({ a: 1, b: 0 }) in one change. Checked first,
    // so a bad name or value changes nothing.
    setInputs(values) {
      const circuit = this.#circuit;
      if (!circuit) return;
      for (const [name, value] of Object.entries(values)) {
        if (!circuit.inputs.includes(name)) throw new Error(`no input named '${name}'`);
        if (![0, 1, false, true].includes(value)) throw new TypeError(`input '${name}' takes 0, 1, false or true`);
      }
      const names = Object.keys(values);
      const label = names.length > 2 ? `${names.length} inputs` : names.map((name) => `${name}=${Number(values[name])}`).join(' ');
      this.#change(() => { for (const [name, value] of Object.entries(values)) circuit.set(name, value); }, label);
    }

    // `label` names the input change in the timing diagram; null for none.
    #change(drive, label) {
      const circuit = this.#circuit;
      this.#trace = [];
      this.#traceDropped = 0;
      const tracing = this.hasAttribute('trace');
      circuit.trace = tracing ? this.#collectTrace : null;
      drive();
      const settled = circuit.run();
      const inputs = {};
      const outputs = {};
      for (const name of circuit.inputs) inputs[name] = circuit.get(name);
      for (const name of circuit.outputs) outputs[name] = circuit.get(name);
      for (const button of this.querySelectorAll('[data-input]')) {
        const state = stateText(inputs[button.dataset.input]);
        button.dataset.state = state;
        button.setAttribute('aria-pressed', pressed[state]);
        button.querySelector('.vorn-value').textContent = state;
      }
      for (const lamp of this.querySelectorAll('[data-output]')) {
        const state = stateText(outputs[lamp.dataset.output]);
        lamp.dataset.state = state;
        // A value read mid-oscillation is no answer: say so instead.
        lamp.querySelector('.vorn-value').textContent = settled ? state : 'oscillating';
      }
      this.dataset.settled = String(settled);
      this.#diagram?.update();
      this.#warn(settled ? '' : 'The circuit did not settle: a loop keeps oscillating, so the lamps show no lasting value.');
      if (this.hasAttribute('timing')) this.#showTiming(circuit, label);
      const trace = tracing ? { lines: this.#trace, dropped: this.#traceDropped } : null;
      this.dispatchEvent(new CustomEvent('change', { detail: { inputs, outputs, settled, trace }, bubbles: true }));
    }

    // `label` null: the first settle, which gives only the starting values.
    #showTiming(circuit, label) {
      const changes = circuit.timing();
      const history = this.#timing;
      const draw = () => {
        if (history !== this.#timing) return;
        const part = this.#part('vorn-timing', 'figure');
        part.setAttribute('aria-label', 'Timing of the last input changes');
        renderTiming(part, history, { pins: [...circuit.inputs, ...circuit.outputs], state: this.#timingState });
      };
      if (!this.#timingWork && changes.length <= TIMING_SLICE) {
        if (label === null) history.settle(changes);
        else history.record(label, changes);
        draw();
        return;
      }
      // In order after any change still being taken in.
      const work = (this.#timingWork ?? Promise.resolve()).then(async () => {
        const entry = label === null ? null : history.begin(label, changes);
        for (let from = 0; from < changes.length; from += TIMING_SLICE) {
          const to = Math.min(changes.length, from + TIMING_SLICE);
          if (entry) history.add(entry, from, to);
          else history.settle(changes.slice(from, to));
          if (to < changes.length) await nextTask();
        }
        if (entry) history.finish(entry);
        draw();
      });
      this.#timingWork = work;
      work.finally(() => { if (this.#timingWork === work) this.#timingWork = null; });
    }

    #part(className, tag = 'div') {
      let part = this.querySelector(`:scope > .${className}`);
      if (!part) {
        part = this.ownerDocument.createElement(tag);
        part.className = className;
        this.append(part);
      }
      return part;
    }

    // An alert that exists only while there is something to say, so that
    // it is announced each time it appears.
    #warn(message) {
      const existing = this.querySelector(':scope > .vorn-warning');
      if (!message) {
        existing?.remove();
        return;
      }
      if (existing) return;
      const warning = this.ownerDocument.createElement('p');
      warning.className = 'vorn-warning';
      warning.setAttribute('role', 'alert');
      warning.textContent = message;
      const outputs = this.querySelector(':scope > .vorn-outputs');
      if (outputs) outputs.after(warning);
      else this.append(warning);
    }

    // The reason, and the engine's own words behind a disclosure.
    #alert(message, detail, diagnostics = false) {
      const alert = this.#part('vorn-alert', 'p');
      alert.setAttribute('role', 'alert');
      alert.classList.toggle('vorn-diagnostics', diagnostics);
      alert.textContent = message;
      this.querySelector(':scope > .vorn-detail')?.remove();
      if (!detail) return;
      const more = this.ownerDocument.createElement('details');
      more.className = 'vorn-detail';
      const summary = this.ownerDocument.createElement('summary');
      summary.textContent = 'Details';
      const text = this.ownerDocument.createElement('p');
      text.textContent = detail;
      more.append(summary, text);
      alert.after(more);
    }

    #status(message) {
      const status = this.#part('vorn-status', 'p');
      status.setAttribute('role', 'status');
      status.textContent = message;
    }

    #render(circuit) {
      const document = this.ownerDocument;
      const table = this.querySelector(':scope > .vorn-truth-table table');
      if (table) clearTruthTable(table);
      // Inline sources stay where they are: they are the circuit.
      for (const child of [...this.childNodes]) if (!isSource(child)) child.remove();
      this.#diagram?.destroy();
      this.#diagram = null;
      this.#timing = new TimingHistory();
      this.#timingState = { open: new Set(), limit: LANES };
      if (!circuit) return;
      const group = (title, className) => {
        const fieldset = document.createElement('fieldset');
        fieldset.className = `vorn-pins ${className}`;
        const legend = document.createElement('legend');
        legend.textContent = title;
        fieldset.append(legend);
        this.append(fieldset);
        return fieldset;
      };
      const value = () => {
        const span = document.createElement('span');
        span.className = 'vorn-value';
        span.textContent = '?';
        return span;
      };
      const inputs = group('Inputs', 'vorn-inputs');
      for (const name of circuit.inputs) {
        const button = document.createElement('button');
        button.type = 'button';
        button.dataset.input = name;
        button.dataset.state = '?';
        button.setAttribute('aria-pressed', 'mixed');
        button.append(`${name} `, value());
        button.addEventListener('click', () => this.toggle(name));
        inputs.append(button);
      }
      if (circuit.inputs.length === 0) inputs.append('none');
      this.#resetButton();
      const outputs = group('Outputs', 'vorn-outputs');
      for (const name of circuit.outputs) {
        // Each lamp announces itself whole when it changes: "sum: 1".
        const lamp = document.createElement('span');
        lamp.dataset.output = name;
        lamp.dataset.state = '?';
        lamp.setAttribute('aria-live', 'polite');
        lamp.setAttribute('aria-atomic', 'true');
        const colon = document.createElement('span');
        colon.className = 'vorn-hidden';
        colon.textContent = ':';
        lamp.append(name, colon, ' ', value());
        outputs.append(lamp);
      }
      if (circuit.outputs.length === 0) outputs.append('none');
      this.#alert('');
      this.#status('');
    }

    #resetButton() {
      const inputs = this.querySelector(':scope > .vorn-inputs');
      let button = inputs?.querySelector(':scope > .vorn-reset');
      if (!inputs || this.hasAttribute('reset') === Boolean(button)) return;
      if (button) {
        button.remove();
        return;
      }
      button = this.ownerDocument.createElement('button');
      button.type = 'button';
      button.className = 'vorn-reset';
      button.textContent = 'Reset';
      button.addEventListener('click', () => this.reset());
      inputs.append(button);
    }
  }

  customElements.define('vorn-circuit', VornCircuitElement);
}

if (typeof customElements !== 'undefined' && typeof HTMLElement !== 'undefined' && !customElements.get('vorn-circuit')) {
  defineElement();
}
