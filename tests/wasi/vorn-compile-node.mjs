#!/usr/bin/env node
// vorn-compile as a command, run through compile() of web/compiler.mjs: the
// regular files below the current directory are the project, and the files
// the run writes are written back. The golden cases' after.sh scripts call
// it in place of the native executable. VORN_COMPILE_WASM names the module.
import { mkdirSync, readdirSync, readFileSync, statSync, writeFileSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { compile, setCompilerModule } from '../../web/compiler.mjs';

if (process.env.VORN_COMPILE_WASM) setCompilerModule(process.env.VORN_COMPILE_WASM);

function readTree(directory, prefix, files) {
  for (const name of readdirSync(directory)) {
    const path = join(directory, name);
    const info = statSync(path, { throwIfNoEntry: false });
    if (info?.isDirectory()) readTree(path, `${prefix}${name}/`, files);
    else if (info?.isFile()) files[prefix + name] = readFileSync(path);
  }
  return files;
}

const result = await compile(readTree('.', '', {}), process.argv.slice(2));
for (const [path, bytes] of Object.entries(result.outputs)) {
  mkdirSync(dirname(path), { recursive: true });
  writeFileSync(path, bytes);
}
process.stdout.write(result.stdout);
process.stderr.write(result.stderr);
process.exitCode = result.status;
