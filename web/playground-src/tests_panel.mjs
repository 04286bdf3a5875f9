// The Tests panel: every test table of the project (.md or .csv, the form
// `vorn-compile ROOT --test TABLE` reads) run against the root on each check,
// by the compiler itself in the worker. The report's text is the terminal's,
// word for word; its JSON form marks each row passed or failed. A failure,
// or a fault in the table, jumps to its line in the table's tab on a click.
export const isTablePath = (path) => /\.(md|csv)$/i.test(path);

const TEXT = 'test:';
// Rows drawn per table: every failed one, then passed ones up to this many.
const SHOWN_ROWS = 500;
const JSON_RUN = 'test-json:';

// The worker's runs for every table: the report as text, then as JSON.
export function testRuns(files, root) {
  const runs = [];
  for (const path of Object.keys(files).filter(isTablePath).sort()) {
    runs.push({ name: `${TEXT}${path}`, args: [root, '--test', path] });
    runs.push({ name: `${JSON_RUN}${path}`, args: [root, '--test', path, '--format=json'] });
  }
  return runs;
}

const escapeRegExp = (text) => text.replace(/[.*+?^${}()|[\]\\]/g, '\\$&');

// The table's own faults on standard error ("TABLE:LINE:COL: error: …").
function tableFaults(path, stderr) {
  const pattern = new RegExp(`^${escapeRegExp(path)}:(\\d+):\\d+: error: `);
  return stderr.split('\n').filter((line) => pattern.test(line)).map((text) => ({ text, line: Number(pattern.exec(text)[1]) }));
}

// The report of one table from its two runs: { summary, failures: [{text,
// line}], rows (the JSON rows) } or { faults, note } when it did not run.
export function readReport(path, textRun, jsonRun) {
  const failed = (run) => run.error || !run.result;
  if (failed(textRun) || failed(jsonRun)) return { faults: [], note: textRun.error ?? jsonRun.error ?? 'the compiler failed' };
  let report = null;
  try {
    report = JSON.parse(jsonRun.result.stdout);
  } catch {
    report = null;
  }
  if (!report || !Array.isArray(report.rows)) {
    const faults = tableFaults(path, textRun.result.stderr);
    return { faults, note: faults.length ? '' : 'The root does not compile: see Problems.' };
  }
  const lines = textRun.result.stdout.split('\n').filter(Boolean);
  const summary = lines.at(-1) ?? '';
  const failureLine = new RegExp(`^${escapeRegExp(path)}:(\\d+): `);
  const failures = lines.slice(0, -1).map((text) => ({ text, line: Number(failureLine.exec(text)?.[1] ?? 0) }));
  return { summary, failures, rows: report.rows, passed: report.passed, failed: report.failed };
}

const bits = (values) => Object.entries(values).map(([name, value]) => `${name}=${value === null ? '?' : value}`).join(' ');

// `container` gets one section per table; `jump(path, line)` opens a line.
export function createTestsPanel({ container, note, jump }) {
  let runs = new Map();
  let tables = [];

  function render() {
    container.replaceChildren();
    if (!tables.length) {
      note.textContent = 'No test tables yet. Add a .md or .csv file of expected rows, or start one from the truth table.';
      return;
    }
    let passed = 0;
    let failed = 0;
    for (const path of tables) {
      const section = document.createElement('section');
      section.className = 'test-table';
      section.dataset.table = path;
      const title = document.createElement('h3');
      title.textContent = path;
      section.append(title);
      const textRun = runs.get(`${TEXT}${path}`);
      const jsonRun = runs.get(`${JSON_RUN}${path}`);
      const status = document.createElement('p');
      status.className = 'test-summary';
      section.append(status);
      container.append(section);
      if (!textRun || !jsonRun) {
        status.textContent = 'Running…';
        continue;
      }
      const report = readReport(path, textRun, jsonRun);
      const jumpButton = (item) => {
        const button = document.createElement('button');
        button.type = 'button';
        button.textContent = item.text;
        button.addEventListener('click', () => jump(path, item.line));
        const li = document.createElement('li');
        li.append(button);
        return li;
      };
      if (!report.rows) {
        status.textContent = report.note || 'The table could not be read:';
        status.classList.add('failed');
        const list = document.createElement('ul');
        list.className = 'test-failures';
        list.append(...report.faults.map(jumpButton));
        section.append(list);
        failed++;
        continue;
      }
      passed += report.passed;
      failed += report.failed;
      status.textContent = report.summary;
      status.classList.toggle('failed', report.failed > 0);
      if (report.failures.length) {
        const list = document.createElement('ul');
        list.className = 'test-failures';
        list.setAttribute('aria-label', `Failed rows of ${path}`);
        list.append(...report.failures.map(jumpButton));
        section.append(list);
      }
      const box = document.createElement('div');
      box.className = 'table-scroll test-rows';
      box.tabIndex = 0;
      box.setAttribute('role', 'region');
      box.setAttribute('aria-label', `Rows of ${path}`);
      const table = document.createElement('table');
      const head = table.createTHead().insertRow();
      for (const text of ['Line', 'Inputs', 'Outputs', 'Verdict']) {
        const th = document.createElement('th');
        th.scope = 'col';
        th.textContent = text;
        head.append(th);
      }
      const body = table.createTBody();
      const failedRows = report.rows.filter((row) => !row.ok).length;
      let passedRoom = Math.max(0, SHOWN_ROWS - failedRows);
      const shown = report.rows.filter((row) => !row.ok || passedRoom-- > 0);
      for (const row of shown) {
        const tr = body.insertRow();
        tr.className = row.ok ? 'passed' : 'failed';
        tr.dataset.line = String(row.line);
        const line = tr.insertCell();
        const button = document.createElement('button');
        button.type = 'button';
        button.textContent = String(row.line);
        button.setAttribute('aria-label', `Line ${row.line} of ${path}`);
        button.addEventListener('click', () => jump(path, row.line));
        line.append(button);
        tr.insertCell().textContent = bits(row.inputs);
        tr.insertCell().textContent = bits(row.actual);
        Object.assign(tr.insertCell(), { className: 'result', textContent: row.ok ? 'passed' : `failed: ${row.reason}` });
      }
      box.append(table);
      section.append(box);
      if (shown.length < report.rows.length) {
        const rest = document.createElement('p');
        rest.className = 'panel-note';
        rest.textContent = `Every failed row is shown; ${(report.rows.length - shown.length).toLocaleString('en')} more passed rows are not.`;
        section.append(rest);
      }
    }
    const done = tables.every((path) => runs.has(`${JSON_RUN}${path}`));
    note.textContent = done ? `${tables.length} table${tables.length === 1 ? '' : 's'}: ${passed} row${passed === 1 ? '' : 's'} passed, ${failed} failed.` : 'Running the tables…';
    note.classList.toggle('failed', done && failed > 0);
  }

  let frame = 0;
  const renderSoon = () => {
    if (!frame) frame = requestAnimationFrame(() => { frame = 0; render(); });
  };

  return {
    // A new check of `files`: its tables, with no results yet.
    begin(files) {
      runs = new Map();
      tables = Object.keys(files).filter(isTablePath).sort();
      renderSoon();
    },
    // Takes a worker reply; true when it was a test run.
    result(name, data) {
      if (!name.startsWith(TEXT) && !name.startsWith(JSON_RUN)) return false;
      runs.set(name, data);
      renderSoon();
      return true;
    },
  };
}
