#!/usr/bin/env bash
# Builds and runs every test twice: against the static release build, and
# against a build with AddressSanitizer and UndefinedBehaviorSanitizer. Then
# runs every fuzz target for 30 seconds from its corpus (already sanitized).
# VORN_UPDATE_GOLDEN=1 scripts/test.sh only rewrites the golden expectations.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-tools.sh
jobs=$(nproc)

# ensure-tools.sh installed every tool: no part may switch itself off.
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DVORN_TESTS=ON -DVORN_REQUIRE_TOOLS=ON >/dev/null
cmake --build build/release -j"$jobs"
# VORN_UPDATE_GOLDEN=1 rewrites the golden cases' expectations from this
# build's output instead (see tests/run_golden.sh); review them with git diff.
if [[ ${VORN_UPDATE_GOLDEN:-} == 1 ]]; then
  ctest --test-dir build/release -V -j"$jobs" -R '^golden\.' | grep -E '^[0-9]+: (updated|not updated)' || true
  git status --short -- tests/golden
  exit 0
fi
ctest --test-dir build/release --output-on-failure -j"$jobs"

cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DVORN_SANITIZE=ON -DVORN_TESTS=ON >/dev/null
cmake --build build/sanitize -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/sanitize --output-on-failure -j"$jobs"

scripts/fuzz.sh 30
