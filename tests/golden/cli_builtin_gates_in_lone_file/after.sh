# The module holds the circuit: run every input vector through it (first
# input least significant), and the Zig source is written as well.
set -e
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)
node "$repo/examples/run-artifact.mjs" out/adder.wasm > table.txt
diff - table.txt <<'TABLE'
a=0 b=0 cin=0 -> sum=0 cout=0 same=1 ab_not_cin=0
a=1 b=0 cin=0 -> sum=1 cout=0 same=0 ab_not_cin=1
a=0 b=1 cin=0 -> sum=1 cout=0 same=0 ab_not_cin=1
a=1 b=1 cin=0 -> sum=0 cout=1 same=1 ab_not_cin=1
a=0 b=0 cin=1 -> sum=1 cout=0 same=1 ab_not_cin=0
a=1 b=0 cin=1 -> sum=0 cout=1 same=0 ab_not_cin=0
a=0 b=1 cin=1 -> sum=0 cout=1 same=0 ab_not_cin=0
a=1 b=1 cin=1 -> sum=1 cout=1 same=1 ab_not_cin=0
TABLE
"$VORN_COMPILE" adder.vorn --emit-zig -o out/adder.zig 2> zig_stderr.txt
[[ ! -s zig_stderr.txt ]]
grep -q 'buildFile_' out/adder.zig
