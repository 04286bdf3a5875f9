// The open file's outline from the language server (documentSymbol): a
// panel under the editor, toggled with Mod-Shift-o, listing the inputs,
// outputs and instances; a click goes to the name.
import { LSPPlugin } from '@codemirror/lsp-client';
import { StateEffect, StateField } from '@codemirror/state';
import { EditorView, keymap, showPanel } from '@codemirror/view';

const toggleOutline = StateEffect.define();

const outlineOpen = StateField.define({
  create: () => false,
  update: (open, transaction) => transaction.effects.reduce((value, effect) => (effect.is(toggleOutline) ? !value : value), open),
  provide: (field) => showPanel.from(field, (open) => (open ? createPanel : null)),
});

function createPanel(view) {
  const dom = document.createElement('div');
  dom.className = 'cm-vorn-outline';
  const list = document.createElement('ul');
  list.setAttribute('aria-label', 'Outline of the open file');
  dom.append(list);
  let asked = 0;
  const refresh = () => {
    const plugin = LSPPlugin.get(view);
    if (!plugin) return;
    const ask = ++asked;
    plugin.client.sync();
    plugin.client.request('textDocument/documentSymbol', { textDocument: { uri: plugin.uri } }).then((symbols) => {
      if (ask !== asked) return;
      list.replaceChildren();
      for (const symbol of symbols ?? []) {
        const item = document.createElement('li');
        const button = document.createElement('button');
        button.type = 'button';
        button.textContent = `${symbol.detail} ${symbol.name}`;
        button.addEventListener('click', () => {
          const from = plugin.fromPosition(symbol.selectionRange.start, plugin.syncedDoc);
          const to = plugin.fromPosition(symbol.selectionRange.end, plugin.syncedDoc);
          view.dispatch({ selection: { anchor: from, head: to }, effects: EditorView.scrollIntoView(from, { y: 'center' }) });
          view.focus();
        });
        item.append(button);
        list.append(item);
      }
      if (!list.children.length) list.append(Object.assign(document.createElement('li'), { textContent: 'Nothing declared yet.' }));
    }, () => {});
  };
  let timer = 0;
  return {
    dom,
    mount: refresh,
    update(update) {
      if (!update.docChanged) return;
      clearTimeout(timer);
      timer = setTimeout(refresh, 300);
    },
    destroy: () => clearTimeout(timer),
  };
}

const theme = EditorView.baseTheme({
  '.cm-vorn-outline ul': { margin: 0, padding: '2px 6px', listStyle: 'none', maxHeight: '10em', overflowY: 'auto', columns: '14em' },
  '.cm-vorn-outline button': { font: 'inherit', background: 'none', border: 'none', padding: 0, cursor: 'pointer', color: 'inherit' },
  '.cm-vorn-outline button:hover': { textDecoration: 'underline' },
});

export const outline = [
  outlineOpen,
  theme,
  keymap.of([{ key: 'Mod-Shift-o', preventDefault: true, run: (view) => { view.dispatch({ effects: toggleOutline.of(null) }); return true; } }]),
];
