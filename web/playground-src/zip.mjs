// A project as a .zip and back, folders kept (fflate does the format). No
// DOM here, so Node can run it.
import { strFromU8, strToU8, unzipSync, zipSync } from 'fflate';
import { normalizePath, reachableFiles } from './project.mjs';

// The files a project keeps: sources and test tables.
export const isProjectFile = (path) => /\.(vorn|md|csv)$/i.test(path);

export function projectZip(files) {
  const entries = {};
  for (const path of Object.keys(files).sort()) entries[path] = strToU8(files[path]);
  return zipSync(entries, { level: 6 });
}

// The project files under `paths` (relative, '/'-separated), with the one
// folder that holds them all (a zipped or picked folder) taken off.
export function projectFiles(entries) {
  const files = {};
  for (const [path, text] of entries) {
    const clean = normalizePath(path);
    if (!clean || !isProjectFile(clean) || clean.split('/').some((part) => part.startsWith('__MACOSX'))) continue;
    files[clean] = text;
  }
  const paths = Object.keys(files);
  const top = paths.length ? paths[0].split('/')[0] : '';
  const folder = paths.length && paths.every((path) => path.startsWith(`${top}/`)) ? top : null;
  if (!folder) return { files, folder: null };
  return { files: Object.fromEntries(paths.map((path) => [path.slice(folder.length + 1), files[path]])), folder };
}

export function filesFromZip(bytes) {
  const entries = unzipSync(bytes, { filter: (file) => !file.name.endsWith('/') && isProjectFile(file.name) });
  return projectFiles(Object.entries(entries).map(([path, data]) => [path, strFromU8(data)]));
}

// The root of files found together: the source that reaches the most of
// the others through its imports (the top of the hierarchy), the first by
// name among equals.
export function guessRoot(files) {
  let best = null;
  let reach = -1;
  for (const path of Object.keys(files).filter((p) => /\.vorn$/i.test(p)).sort()) {
    const count = reachableFiles(files, path).size;
    if (count > reach) [best, reach] = [path, count];
  }
  return best ?? Object.keys(files).sort()[0] ?? null;
}
