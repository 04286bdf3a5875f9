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
need npm npm
# Browser tests of web/ run in the system's Chromium.
[[ -x /usr/bin/chromium ]] || missing+=(chromium)
[[ -f /usr/include/gtest/gtest.h ]] || missing+=(libgtest-dev)
[[ -f /usr/include/benchmark/benchmark.h ]] || missing+=(libbenchmark-dev)

if ((${#missing[@]})); then
  echo "installing: ${missing[*]}" >&2
  sudo_cmd=()
  [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi

# playwright-core for the browser tests, exactly as locked; it never downloads
# a browser of its own.
web_tests="$(dirname "$0")/../tests/web"
locked_matches_installed='
  const locked = require("./package-lock.json").packages["node_modules/playwright-core"].version;
  const installed = require("./node_modules/playwright-core/package.json").version;
  process.exit(locked === installed ? 0 : 1);'
if ! (cd "$web_tests" && node -e "$locked_matches_installed" 2>/dev/null); then
  echo "installing the browser tests' npm packages (npm ci in tests/web)" >&2
  (cd "$web_tests" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error)
fi
