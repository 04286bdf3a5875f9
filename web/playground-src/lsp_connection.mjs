// The playground's editor driven by vorn-lsp, the language server every
// editor uses, run in a worker (lsp_worker.mjs, with vorn-lsp.wasm) and
// reached through @codemirror/lsp-client: diagnostics, completion, hover, go
// to definition, rename and references. Every file of the project is open
// in the server, the one in the editor with its view and the others as
// their text, so that each is checked and a rename reaches them all; the
// worker's file system mirrors the project for import paths.
import { LSPClient, LSPPlugin, Workspace, languageServerExtensions } from '@codemirror/lsp-client';
import { ChangeSet, Text } from '@codemirror/state';
import { EditorView } from '@codemirror/view';
import { outline } from './outline.mjs';

export const uriOf = (path) => `file:///${path.split('/').map(encodeURIComponent).join('/')}`;
export function pathOf(uri) {
  if (!uri.startsWith('file:///')) return null;
  try {
    return uri.slice('file:///'.length).split('/').map(decodeURIComponent).join('/');
  } catch {
    return null;
  }
}

// Messages to and from the worker, as the client's transport.
function workerTransport(worker) {
  const handlers = new Set();
  worker.addEventListener('message', ({ data }) => {
    if (typeof data.lsp === 'string') for (const handler of handlers) handler(data.lsp);
  });
  return {
    send: (message) => worker.postMessage({ lsp: message }),
    subscribe: (handler) => handlers.add(handler),
    unsubscribe: (handler) => handlers.delete(handler),
  };
}

// A project file as the server has it: with the editor's view while it is
// shown, else as text.
class ProjectFile {
  constructor(uri, doc, version) {
    this.uri = uri;
    this.languageId = 'vorn';
    this.doc = doc;
    this.version = version;
    this.view = null;
  }
  getView() { return this.view; }
}

class ProjectWorkspace extends Workspace {
  constructor(client, host) {
    super(client);
    this.host = host;
    this.files = [];
    this.nextVersion = 1;
  }

  // Files added, removed or changed outside the editor (another tab, a
  // rename's edits, a new example) reach the server.
  refresh() {
    const texts = this.host.files();
    for (const file of [...this.files]) {
      const path = pathOf(file.uri);
      if (path in texts) continue;
      this.files = this.files.filter((f) => f !== file);
      this.client.didClose(file.uri);
    }
    for (const [path, text] of Object.entries(texts)) {
      const uri = uriOf(path);
      if (this.getFile(uri)) continue;
      const file = new ProjectFile(uri, Text.of(text.split(/\r\n?|\n/)), this.nextVersion++);
      this.files.push(file);
      this.client.didOpen(file);
    }
    this.client.sync();
  }

  syncFiles() {
    const texts = this.host.files();
    const updates = [];
    for (const file of this.files) {
      let changes;
      if (file.view) {
        const plugin = LSPPlugin.get(file.view);
        if (!plugin || plugin.unsyncedChanges.empty) continue;
        changes = plugin.unsyncedChanges;
        plugin.clear();
      } else {
        const text = texts[pathOf(file.uri)];
        if (text === undefined || text === file.doc.toString()) continue;
        changes = ChangeSet.of({ from: 0, to: file.doc.length, insert: text }, file.doc.length);
      }
      const prevDoc = file.doc;
      file.doc = changes.apply(prevDoc);
      file.version = this.nextVersion++;
      updates.push({ file, prevDoc, changes });
    }
    return updates;
  }

  openFile(uri, languageId, view) {
    let file = this.getFile(uri);
    if (!file) {
      file = new ProjectFile(uri, view.state.doc, this.nextVersion++);
      this.files.push(file);
      file.view = view;
      this.client.didOpen(file);
      return;
    }
    this.client.sync();
    file.view = view;
    // The view shows the text the server has unless an edit came between.
    if (!file.doc.eq(view.state.doc)) {
      this.client.didClose(uri);
      file.doc = view.state.doc;
      file.version = this.nextVersion++;
      this.client.didOpen(file);
    }
  }

  closeFile(uri, view) {
    const file = this.getFile(uri);
    if (file && file.view === view) file.view = null;
  }

  // A server's edit of a file the editor does not show: applied to its text.
  updateFile(uri, update) {
    const file = this.getFile(uri);
    if (!file) return;
    if (file.view) {
      file.view.dispatch(update);
      return;
    }
    const changes = ChangeSet.of(update.changes, file.doc.length);
    this.host.write(pathOf(uri), changes.apply(file.doc).toString());
  }

  displayFile(uri) {
    const path = pathOf(uri);
    return Promise.resolve(path !== null && path in this.host.files() ? this.host.show(path) : null);
  }
}

// host: { files() → { path: text }, write(path, text), show(path) → view,
// published(path, diagnostics) }.
export function startLanguageServer(host) {
  const worker = new Worker(new URL('./lsp_worker.mjs', import.meta.url), { type: 'module' });
  worker.addEventListener('message', ({ data }) => {
    if (data.failed) host.failed?.(data.failed);
  });
  let workspace = null;
  const client = new LSPClient({
    rootUri: 'file:///',
    timeout: 10000,
    workspace: (owner) => (workspace = new ProjectWorkspace(owner, host)),
    // Every publication is heard here first; the view's own comes after,
    // with the code and the notes in each message, as a terminal shows them.
    notificationHandlers: {
      'textDocument/publishDiagnostics': (_client, params) => {
        const path = pathOf(params.uri);
        if (path !== null) host.published(path, params.diagnostics.map((d) => ({ ...d })), params.version);
        for (const d of params.diagnostics) {
          const notes = (d.relatedInformation ?? []).map((related) => `\nnote: ${related.message}`).join('');
          d.message = `${d.code ? `${d.code}: ` : ''}${d.message}${notes}`;
        }
        return false;
      },
    },
    extensions: languageServerExtensions(),
  }).connect(workerTransport(worker));

  let filesTimer = 0;
  const postFiles = () => {
    clearTimeout(filesTimer);
    filesTimer = 0;
    worker.postMessage({ files: { ...host.files() } });
  };
  postFiles();
  return {
    client,
    // The editor's extension for the file at `path` (F2 renames, F12 goes
    // to the definition, Shift-F12 lists references, Mod-Shift-o shows the
    // outline). Each edit reaches the server at once, as a ranged change:
    // the server waits for a pause itself.
    extensionFor: (path) => [
      client.plugin(uriOf(path), 'vorn'),
      outline,
      EditorView.updateListener.of((update) => { if (update.docChanged) setTimeout(() => client.sync(), 0); }),
    ],
    // The project changed: the server hears it now, the file system soon.
    filesChanged() {
      workspace?.refresh();
      if (!filesTimer) filesTimer = setTimeout(postFiles, 300);
    },
    // The version the server last heard of a file, to tell a stale publication.
    versionOf: (path) => workspace?.getFile(uriOf(path))?.version ?? null,
  };
}
