# The artifact was written, and the table reads each half adder's own port.
[[ -s out.wasm ]] || exit 1
table=$("$VORN_COMPILE" top.vorn --truth-table --format=csv 2>/dev/null) || exit 1
expected=$'x,y,carry,sum\n0,0,0,0\n1,0,0,1\n0,1,0,1\n1,1,1,0'
[[ $table == "$expected" ]] || { printf 'table was:\n%s\n' "$table"; exit 1; }
