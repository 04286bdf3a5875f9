#!/usr/bin/env bash
# The truth table of a 16-input adder of macros (bench/inputs/adder8.vorn:
# 65,536 rows, the engine's trace to /dev/null) against Icarus Verilog
# simulating the netlist the compiler emits for the same circuit, with the
# same delays, the same input order and every value change dumped to
# /dev/null. Both tables are checked to agree, then each command is timed
# whole with /usr/bin/time (user + system seconds, peak resident memory).
#   bench/truth_table_vs_icarus.sh path/to/vorn-compile [runs]
set -euo pipefail
compiler=$(realpath "${1:?usage: truth_table_vs_icarus.sh <vorn-compile> [runs]}")
runs=${2:-5}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$here"/inputs/adder8.vorn "$here"/inputs/half_adder.vorn "$here"/inputs/full_adder.vorn "$work"/
cd "$work"
"$compiler" adder8.vorn --emit-verilog -o adder8_netlist.v
iverilog -DVORN_DELAYS -o adder16.vvp adder8_netlist.v "$here"/inputs/adder16_bench.v

# Same rows: the CSV table, inputs and outputs each printed most significant first.
"$compiler" adder8.vorn --truth-table --format=csv 2>/dev/null | tail -n +2 |
  awk -F, '{i = ""; for (k = 16; k >= 1; k--) i = i $k; o = ""; for (k = 25; k >= 17; k--) o = o $k; print i, o}' \
  > ours.txt
vvp -n adder16.vvp | grep -E '^[01]{16} ' > icarus.txt
cmp -s ours.txt icarus.txt || { echo "the two tables differ" >&2; exit 1; }

: > times.txt
for _ in $(seq "$runs"); do
  /usr/bin/time -a -o times.txt -f "compiler %U %S %M" sh -c 'exec "$0" adder8.vorn --truth-table >/dev/null 2>/dev/null' "$compiler"
  /usr/bin/time -a -o times.txt -f "icarus %U %S %M" sh -c 'exec vvp -n adder16.vvp +trace=/dev/null >/dev/null 2>&1'
done
awk '{cpu = $2 + $3; n[$1]++; v[$1, n[$1]] = cpu; m[$1] = $4}
  END {
    for (who in n) {
      # median CPU seconds of the runs
      k = n[who]; for (i = 1; i <= k; i++) s[i] = v[who, i]
      for (i = 1; i <= k; i++) for (j = i + 1; j <= k; j++) if (s[j] < s[i]) { t = s[i]; s[i] = s[j]; s[j] = t }
      med[who] = s[int((k + 1) / 2)]
      printf "%-9s median cpu %.3f s, peak %d KiB\n", who, med[who], m[who]
    }
    printf "ratio compiler/icarus %.3f\n", med["compiler"] / med["icarus"]
  }' times.txt
