# The second row repeats the first: only the row counter moves, at the time
# the row's input is applied. A real reader loads the dump without a word.
set -e
cmp rows.vcd expected.vcd
vcd2fst rows.vcd rows.fst > reader.log 2>&1
if grep -qi 'warn\|error' reader.log; then cat reader.log; exit 1; fi
