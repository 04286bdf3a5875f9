// The playground's saved projects, each under a key of its own in a
// Storage (localStorage), so that two tabs writing different projects never
// overwrite each other's list. No DOM here, so Node can run it.
import { checkProject } from './project.mjs';

const PREFIX = 'vorn-playground:project:';
// The one project that older pages kept.
const LEGACY_KEY = 'vorn-playground';

const newId = () => `${Date.now().toString(36)}-${Math.random().toString(36).slice(2, 10)}`;

// "adder4.vorn" and "parts/half.vorn" name their projects "adder4" and "half".
export const nameFromRoot = (root) => String(root).split('/').pop().replace(/\.vorn$/, '') || 'project';

export class ProjectStore {
  #storage;

  constructor(storage) {
    this.#storage = storage;
  }

  // Every saved project, the most recently saved first: { id, name, updated }.
  list() {
    const found = [];
    for (let i = 0; i < this.#storage.length; i++) {
      const key = this.#storage.key(i);
      if (!key?.startsWith(PREFIX)) continue;
      const project = this.load(key.slice(PREFIX.length));
      if (project) found.push({ id: project.id, name: project.name, updated: project.updated });
    }
    return found.sort((a, b) => b.updated - a.updated || a.name.localeCompare(b.name));
  }

  // The saved project, checked as a link's would be, or null.
  load(id) {
    if (typeof id !== 'string') return null;
    let saved;
    try {
      saved = JSON.parse(this.#storage.getItem(PREFIX + id) ?? 'null');
    } catch {
      return null;
    }
    const project = checkProject(saved);
    if (!project) return null;
    const name = typeof saved.name === 'string' && saved.name.trim() ? saved.name : nameFromRoot(project.root);
    const updated = Number.isFinite(saved.updated) ? saved.updated : 0;
    return { ...project, id, name, updated, expandMacros: Boolean(saved.expandMacros) };
  }

  // Writes the project; a full storage throws (the page says so).
  save(project) {
    const { id, name, files, root, active } = project;
    const record = { name, files, root, active, expandMacros: Boolean(project.expandMacros), updated: Date.now() };
    this.#storage.setItem(PREFIX + id, JSON.stringify(record));
    return record.updated;
  }

  // A new saved project, under a name no other one has.
  create({ name, files, root, active, expandMacros = false }) {
    const project = {
      id: newId(), name: this.uniqueName(name ?? nameFromRoot(root)), files: { ...files }, root, active: active ?? root,
      expandMacros,
    };
    project.updated = this.save(project);
    return project;
  }

  remove(id) {
    this.#storage.removeItem(PREFIX + id);
  }

  // `base`, or "base (2)", "base (3)", … when taken.
  uniqueName(base, except = null) {
    const taken = new Set(this.list().filter((p) => p.id !== except).map((p) => p.name));
    const stem = String(base).trim() || 'project';
    if (!taken.has(stem)) return stem;
    let n = 2;
    while (taken.has(`${stem} (${n})`)) n++;
    return `${stem} (${n})`;
  }

  // A link's project: always a new one, named after its root, so that no
  // saved project is ever replaced.
  fromLink(linked) {
    return this.create({ ...linked, name: nameFromRoot(linked.root) });
  }

  // The project the older page kept under one key becomes a named project.
  migrateLegacy() {
    let saved;
    try {
      saved = JSON.parse(this.#storage.getItem(LEGACY_KEY) ?? 'null');
    } catch {
      saved = null;
    }
    const project = checkProject(saved);
    if (project) this.create({ ...project, expandMacros: Boolean(saved.expandMacros) });
    if (saved !== null) this.#storage.removeItem(LEGACY_KEY);
  }
}
