// The playground's saved projects, .zip files, truth table filter and the
// timing diagram's history, lanes and axis labels, under Node: each against
// a plain model of what it must keep, on random cases.
import test from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { ProjectStore } from '../../web/playground-src/project_store.mjs';
import { filesFromZip, guessRoot, projectZip } from '../../web/playground-src/zip.mjs';
import { filterRows } from '../../web/truth_table_view.mjs';
import { TimingHistory, TimingTree, thinLabels, timingRows } from '../../web/timing_view.mjs';

const repo = resolve(dirname(fileURLToPath(import.meta.url)), '../..');

// localStorage's interface over a Map.
class MemoryStorage {
  #items = new Map();
  get length() { return this.#items.size; }
  key(i) { return [...this.#items.keys()][i] ?? null; }
  getItem(key) { return this.#items.has(key) ? this.#items.get(key) : null; }
  setItem(key, value) { this.#items.set(key, String(value)); }
  removeItem(key) { this.#items.delete(key); }
}

// A small deterministic generator (mulberry32).
function random(seed) {
  let a = seed >>> 0;
  return () => {
    a = (a + 0x6d2b79f5) >>> 0;
    let t = a;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
}

test('saved projects: a link never replaces one, names stay unique, the old single project is kept', () => {
  const storage = new MemoryStorage();
  // What the page before kept under one key.
  storage.setItem('vorn-playground', JSON.stringify({ files: { 'a.vorn': '// homework\n' }, root: 'a.vorn', active: 'a.vorn', expandMacros: true }));
  const store = new ProjectStore(storage);
  store.migrateLegacy();
  assert.equal(storage.getItem('vorn-playground'), null);
  const [homework] = store.list();
  assert.deepEqual({ ...store.load(homework.id), updated: 0 },
    { id: homework.id, name: 'a', files: { 'a.vorn': '// homework\n' }, root: 'a.vorn', active: 'a.vorn', expandMacros: true, updated: 0 });

  // A link with other text under the same root is a new project, named apart.
  const linked = { files: { 'a.vorn': '// the teacher\'s\n' }, root: 'a.vorn', active: 'a.vorn' };
  const opened = store.fromLink(linked);
  assert.notEqual(opened.id, homework.id);
  assert.equal(opened.name, 'a (2)');
  assert.equal(store.load(homework.id).files['a.vorn'], '// homework\n');
  // Even a link holding exactly a saved project's files is a new one.
  const again = store.fromLink({ ...store.load(homework.id) });
  assert.deepEqual([again.name, store.list().length], ['a (3)', 3]);
  store.remove(again.id);

  // Renaming to a taken name; a broken entry is skipped; delete.
  assert.equal(store.uniqueName('a'), 'a (3)');
  assert.equal(store.uniqueName('a', opened.id), 'a (2)', 'a project keeps a name only it has');
  storage.setItem('vorn-playground:project:broken', '{not json');
  storage.setItem('vorn-playground:project:empty', JSON.stringify({ files: {} }));
  assert.deepEqual(store.list().map((p) => p.id).sort(), [homework.id, opened.id].sort());
  store.remove(opened.id);
  assert.deepEqual(store.list().map((p) => p.name), ['a']);
});

test('a project through .zip and back: folders, text and the root kept; python reads the archive', () => {
  const work = mkdtempSync(join(tmpdir(), 'vorn-zip-'));
  try {
    const fullAdder = readFileSync(join(repo, 'examples/full_adder.vorn'), 'utf8');
    const halfAdder = readFileSync(join(repo, 'examples/half_adder.vorn'), 'utf8');
    const adder4 = readFileSync(join(repo, 'web/playground-src/adder4.vorn'), 'utf8');
    const files = {
      'adder4.vorn': adder4, 'parts/full_adder.vorn': fullAdder, 'parts/half_adder.vorn': halfAdder,
      'tests/adder4.test.md': '| a0 | s0 |\n| 1 | 1 |\n', 'tests/é ü.csv': 'a,b\n0,1\n',
    };
    const bytes = projectZip(files);
    assert.deepEqual(filesFromZip(bytes), { files, folder: null });
    assert.equal(guessRoot(files), 'adder4.vorn');

    // An independent reader lists the same paths and bytes.
    const path = join(work, 'p.zip');
    writeFileSync(path, bytes);
    const listed = spawnSync('python3', ['-c', `import zipfile,json,sys
z=zipfile.ZipFile(sys.argv[1]); print(json.dumps({n: z.read(n).decode() for n in z.namelist()}))`, path], { encoding: 'utf8' });
    assert.equal(listed.status, 0, listed.stderr);
    assert.deepEqual(JSON.parse(listed.stdout), files);

    // A zipped folder (as an archiver makes it): the folder is taken off,
    // anything but sources and tables is left out.
    const made = spawnSync('python3', ['-c', `import zipfile,sys
z=zipfile.ZipFile(sys.argv[1],'w')
z.writestr('hw/top.vorn','import inv "lib/inv.vorn"\\n')
z.writestr('hw/lib/inv.vorn','input x\\n')
z.writestr('hw/lib/','')
z.writestr('hw/notes.pdf','%PDF')
z.writestr('__MACOSX/hw/._top.vorn','junk')
z.close()`, path], { encoding: 'utf8' });
    assert.equal(made.status, 0, made.stderr);
    const back = filesFromZip(readFileSync(path));
    assert.deepEqual(back, { files: { 'top.vorn': 'import inv "lib/inv.vorn"\n', 'lib/inv.vorn': 'input x\n' }, folder: 'hw' });
    assert.equal(guessRoot(back.files), 'top.vorn');
  } finally {
    rmSync(work, { recursive: true, force: true });
  }
});

test('the truth table filter keeps exactly the rows a plain reading of each word keeps', () => {
  const next = random(7);
  for (let round = 0; round < 30; round++) {
    const inputs = ['a', 'b', 'cin', 'd'].slice(0, 1 + Math.floor(next() * 4));
    const outputs = ['sum', 'cout'];
    const rows = [...Array(2 ** inputs.length).keys()].map((row) => ({
      in: inputs.map((_, i) => (row >> i) & 1),
      out: outputs.map(() => [0, 1, null][Math.floor(next() * 3)]),
    }));
    const table = { inputs, outputs, rows };
    const names = [...inputs, ...outputs];
    const word = () => {
      const kind = next();
      if (kind < 0.6) return `${names[Math.floor(next() * names.length)]}=${'01?'[Math.floor(next() * 3)]}`;
      if (kind < 0.8) return String(Math.floor(next() * rows.length));
      return ['sum=1', 'cout', 'in=0', 'zzz'][Math.floor(next() * 4)];
    };
    const words = [...Array(1 + Math.floor(next() * 3))].map(word);
    const expected = [];
    rows.forEach((row, index) => {
      const pairs = names.map((name, c) => [name, c < inputs.length ? row.in[c] : row.out[c - inputs.length]]);
      const text = pairs.map(([n, v]) => `${n}=${v ?? '?'}`).join(' ');
      const keep = words.every((w) => {
        const pair = pairs.find(([n]) => w === `${n}=0` || w === `${n}=1` || w === `${n}=?`);
        if (pair) return w === `${pair[0]}=${pair[1] ?? '?'}`;
        if (/^\d+$/.test(w)) return index === Number(w);
        return text.includes(w);
      });
      if (keep) expected.push(index);
    });
    assert.deepEqual(filterRows(table, words.join('  ')), expected, words.join(' '));
  }
  assert.equal(filterRows({ inputs: ['a'], outputs: ['y'], rows: [] }, '   '), null);
});

test('the timing history: each lane holds the changes of the last 20 input changes, from the value before them', () => {
  const next = random(11);
  const names = ['a', 'b', 'y', 'f1.x', 'f1.s1.nb', 'f2.s1.nb', 'g'];
  const history = new TimingHistory(20);
  let time = 0;
  const initial = names.map((name) => ({ name, time: 0, value: 0 }));
  history.settle(initial);
  const entries = [];
  for (let toggle = 0; toggle < 45; toggle++) {
    const changes = [];
    const count = Math.floor(next() * 6);
    for (let i = 0; i < count; i++) {
      time += Math.floor(next() * 3);
      changes.push({ name: names[Math.floor(next() * names.length)], time, value: [0, 1, null][Math.floor(next() * 3)] });
    }
    // Taken in slices, as the element takes a huge change, or at once.
    if (toggle % 2) history.record(`t${toggle}`, changes);
    else {
      const entry = history.begin(`t${toggle}`, changes);
      for (let from = 0; from < changes.length; from += 2) history.add(entry, from, Math.min(changes.length, from + 2));
      history.finish(entry);
    }
    entries.push(changes);
    const kept = entries.slice(-20);
    const dropped = [initial, ...entries.slice(0, -20)].flat();
    assert.deepEqual(history.entries.map((entry) => entry.label), kept.map((_, i) => `t${toggle - kept.length + 1 + i}`));
    for (const name of names) {
      const lane = history.lane(name);
      // The oracle: the value after every dropped change, then the kept ones.
      assert.equal(lane.before, dropped.filter((c) => c.name === name).at(-1).value, `${name} before change ${toggle}`);
      assert.deepEqual(lane.changes, kept.flat().filter((c) => c.name === name).map(({ time: t, value }) => ({ time: t, value })));
    }
    const first = history.entries[0];
    assert.ok(kept[0].every((c) => c.time >= first.start && c.time <= first.end));
  }
});

test('axis labels never overlap and the last one is kept; the lane tree opens one instance at a time', () => {
  const next = random(3);
  for (let round = 0; round < 200; round++) {
    const labels = [...Array(1 + Math.floor(next() * 40))]
      .map(() => ({ x: Math.floor(next() * 600), text: String(Math.floor(next() * 10 ** (1 + Math.floor(next() * 5)))) }))
      .sort((a, b) => a.x - b.x);
    const keepLast = next() < 0.5;
    const kept = thinLabels(labels, keepLast);
    for (let i = 1; i < kept.length; i++) {
      const left = kept[i - 1].x + (kept[i - 1].text.length * 6.1) / 2;
      const right = kept[i].x - (kept[i].text.length * 6.1) / 2;
      assert.ok(right - left >= 6, JSON.stringify([kept[i - 1], kept[i]]));
    }
    assert.equal(kept[0], keepLast && labels.length > 1 && !kept.includes(labels[0]) ? kept[0] : labels[0]);
    if (keepLast) assert.equal(kept.at(-1), labels.at(-1));
  }

  const tree = new TimingTree();
  for (const name of ['a', 'b', 'y', 'g', 'f1.x', 'f1.s1.nb', 'f1.s1.o.q', 'f2.s1.nb', 'f1.s2.nb']) tree.add(name);
  const rows = (open, limit) => {
    const { rows: drawn, total } = timingRows(tree, ['a', 'b', 'y'], new Set(open), limit);
    return [total, drawn.map((row) => `${' '.repeat(row.depth)}${row.kind === 'group' ? `${row.open ? '-' : '+'}${row.path}` : row.name}`)];
  };
  assert.deepEqual(rows([]), [6, ['a', 'b', 'y', '+f1', '+f2', '+']]);
  const all = ['a', 'b', 'y', '-f1', ' f1.x', ' -f1.s1', '  f1.s1.nb', '  +f1.s1.o', ' +f1.s2', '+f2', '-', ' g'];
  assert.deepEqual(rows(['f1', 'f1.s1', '']), [12, all]);
  // Capped: the first rows, and the count of all of them.
  for (let limit = 0; limit <= 13; limit++) assert.deepEqual(rows(['f1', 'f1.s1', ''], limit), [12, all.slice(0, limit)]);
});
