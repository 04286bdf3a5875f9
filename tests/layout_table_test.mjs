#!/usr/bin/env node
// The README's layout table names, for each library folder of lib/, the
// libraries it may use; lib/CMakeLists.txt is where they are really linked.
// Each library (its folders from its sources) must have one row, and the
// row's "May use" must be exactly its direct CMake dependencies.
//   node layout_table_test.mjs <source dir>
import { readFileSync } from 'node:fs';
import { join } from 'node:path';

const root = process.argv[2];
const lists = readFileSync(join(root, 'lib/CMakeLists.txt'), 'utf8').replace(/#.*$/gm, '');
const engineList = readFileSync(join(root, 'cmake/EngineSources.cmake'), 'utf8').replace(/#.*$/gm, '');
const variables = {
  VORN_ENGINE_SOURCES: /set\(VORN_ENGINE_SOURCES([^)]*)\)/.exec(engineList)[1].trim().split(/\s+/),
};

// library name -> { folders, deps }
const libraries = new Map();
const folderOf = (source) => source.split('/')[0];
const sectionTokens = (body, name) => {
  const match = new RegExp(`\\b${name}\\b([\\s\\S]*?)(?=\\b(?:SOURCES|TESTS|DEPS)\\b|$)`).exec(body);
  return match ? match[1].trim().split(/\s+/).filter(Boolean) : [];
};
const libraryDeps = (tokens) => tokens.filter((t) => t.startsWith('vorn_')).map((t) => t.slice('vorn_'.length));
for (const match of lists.matchAll(/vorn_library\((\w+)\s([^()]*(?:\$\{\w+\}[^()]*)*)\)/g)) {
  const [, name, body] = match;
  const sources = sectionTokens(body, 'SOURCES').flatMap((t) => {
    const variable = /^\$\{(\w+)\}$/.exec(t);
    return variable ? variables[variable[1]] ?? [] : [t];
  });
  const folders = new Set(sources.filter((s) => s.includes('/')).map(folderOf));
  libraries.set(name, { folders, deps: libraryDeps(sectionTokens(body, 'DEPS')) });
}
// The tests' support library is declared on its own.
const support = /add_library\(vorn_test_support STATIC([^)]*)\)/.exec(lists);
const supportLinks = /target_link_libraries\(vorn_test_support PUBLIC([^)]*)\)/.exec(lists);
libraries.set('test_support', {
  folders: new Set(support[1].trim().split(/\s+/).map(folderOf)),
  deps: libraryDeps(supportLinks[1].trim().split(/\s+/)),
});

const failures = [];
if (libraries.size < 10) failures.push(`only ${libraries.size} libraries read from lib/CMakeLists.txt`);
const foldersOfLibrary = (name) => {
  const library = libraries.get(name);
  if (!library) failures.push(`unknown dependency vorn_${name}`);
  return library ? [...library.folders] : [];
};

// README rows whose first cell names lib/ folders.
const readme = readFileSync(join(root, 'README.md'), 'utf8');
const layout = readme.slice(readme.indexOf('\n## Layout'));
const rows = [];
for (const line of layout.split('\n')) {
  if (!line.startsWith('| `lib/')) continue;
  const cells = line.split('|').slice(1, -1);
  const ticked = (cell) => [...cell.matchAll(/`([^`]+)`/g)].map((m) => m[1]);
  rows.push({
    line,
    folders: new Set(ticked(cells[0]).map((f) => f.replace(/^lib\//, ''))),
    mayUse: new Set(ticked(cells[2])),
  });
}

const same = (a, b) => a.size === b.size && [...a].every((x) => b.has(x));
const show = (set) => [...set].sort().join(', ') || '(nothing)';
const covered = new Set();
for (const [name, library] of libraries) {
  const row = rows.find((r) => [...library.folders].some((f) => r.folders.has(f)));
  if (!row) {
    failures.push(`vorn_${name} (lib/${[...library.folders].join(', lib/')}) has no row in the README's layout table`);
    continue;
  }
  covered.add(row);
  if (!same(row.folders, library.folders)) {
    failures.push(`vorn_${name} is built from lib/ folders ${show(library.folders)}, its row names ${show(row.folders)}`);
  }
  const allowed = new Set(library.deps.flatMap(foldersOfLibrary));
  if (!same(row.mayUse, allowed)) {
    failures.push(`vorn_${name} links ${show(allowed)} in CMake; the README says it may use ${show(row.mayUse)}`);
  }
}
for (const row of rows) if (!covered.has(row)) failures.push(`no library is built from the row: ${row.line}`);

if (failures.length) {
  for (const failure of failures) console.error(failure);
  process.exit(1);
}
console.log(`${libraries.size} libraries agree with the README's layout table`);
