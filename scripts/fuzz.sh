#!/usr/bin/env bash
# Builds the libFuzzer targets (build/fuzz, clang-19) and runs each for the
# given number of seconds, starting from its committed corpus.
#
#   scripts/fuzz.sh [seconds] [target...]      default: 30 seconds, every target
#
# New inputs go to build/fuzz/corpus/<target>, findings to
# build/fuzz/findings/<target>/ and logs to build/fuzz/logs/. Exits 1 when a
# target reports a crash, hang, leak or undefined behaviour. Extra libFuzzer
# flags can be passed in FUZZ_FLAGS (for example "-jobs=2").
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
shift || true
targets=("$@")
if ((${#targets[@]} == 0)); then
  targets=()
  for dict in fuzz/*.dict; do targets+=("$(basename "$dict" .dict)"); done
fi

cxx=${VORN_FUZZ_CXX:-clang++-19}
cmake -S . -B build/fuzz -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVORN_FUZZ=ON -DVORN_TESTS=OFF >/dev/null
build_targets=()
for target in "${targets[@]}"; do build_targets+=(--target "${target}_fuzzer"); done
cmake --build build/fuzz -j"$(nproc)" "${build_targets[@]}"

status=0
for target in "${targets[@]}"; do
  corpus=build/fuzz/corpus/$target
  findings=build/fuzz/findings/$target
  log=build/fuzz/logs/$target.log
  mkdir -p "$corpus" "$findings" build/fuzz/logs
  echo "fuzzing $target for ${seconds}s (log: $log)"
  # shellcheck disable=SC2086  # FUZZ_FLAGS is a list of flags
  if build/fuzz/fuzz/"${target}_fuzzer" -dict="fuzz/$target.dict" -max_total_time="$seconds" \
      -timeout=60 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/" \
      ${FUZZ_FLAGS:-} "$corpus" "fuzz/corpus/$target" >"$log" 2>&1; then
    grep -E '^stat::number_of_executed_units|^stat::average_exec_per_sec|cov:' "$log" | tail -3
  else
    echo "$target: finding, see $log and $findings/" >&2
    tail -40 "$log" >&2
    status=1
  fi
done
exit "$status"
