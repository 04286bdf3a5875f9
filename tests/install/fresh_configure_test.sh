#!/usr/bin/env bash
# fresh_configure_test.sh <source dir>
# The README's install line on a machine that has only what the compiler
# needs: a copy of the tree without any npm folder, with nlohmann-json hidden
# and, in a second configure, without clang++-19. Each part whose tools are
# missing switches itself off with exactly one line, the configure succeeds
# and the compiler is still a target; VORN_REQUIRE_TOOLS turns the same into
# a failed configure.
set -u
source=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

mkdir "$work/src"
tar -C "$source" --exclude=./build --exclude=node_modules --exclude=.git -cf - . | tar -C "$work/src" -xf - || exit 1

# configure <name> <expected off-lines> <cmake args...>
configure() {
  local name=$1 expected=$2
  shift 2
  local log=$work/$name.log
  if ! "${CMAKE:-cmake}" -S "$work/src" -B "$work/$name" -DCMAKE_BUILD_TYPE=Release -DVORN_TESTS=OFF \
    -DCMAKE_DISABLE_FIND_PACKAGE_nlohmann_json=ON "$@" >"$log" 2>&1; then
    cat "$log"
    fail "$name: the configure failed"
    return
  fi
  grep -q 'CMake Warning' "$log" && { cat "$log"; fail "$name: a warning instead of one line"; }
  diff <(printf '%s' "$expected") <(grep -E '^-- [A-Za-z_]+ off: ' "$log") || fail "$name: the lines above differ"
  grep -qx '\.\.\. vorn-compile' <("${CMAKE:-cmake}" --build "$work/$name" --target help 2>/dev/null) ||
    fail "$name: no vorn-compile target"
}

lsp='-- VORN_LSP off: nlohmann-json is missing (apt-get install nlohmann-json3-dev), so vorn-lsp is not built
'
configure npm "$lsp-- VORN_WASI off: web/node_modules is missing (npm ci in web/, or scripts/ensure-tools.sh), so vorn-compile.wasm and the playground are not built
"
configure clang "$lsp-- VORN_WASI off: clang++-19 or wasm-ld is missing (apt-get install clang-19 lld-19), so vorn-compile.wasm and the playground are not built
" -DVORN_CLANGXX_19="$work/no/clang++-19"

if "${CMAKE:-cmake}" -S "$work/src" -B "$work/strict" -DVORN_TESTS=OFF -DCMAKE_DISABLE_FIND_PACKAGE_nlohmann_json=ON \
  -DVORN_REQUIRE_TOOLS=ON >"$work/strict.log" 2>&1; then
  fail "VORN_REQUIRE_TOOLS: the configure succeeded without nlohmann-json"
fi
grep -q 'VORN_LSP: nlohmann-json is missing' "$work/strict.log" || { cat "$work/strict.log"; fail "VORN_REQUIRE_TOOLS: no reason given"; }
exit $failed
