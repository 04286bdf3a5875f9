# The table itself: its trace runs to a million lines, so only the table and
# the status are compared.
set -u
[[ -s chain.wasm ]] || { echo "no module written"; exit 1; }
"$VORN_COMPILE" chain.vorn --truth-table --format=csv > table.csv 2> trace.txt
status=$?
[[ $status == 0 ]] || { echo "truth table exit status $status: $(tail -n 1 trace.txt)"; exit 1; }
printf 'a,y,z\n0,0,0\n1,0,1\n' | cmp - table.csv || { echo "wrong table:"; cat table.csv; exit 1; }
