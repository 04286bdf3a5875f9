# Files that start with a byte order mark read as if it were not there: the
# same artifact, dump and diagnostics as copies without it.
failed=0
mkdir plain
tail -c +4 top.vorn > plain/top.vorn
tail -c +4 sub.vorn > plain/sub.vorn
(cd plain && "$VORN_COMPILE" top.vorn -o out.wasm 2>/dev/null) || { echo "plain copy failed"; failed=1; }
cmp -s out.wasm plain/out.wasm || { echo "artifacts differ"; failed=1; }
"$VORN_COMPILE" top.vorn --inspect > inspect.txt
(cd plain && "$VORN_COMPILE" top.vorn --inspect > inspect.txt)
cmp -s inspect.txt plain/inspect.txt || { echo "inspect dumps differ"; diff inspect.txt plain/inspect.txt | head; failed=1; }
"$VORN_COMPILE" sub.vorn --truth-table --format=csv > table.csv 2>/dev/null
(cd plain && "$VORN_COMPILE" sub.vorn --truth-table --format=csv > table.csv 2>/dev/null)
cmp -s table.csv plain/table.csv || { echo "tables differ"; failed=1; }
# Only one mark is skipped: a second one is text the grammar cannot read,
# located where it stands.
printf '\xef\xbb\xbf' | cat - top.vorn > twice.vorn
err=$("$VORN_COMPILE" twice.vorn -o twice.wasm 2>&1)
[[ $? == 1 && $err == "twice.vorn:1:1: error: Expected '/', 'i', 'o', 'b', 'l', 'a', 'n', 'x' but got '?'
parse failed: ParsingFailed" ]] || { echo "two marks: $err"; failed=1; }
exit $failed
