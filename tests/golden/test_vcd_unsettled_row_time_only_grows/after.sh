# The second row does not settle and leaves events pending; they are written
# before the third row's marker, so time in the dump only grows. A real
# reader loads it without a word.
set -e
awk '/^#/ { t = substr($0, 2) + 0; if (seen && t <= last) { print "time " t " after " last; bad = 1 } last = t; seen = 1 }
     END { exit bad }' osc.vcd
# Each row's marker (the first in $dumpvars), and y settles low in the last row.
[[ $(grep -c "^b[01]* !$" osc.vcd) == 3 ]] || { grep -n '^b' osc.vcd; exit 1; }
grep -A1000000 '^b10 !$' osc.vcd | grep -q '^0%$' || { echo "no low y after the third row begins"; exit 1; }
vcd2fst osc.vcd osc.fst > reader.log 2>&1
if grep -qi 'warn\|error' reader.log; then cat reader.log; exit 1; fi
