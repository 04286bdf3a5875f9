#!/usr/bin/env bash
# --equiv against Berkeley ABC's `cec` on the same pairs, in the same run:
# a 64-bit ripple-carry adder against a carry-lookahead one, a 32-bit ALU
# and an 8x8 array multiplier against rewritten ones, and each rewritten one
# with one gate changed (bench/equiv_circuits.mjs writes them). ABC reads
# each circuit as Yosys flattens the --emit-verilog export into BLIF (the
# conversion is not timed). Verdicts are checked to agree and every replay
# table to fail on the changed circuit and pass on the reference; then each
# command is timed whole (median user + system seconds of its runs).
# With a vorn-compile.wasm, the same runs go through Node's WASI too.
#   bench/equiv_vs_abc.sh path/to/vorn-compile [path/to/vorn-compile.wasm] [runs]
set -euo pipefail
compiler=$(realpath "${1:?usage: equiv_vs_abc.sh <vorn-compile> [vorn-compile.wasm] [runs]}")
wasm=${2:+$(realpath "$2")}
runs=${3:-5}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
node "$here/equiv_circuits.mjs" "$work"
cd "$work"

for file in *.vorn; do
  stem=${file%.vorn}
  "$compiler" "$file" --emit-verilog -o "$stem.v"
  yosys -q -p "read_verilog $stem.v; hierarchy -top $stem; flatten; proc; opt_clean; aigmap; opt_clean; \
    rename -top top; write_blif $stem.blif"
done

median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
cpu() {  # cpu RUNS COMMAND...: median user + system seconds, to the millisecond
  local n=$1
  shift
  for _ in $(seq "$n"); do
    { TIMEFORMAT='%3U %3S'; time "$@" >/dev/null 2>&1; } 2>.time || true
    tail -n 1 .time | awk '{printf "%.3f\n", $1 + $2}'
  done | median
}

printf '%-10s %-9s %10s %10s %10s %8s\n' pair verdict native_s abc_s wasi_s native/abc
for pair in rca64 alu32 mul8; do
  for side in alt bad; do
    circuit=${pair}_$side.vorn
    reference=${pair}_ref.vorn
    status=0
    "$compiler" "$circuit" --equiv "$reference" > verdict.txt 2>&1 || status=$?
    abc=$(berkeley-abc -c "cec ${pair}_$side.blif ${pair}_ref.blif" 2>&1)
    if [[ $side == alt ]]; then
      [[ $status == 0 ]] || { cat verdict.txt; echo "$circuit: expected equivalent" >&2; exit 1; }
      grep -q 'Networks are equivalent' <<< "$abc" || { echo "ABC disagrees on $circuit" >&2; exit 1; }
    else
      [[ $status == 1 ]] || { cat verdict.txt; echo "$circuit: expected different" >&2; exit 1; }
      grep -q 'Verification failed' <<< "$abc" || { echo "ABC disagrees on $circuit" >&2; exit 1; }
      sed -n '/^replay:$/,$p' verdict.txt | tail -n +2 > replay.md
      ! "$compiler" "$circuit" --test replay.md >/dev/null 2>&1 || { echo "replay passed on $circuit" >&2; exit 1; }
      "$compiler" "$reference" --test replay.md >/dev/null 2>&1 || { echo "replay failed on $reference" >&2; exit 1; }
    fi
    native=$(cpu "$runs" "$compiler" "$circuit" --equiv "$reference")
    theirs=$(cpu "$runs" berkeley-abc -c "cec ${pair}_$side.blif ${pair}_ref.blif")
    wasi=-
    if [[ -n $wasm ]]; then
      wasi=$(VORN_COMPILE_WASM=$wasm cpu "$runs" node "$here/../tests/wasi/vorn-compile-node.mjs" "$circuit" \
        --equiv "$reference")
    fi
    verdict=$([[ $status == 0 ]] && echo equal || echo different)
    printf '%-10s %-9s %10s %10s %10s %8.2f\n' "$pair" "$verdict" "$native" "$theirs" "$wasi" \
      "$(awk -v a="$native" -v b="$theirs" 'BEGIN {print (b > 0 ? a / b : 0)}')"
  done
done
if [[ -n $wasm ]]; then
  echo "WASI verdicts:"
  for pair in rca64 alu32 mul8; do
    VORN_COMPILE_WASM=$wasm node "$here/../tests/wasi/vorn-compile-node.mjs" ${pair}_alt.vorn --equiv ${pair}_ref.vorn \
      2>&1 | head -n 1 | cut -c1-120 || true
  done
fi
