#!/usr/bin/env bash
# install_test.sh <build dir> <source dir>
# Installs into a temporary prefix and uses the result as a user would: the
# installed compiler, run from elsewhere, on the installed examples as they are.
set -u
build=$(realpath "$1")
source=$(realpath "$2")
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

"${CMAKE:-cmake}" --install "$build" --prefix "$prefix" >"$prefix.log" 2>&1 || { cat "$prefix.log"; rm -f "$prefix.log"; echo "FAIL: cmake --install"; exit 1; }
rm -f "$prefix.log"

compiler=$prefix/bin/vorn-compile
examples=$prefix/share/vorn-compile/examples
[[ -x $compiler ]] || fail "bin/vorn-compile is missing or not executable"
cmp -s "$source/man/vorn-compile.1" "$prefix/share/man/man1/vorn-compile.1" || fail "share/man/man1/vorn-compile.1 differs from man/vorn-compile.1"
for file in "$source"/examples/*; do
  cmp -s "$file" "$examples/$(basename "$file")" || fail "example $(basename "$file") not installed as it is"
done
if [[ -d $source/web ]]; then
  [[ -d $prefix/share/vorn-compile/web ]] || fail "web/ exists but share/vorn-compile/web was not installed"
  [[ -z $(find "$prefix/share/vorn-compile/web" -name node_modules) ]] || fail "node_modules installed with the web page"
  # Every example the page links is installed beside it, compiled.
  for linked in $(grep -o '?src=examples/[A-Za-z0-9_]*\.wasm' "$source/web/index.html" | sed 's/^?src=//'); do
    head -c 4 "$prefix/share/vorn-compile/web/$linked" 2>/dev/null | cmp -s - <(printf '\0asm') \
      || fail "share/vorn-compile/web/$linked, linked from the page, is not a compiled module"
  done
fi
# A build with the compiler for WASI installs it beside compiler.mjs.
wasi=0
[[ -d $source/web && -f $build/web/vorn-compile.wasm ]] && wasi=1
if ((wasi)); then
  for file in compiler.mjs compiler.d.ts vorn-compile.wasm vendor/browser_wasi_shim/index.js; do
    [[ -f $prefix/share/vorn-compile/web/$file ]] || fail "share/vorn-compile/web/$file is missing"
  done
  [[ ! -e $prefix/share/vorn-compile/web/playground-src ]] || fail "the playground's sources installed with the web page"
  # The playground is served as installed: the page, its bundle and its workers beside the compiler and server modules.
  if [[ -f $build/web/playground.js ]]; then
    for file in playground.html playground.js playground_worker.mjs lsp_worker.mjs vorn-lsp.wasm; do
      [[ -f $prefix/share/vorn-compile/web/$file ]] || fail "share/vorn-compile/web/$file is missing"
    done
  fi
fi
((failed == 0)) || exit 1

# A full adder from the installed examples (it imports the installed half
# adder), run from an unrelated directory: every row against a + b + cin.
cd /
table=$("$compiler" "$examples/full_adder.vorn" --truth-table --format=csv 2>/dev/null) || fail "truth table: status $?"
expected="a,b,cin,sum,cout"
for ((row = 0; row < 8; row++)); do
  a=$((row & 1)) b=$((row >> 1 & 1)) cin=$((row >> 2 & 1))
  total=$((a + b + cin))
  expected+=$'\n'"$a,$b,$cin,$((total & 1)),$((total >> 1))"
done
[[ $table == "$expected" ]] || fail "full adder truth table:"$'\n'"$table"

# The installed compiler.mjs with the module beside it: the same table.
if command -v node >/dev/null && ((wasi)); then
  table=$(cd "$examples" && node --input-type=module -e "
    import { readFileSync } from 'node:fs';
    import { compile } from '$prefix/share/vorn-compile/web/compiler.mjs';
    const files = { 'full_adder.vorn': readFileSync('full_adder.vorn'), 'half_adder.vorn': readFileSync('half_adder.vorn') };
    const result = await compile(files, ['full_adder.vorn', '--truth-table', '--format=csv']);
    process.stdout.write(result.stdout);
    process.exitCode = result.status;") || fail "installed compiler.mjs: status $?"
  [[ $table == "$expected" ]] || fail "installed compiler.mjs, full adder truth table:"$'\n'"$table"
fi

# The installed artifact runner on an artifact of the same example: the same rows.
if command -v node >/dev/null; then
  "$compiler" "$examples/full_adder.vorn" -o "$prefix/full_adder.wasm" || fail "compile: status $?"
  run=$(node "$examples/run-artifact.mjs" "$prefix/full_adder.wasm" 2>&1) || fail "run-artifact.mjs: status $?"
  expected=$(tail -n +2 <<<"$expected" | sed -E 's/^(.),(.),(.),(.),(.)$/a=\1 b=\2 cin=\3 -> sum=\4 cout=\5/')
  [[ $run == "$expected" ]] || fail "installed run-artifact.mjs on the full adder:"$'\n'"$run"
fi

((failed == 0)) && echo "install: ok"
exit $failed
