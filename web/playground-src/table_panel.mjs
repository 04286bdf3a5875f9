// The truth table panel: row numbers, the filter box, the row of the live
// circuit's inputs marked and kept in view, and a click on a row (or the
// arrow keys in the table) setting those inputs.
import { countText, renderTruthTable, rowOf } from '../truth_table_view.mjs';

export function createTablePanel({ view, note, filterInput, filterCount, circuit }) {
  let table = null;
  let handle = null;

  const liveRow = () => {
    const live = circuit.circuit;
    if (!table || !live) return -1;
    const inputs = {};
    for (const name of live.inputs) inputs[name] = live.get(name);
    return rowOf(table, inputs);
  };
  const setRow = (index) => {
    const live = circuit.circuit;
    if (!live || live.inputs.join() !== table.inputs.join()) return;
    circuit.setInputs(Object.fromEntries(table.inputs.map((name, i) => [name, table.rows[index].in[i]])));
  };
  const applyFilter = () => {
    if (!handle) return;
    const text = filterInput.value;
    const count = handle.filter(text);
    filterCount.textContent = text.trim() ? `${countText(count, 'row')} of ${table.rows.length.toLocaleString('en')} shown` : '';
  };

  filterInput.addEventListener('input', applyFilter);
  // The keyboard's row click: the arrows step the live inputs through the
  // rows shown.
  const STEPS = { ArrowDown: 1, ArrowUp: -1, PageDown: 10, PageUp: -10 };
  view.parentElement.addEventListener('keydown', (event) => {
    if (!handle || !(event.key in STEPS) || event.altKey || event.ctrlKey || event.metaKey) return;
    const row = handle.near(liveRow(), STEPS[event.key]);
    if (row < 0) return;
    event.preventDefault();
    setRow(row);
  });
  circuit.addEventListener('change', (event) => {
    if (handle) handle.mark(rowOf(table, event.detail.inputs), true);
  });

  return {
    show(next) {
      table = next;
      handle = renderTruthTable(view, note, table, {
        rowNumbers: true,
        onRowClick: setRow,
      });
      applyFilter();
      handle.mark(liveRow(), true);
    },
    clear() {
      table = null;
      handle = null;
      filterCount.textContent = '';
    },
  };
}
