// "Compare with…": the root file against another file of the project taken
// as the reference (vorn-compile ROOT --equiv REFERENCE). The verdict shows
// under the editor; a counterexample is a button that sets the circuit's
// inputs to it, so the difference can be watched live. Runs in a worker of
// its own, so that neither typing nor the regular checks wait for it.

const DELAY_MS = 150;

// The controls go just before `anchor`; `circuit` is the <vorn-circuit> of the
// Circuit panel and `showCircuit` brings that panel forward.
export function setupCompare({ anchor, circuit, showCircuit }) {
  const row = document.createElement('p');
  row.className = 'status-row compare-row';
  const label = document.createElement('label');
  label.htmlFor = 'compare-with';
  label.textContent = 'Compare with…';
  const select = document.createElement('select');
  select.id = 'compare-with';
  const status = document.createElement('span');
  status.id = 'compare-status';
  status.setAttribute('role', 'status');
  row.append(label, ' ', select, ' ', status);
  const list = document.createElement('ul');
  list.id = 'compare-counterexamples';
  list.className = 'compare-counterexamples';
  anchor.before(row, list);

  let worker = null;
  let requestId = 0;
  let timer = 0;
  let project = { files: {}, root: '' };

  const show = (text, items = []) => {
    status.textContent = text;
    list.replaceChildren(...items);
  };

  function counterexample(verdict, found) {
    const values = {};
    verdict.inputs.forEach((name, i) => { values[name] = found.in[i]; });
    const cell = (value) => (value === null ? '?' : String(value));
    const text = `${found.output}: ${verdict.inputs.map((name) => `${name}=${values[name]}`).join(' ')}`
      + ` gives ${cell(found.circuit)}, reference gives ${cell(found.reference)}`;
    const button = document.createElement('button');
    button.type = 'button';
    button.textContent = text;
    button.title = 'Set the circuit\'s inputs to this row';
    button.addEventListener('click', () => {
      showCircuit();
      try {
        circuit.setInputs(values);
      } catch (error) {
        status.textContent = `Could not set the inputs: ${error.message}`;
      }
    });
    const item = document.createElement('li');
    item.append(button);
    return item;
  }

  function onResult(data) {
    if (data.done || data.id !== requestId) return;
    if (data.error) return show(`No comparison: ${data.error}`);
    const { status: code, stdout, stderr } = data.result;
    if (stdout.trim()) {
      const verdict = JSON.parse(stdout);
      const n = verdict.inputs.length;
      const all = n > 20 ? `2^${n}` : String(2 ** n);
      if (verdict.verdict === 'equivalent') {
        return show(`Equivalent to ${select.value}: ${verdict.outputs.length} output(s) agree for all ${all} input combinations.`);
      }
      return show(`Different from ${select.value}:`, verdict.counterexamples.map((found) => counterexample(verdict, found)));
    }
    // Pins without a counterpart, diagnostics, a refusal: the compiler's own lines.
    const lines = stderr.split('\n').filter((line) => line && !line.startsWith('info('));
    show(code === 0 ? '' : `Not compared with ${select.value}:`, lines.slice(0, 8).map((line) => {
      const item = document.createElement('li');
      item.textContent = line;
      return item;
    }));
  }

  function run() {
    timer = 0;
    const reference = select.value;
    if (!reference || !project.files[reference] || reference === project.root) return show('');
    if (!worker) {
      worker = new Worker(new URL('./playground_worker.mjs', import.meta.url), { type: 'module' });
      worker.addEventListener('message', ({ data }) => onResult(data));
      worker.addEventListener('error', (event) => show(`The compiler failed to start: ${event.message ?? 'unknown error'}`));
    }
    requestId += 1;
    show('Comparing…');
    worker.postMessage({
      id: requestId,
      files: { ...project.files },
      runs: [{ name: 'equiv', args: [project.root, '--equiv', reference, '--format=json'] }],
    });
  }

  function fillChoices() {
    const chosen = select.value;
    const others = Object.keys(project.files).filter((path) => path !== project.root).sort();
    const none = new Option('(nothing)', '');
    select.replaceChildren(none, ...others.map((path) => new Option(path, path)));
    select.value = others.includes(chosen) ? chosen : '';
  }

  select.addEventListener('change', run);

  return {
    // The project changed: new choices, and a new verdict when one is shown.
    update(files, root) {
      project = { files, root };
      fillChoices();
      clearTimeout(timer);
      if (select.value) timer = setTimeout(run, DELAY_MS);
      else show('');
    },
  };
}
