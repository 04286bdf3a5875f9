failed=0
expect() {  # expect <expected stderr> <arguments...>
  local expected=$1
  shift
  local actual
  actual=$("$VORN_COMPILE" "$@" 2>&1 >/dev/null)
  [[ $? == 1 && $actual == "$expected" ]] || { echo "for $*:"; printf '%s\n' "$actual" | cat -A; failed=1; }
}
odd='odd\nname?[31m\r.vorn'
expect "$odd:3:1: error: E005: duplicate instance name 'g'
  note: $odd:2:1: first declared as 'g' here
$odd:1:10: warning: W001: input 'b' is declared but never used" names.vorn -o out.wasm
expect "un?read.vorn:2:16: error: Expected '/', 'i', 'o', 'b', 'l', 'a', 'n', 'x' but got ')'
body resolution failed: ParsingFailed" unread_top.vorn -o out.wasm
exit $failed
