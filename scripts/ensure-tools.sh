#!/usr/bin/env bash
# Makes sure the tools the build needs are present, installing missing ones
# from Debian's packages when we are allowed to.
#
#   scripts/ensure-tools.sh            everything the whole test suite needs
#   scripts/ensure-tools.sh example    only what scripts/example.sh needs: the
#                                      compiler (with its WebAssembly runtime) and Node.js
set -euo pipefail
scope=${1:-all}
case $scope in
  all | example) ;;
  *) echo "usage: scripts/ensure-tools.sh [example]" >&2; exit 2 ;;
esac

missing=()
need() { command -v "$1" >/dev/null 2>&1 || missing+=("$2"); }
install_missing() {
  ((${#missing[@]})) || return 0
  echo "installing: ${missing[*]}" >&2
  local sudo_cmd=()
  [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
}

# The compiler, and clang with wasm-ld for the runtime module it embeds.
need cmake cmake
need g++ g++
need make make
need clang clang
need wasm-ld lld
need node nodejs
if [[ $scope == example ]]; then
  install_missing
  exit 0
fi

need git git
need npm npm
need groff groff-base
# The format.check test and scripts/format.sh.
need clang-format clang-format
# A real reader of the value change dumps that --vcd writes.
need vcd2fst gtkwave
# Browser tests of web/ run in the system's Chromium.
[[ -x /usr/bin/chromium ]] || missing+=(chromium)
[[ -f /usr/include/gtest/gtest.h ]] || missing+=(libgtest-dev)
[[ -f /usr/include/benchmark/benchmark.h ]] || missing+=(libbenchmark-dev)
# The fuzz targets: clang 19 (std::expected from this libstdc++) and its libFuzzer.
need clang++-19 clang-19
compgen -G "/usr/lib/llvm-19/lib/clang/*/lib/linux/libclang_rt.fuzzer-*.a" >/dev/null || missing+=(libclang-rt-19-dev)
# The compiler built for WASI (vorn-compile.wasm): clang 19 with the WASI libc,
# C++ library and builtins.
[[ -f /usr/lib/wasm32-wasi/libc.a ]] || missing+=(wasi-libc)
need wasm-ld-19 lld-19
[[ -f /usr/lib/wasm32-wasi/libc++.a ]] || missing+=(libc++-19-dev-wasm32)
[[ -f /usr/lib/wasm32-wasi/libc++abi.a ]] || missing+=(libc++abi-19-dev-wasm32)
compgen -G "/usr/lib/llvm-19/lib/clang/*/lib/wasi/libclang_rt.builtins-wasm32.a" >/dev/null || missing+=(libclang-rt-19-dev-wasm32)
# Verilog export is checked by simulating it (Icarus Verilog) and synthesizing it.
need iverilog iverilog
need vvp iverilog
need yosys yosys
# The SAT solver that --equiv proves with (linked statically), and Berkeley
# ABC, which bench/equiv_vs_abc.sh times against it.
[[ -f /usr/include/cadical.hpp ]] || missing+=(libcadical-dev)
need berkeley-abc berkeley-abc
# JSON for the language server (vorn-lsp); the compiler does not use it.
[[ -f /usr/include/nlohmann/json.hpp ]] || missing+=(nlohmann-json3-dev)

install_missing

# playwright-core, which drives the browser tests, needs Node.js 20 or later.
if ! node -e 'process.exit(Number(process.versions.node.split(".")[0]) >= 20 ? 0 : 1)'; then
  echo "Node.js 20 or later is needed for the browser tests; found $(node --version)" >&2
  exit 1
fi

# Node packages that tests load, pinned by each folder's lock file; installed
# again only when the lock file is newer than the last install.
root=$(cd "$(dirname "$0")/.." && pwd)
npm_ci() {
  local dir=$root/$1
  if [[ ! -f $dir/node_modules/.package-lock.json || $dir/package-lock.json -nt $dir/node_modules/.package-lock.json ]]; then
    echo "npm ci in $1" >&2
    (cd "$dir" && npm ci --no-audit --no-fund --loglevel=error)
  fi
}
npm_ci editors/vscode
# The WASI library that web/compiler.mjs uses in browsers; the build copies it
# into the served folder.
npm_ci web
# CodeMirror and esbuild, which the build uses to bundle the playground page.
npm_ci web/playground-src
# playwright-core for the browser tests, and axe-core, which they run on the pages;
# playwright-core drives /usr/bin/chromium and never
# downloads a browser of its own.
npm_ci tests/web
