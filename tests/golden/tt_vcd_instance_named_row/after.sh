set -e
cmp top.vcd expected.vcd
vcd2fst top.vcd top.fst > reader.log 2>&1
if grep -qi 'warn\|error' reader.log; then cat reader.log; exit 1; fi
