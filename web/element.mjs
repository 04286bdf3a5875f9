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
// of the last change follows the lamps (see timing_view.mjs).
import { loadCircuit } from './circuit.mjs';
import { renderTiming } from './timing_view.mjs';

export const TRACE_LIMIT = 1000;
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
:where(vorn-circuit .vorn-timing-diagram) { max-width: 100%; height: auto; font: 12px ui-monospace, monospace; }
:where(vorn-circuit .vorn-timing-changes) { font-family: ui-monospace, monospace; font-size: .85rem; }
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
    static observedAttributes = ['src', 'reset'];

    #circuit = null;
    #loading = 0;
    #trace = [];
    #traceDropped = 0;
    #values = new Map();  // each signal's value after the last change, for the diagram

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
      if (!this.#circuit && this.hasAttribute('src') && this.#loading === 0) this.#load();
    }

    attributeChangedCallback(name, before, after) {
      if (name === 'src' && before !== after && this.isConnected) this.#load();
      if (name === 'reset' && this.#circuit) this.#resetButton();
    }

    async #load() {
      const ticket = ++this.#loading;
      this.#circuit = null;
      this.#render(null);
      delete this.dataset.settled;
      if (!this.src) return;
      this.#status('Loading…');
      let circuit;
      try {
        circuit = await loadCircuit(new URL(this.src, this.baseURI).href);
      } catch (error) {
        if (ticket !== this.#loading) return;
        this.#status('');
        this.#alert(error.message, error.detail);
        this.dispatchEvent(new CustomEvent('error', { detail: { message: error.message, detail: error.detail ?? null } }));
        return;
      }
      if (ticket !== this.#loading) return;
      this.#circuit = circuit;
      this.#render(circuit);
      this.#status('');
      this.dispatchEvent(new CustomEvent('load', { detail: { inputs: circuit.inputs, outputs: circuit.outputs } }));
      this.#change(() => { for (const name of circuit.inputs) circuit.set(name, 0); });
    }

    // Flips one input; the same as clicking its button.
    toggle(name) {
      const circuit = this.#circuit;
      if (!circuit) return;
      this.#change(() => circuit.set(name, circuit.get(name) === 1 ? 0 : 1));
    }

    // Sets every input low and settles again; the runtime has no other reset.
    reset() {
      const circuit = this.#circuit;
      if (!circuit) return;
      this.#change(() => { for (const name of circuit.inputs) circuit.set(name, 0); });
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
      this.#change(() => { for (const [name, value] of Object.entries(values)) circuit.set(name, value); });
    }

    #change(drive) {
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
      this.#warn(settled ? '' : 'The circuit did not settle: a loop keeps oscillating, so the lamps show no lasting value.');
      if (this.hasAttribute('timing')) this.#showTiming(circuit);
      const trace = tracing ? { lines: this.#trace, dropped: this.#traceDropped } : null;
      this.dispatchEvent(new CustomEvent('change', { detail: { inputs, outputs, settled, trace }, bubbles: true }));
    }

    #showTiming(circuit) {
      const changes = circuit.timing();
      const part = this.#part('vorn-timing', 'figure');
      part.setAttribute('aria-label', 'Timing of the last change');
      renderTiming(part, changes, { pins: [...circuit.inputs, ...circuit.outputs], before: this.#values });
      for (const change of changes) this.#values.set(change.name, change.value);
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
    #alert(message, detail) {
      const alert = this.#part('vorn-alert', 'p');
      alert.setAttribute('role', 'alert');
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
      this.replaceChildren();
      this.#values = new Map();
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
