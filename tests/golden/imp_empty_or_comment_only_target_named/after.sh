# An imported file with nothing in it is named before the stage fails.
failed=0
expect() {  # expect <expected stderr> <arguments...>
  local expected=$1
  shift
  local actual
  actual=$("$VORN_COMPILE" "$@" 2>&1 >/dev/null)
  [[ $? == 1 && $actual == "$expected" ]] || { echo "for $*:"; printf '%s\n' "$actual"; failed=1; }
}
expect 'parts/comments.vorn:1:1: error: the file is empty or holds only comments
body resolution failed: InvalidProgram' uses_comments.vorn --emit-zig -o out.zig
expect 'parts/blank.vorn:1:1: error: the file is empty or holds only comments
body resolution failed: ParsingFailed' uses_blank.vorn --truth-table
[[ ! -e out.wasm && ! -e out.zig ]] || { echo "an output was written"; failed=1; }
exit $failed
