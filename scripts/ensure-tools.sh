#!/usr/bin/env bash
# Makes sure the tools the build needs are present, installing missing ones
# from Debian's packages when we are allowed to.
set -euo pipefail

missing=()
need() { command -v "$1" >/dev/null 2>&1 || missing+=("$2"); }
need cmake cmake
need g++ g++
need make make
need clang clang
need wasm-ld lld
need node nodejs
[[ -f /usr/include/gtest/gtest.h ]] || missing+=(libgtest-dev)
[[ -f /usr/include/benchmark/benchmark.h ]] || missing+=(libbenchmark-dev)
# The fuzz targets: clang 19 (std::expected from this libstdc++) and its libFuzzer.
need clang++-19 clang-19
compgen -G "/usr/lib/llvm-19/lib/clang/*/lib/linux/libclang_rt.fuzzer-*.a" >/dev/null || missing+=(libclang-rt-19-dev)

if ((${#missing[@]})); then
  echo "installing: ${missing[*]}" >&2
  sudo_cmd=()
  [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi
