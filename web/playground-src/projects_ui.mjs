// The playground's projects: the list in the header (open, new, rename,
// duplicate, delete), links and .zip files or folders opened as new
// projects, and the notice when another tab has the project open.
import { nameFromRoot } from './project_store.mjs';
import { claimProject } from './tab_lock.mjs';
import { filesFromZip, guessRoot, projectFiles, projectZip } from './zip.mjs';

// The project this tab shows, kept across its reloads.
const OPEN_KEY = 'vorn-playground:open';
// The link this tab shared last and its project: reloading the page with
// that link in the address bar opens the project, not a copy of it.
const LINK_KEY = 'vorn-playground:link';
const NEW_FILE = 'main.vorn';
const NEW_TEXT = 'input a\nnot n(in=a)\noutput y(in=n.out)\n';

const $ = (id) => document.getElementById(id);
// The controls that change the shown project, off while another tab has it.
const EDITING = ['add-file', 'rename-file', 'delete-file', 'root', 'project-rename', 'project-delete', 'add-test-table'];

// `store`: the ProjectStore; `current()`: the project shown; `show(p)`:
// shows p in the page; `flush()`: saves the shown project now.
export function setupProjects({ store, current, show, flush }) {
  let release = () => {};
  let owned = false;

  const busyNotice = $('project-busy');
  const setOwned = (value) => {
    owned = value;
    busyNotice.hidden = value;
    document.documentElement.toggleAttribute('data-read-only', !value);
    for (const id of EDITING) $(id).disabled = !value;
  };

  function renderList() {
    const list = $('project-list');
    const shown = current();
    list.replaceChildren(...store.list().map(({ id, name }) => new Option(name, id, false, id === shown?.id)));
  }

  // `saveShown`: false when the shown project was just deleted.
  function open(project, saveShown = true) {
    if (saveShown && current()) flush();
    release();
    setOwned(false);
    busyNotice.hidden = true;
    try {
      sessionStorage.setItem(OPEN_KEY, JSON.stringify(project.id));
    } catch {
      // Without session storage a reload opens the latest project.
    }
    show(project);
    renderList();
    release = claimProject(project.id, {
      onOwned(late) {
        setOwned(true);
        // The other tab has gone: its last saved text is the project now.
        const saved = late ? store.load(project.id) : null;
        if (saved) show(saved);
      },
      onBusy() { busyNotice.hidden = false; },
    });
  }

  const session = (key) => {
    try {
      return JSON.parse(sessionStorage.getItem(key) ?? 'null');
    } catch {
      return null;
    }
  };

  // The project a new page shows: its link's (this tab's own shared link
  // opens its project again), this tab's last, the latest saved, or a new
  // one from `example`.
  function initial(linked, hash, example) {
    if (linked) {
      const own = session(LINK_KEY);
      return (own?.hash === hash && store.load(own.id)) || store.fromLink(linked);
    }
    return store.load(session(OPEN_KEY)) ?? store.load(store.list()[0]?.id) ?? store.create(example);
  }

  function rememberLink(hash) {
    try {
      sessionStorage.setItem(LINK_KEY, JSON.stringify({ hash, id: current().id }));
    } catch {
      // Then a reload with the link opens a copy: nothing is lost.
    }
  }

  function duplicate(project, suffix = 'copy') {
    open(store.create({ ...project, name: `${project.name} (${suffix})` }));
  }

  // Another tab made or deleted a project.
  addEventListener('storage', (event) => {
    if (event.key?.startsWith('vorn-playground:project:') && (event.oldValue === null || event.newValue === null)) renderList();
  });
  $('project-list').addEventListener('change', (event) => {
    const project = store.load(event.target.value);
    if (project) open(project);
    else renderList();
  });
  $('project-new').addEventListener('click', () => {
    const name = prompt('Name of the new project:', store.uniqueName('untitled'));
    if (name === null) return;
    open(store.create({ name: store.uniqueName(name), files: { [NEW_FILE]: NEW_TEXT }, root: NEW_FILE }));
  });
  $('project-rename').addEventListener('click', () => {
    const project = current();
    const name = prompt(`New name for the project "${project.name}":`, project.name);
    if (name === null || !name.trim() || name === project.name) return;
    project.name = store.uniqueName(name, project.id);
    flush();
    renderList();
  });
  $('project-duplicate').addEventListener('click', () => duplicate(current()));
  $('project-delete').addEventListener('click', () => {
    const project = current();
    if (!confirm(`Delete the project "${project.name}" and all its files from this browser?`)) return;
    release();
    release = () => {};
    store.remove(project.id);
    const next = store.load(store.list()[0]?.id)
      ?? store.create({ name: 'untitled', files: { [NEW_FILE]: NEW_TEXT }, root: NEW_FILE });
    open(next, false);
  });
  $('open-copy').addEventListener('click', () => {
    // The copy starts from what the other tab saved last.
    const project = store.load(current().id) ?? current();
    duplicate(project);
  });

  // Files from disk: a .zip, or a picked folder, is a project of its own.
  async function openFromDisk(files) {
    const zip = files.find((file) => /\.zip$/i.test(file.name));
    let found = null;
    let name = null;
    if (zip) {
      ({ files: found } = filesFromZip(new Uint8Array(await zip.arrayBuffer())));
      name = zip.name.replace(/\.zip$/i, '');
    } else if (files.length && files.every((file) => file.webkitRelativePath)) {
      const entries = await Promise.all(files.map(async (file) => [file.webkitRelativePath, await file.text()]));
      const picked = projectFiles(entries);
      found = picked.files;
      name = picked.folder;
    } else return false;
    const root = guessRoot(found);
    if (!root) {
      $('page-alert').textContent = `${zip ? zip.name : 'The folder'} holds no .vorn, .md or .csv file.`;
      return true;
    }
    open(store.create({ name: store.uniqueName(name || nameFromRoot(root)), files: found, root }));
    return true;
  }

  const zipOf = (project) => ({ name: `${project.name}.zip`, bytes: projectZip(project.files) });

  return {
    open, initial, rememberLink, openFromDisk, zipOf, renderList,
    owned: () => owned,
  };
}
