# A slip in a file's very first item is located as a later one is: in the
# root, in an imported file (which the line names), and in the JSON document.
failed=0
expect() {  # expect <expected stderr> <arguments...>
  local expected=$1
  shift
  local actual
  actual=$("$VORN_COMPILE" "$@" 2>&1 >/dev/null)
  [[ $? == 1 && $actual == "$expected" ]] || { echo "for $*:"; printf '%s\n' "$actual" | cat -A; failed=1; }
}
starts="Expected '/', 'i', 'o', 'b', 'l', 'a', 'n', 'x' but got"
expect "sub/s.vorn:1:1: error: $starts ')'
body resolution failed: ParsingFailed" top.vorn -o out.wasm
expect '{"diagnostics":[],"failure":{"stage":"body resolution failed","error":"ParsingFailed","location":{"file":"sub/s.vorn","line":1,"column":1,"message":"'"$starts ')'"'"}}}' top.vorn --preview --diagnostics-format=json
# A NUL, and a second byte-order mark after the one that is skipped.
printf '\0input a\n' > nul.vorn
expect "nul.vorn:1:1: error: $starts '?'
parse failed: ParsingFailed" nul.vorn --inspect
printf '\xef\xbb\xbf\xef\xbb\xbfinput a\noutput y(in=a)\n' > boms.vorn
expect "boms.vorn:1:1: error: $starts '?'
parse failed: ParsingFailed" boms.vorn -o out.wasm
# Blank lines before it count; a file of blanks alone has no place to show.
printf '\n\n  %% input a\n' > blanks.vorn
expect "blanks.vorn:3:3: error: $starts '%'
parse failed: ParsingFailed" blanks.vorn -o out.wasm
printf '\n \n' > empty.vorn
expect "parse failed: ParsingFailed" empty.vorn -o out.wasm
[[ ! -e out.wasm ]] || { echo "an output was written"; failed=1; }
exit $failed
