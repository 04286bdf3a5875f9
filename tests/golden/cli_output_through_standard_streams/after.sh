# An output path that names the file standard output or standard error holds,
# a FIFO or a device is written through in place, after what the stream
# already holds; nothing is truncated or renamed.
failed=0
warning="w.vorn:2:7: warning: W001: input 'b' is declared but never used"
check() {  # check <what> <expected file> <actual file>
  cmp -s "$2" "$3" || { echo "$1 differs:"; diff "$2" "$3" | head -5; failed=1; }
}

( echo BEFORE; "$VORN_COMPILE" w.vorn --emit-zig -o /dev/stdout 2>/dev/null; echo AFTER ) > log.txt
{ echo BEFORE; cat emitted.zig; echo AFTER; } > expected_log.txt
check "standard output redirected to a file" expected_log.txt log.txt

echo EARLIER > appended.txt
( echo BEFORE; "$VORN_COMPILE" w.vorn --emit-zig -o /dev/stdout 2>/dev/null; echo AFTER ) >> appended.txt
{ echo EARLIER; echo BEFORE; cat emitted.zig; echo AFTER; } > expected_appended.txt
check "standard output appending to a file" expected_appended.txt appended.txt

( echo BEFORE >&2; "$VORN_COMPILE" w.vorn --emit-zig -o /dev/stderr; echo AFTER >&2 ) 2> err.txt
{ echo BEFORE; echo "$warning"; cat emitted.zig; echo AFTER; } > expected_err.txt
check "standard error redirected to a file" expected_err.txt err.txt

# The same file reached through another name than /dev/stdout.
( echo BEFORE; "$VORN_COMPILE" w.vorn --emit-zig -o ./same.txt 2>/dev/null; echo AFTER ) > same.txt
check "a path naming the file standard output holds" expected_log.txt same.txt

"$VORN_COMPILE" w.vorn -o /dev/stdout 2>/dev/null | cat > piped.wasm
"$VORN_COMPILE" w.vorn -o artifact.wasm 2>/dev/null
check "standard output as a pipe" artifact.wasm piped.wasm

mkfifo fifo
timeout 20 cat fifo > from_fifo.zig &
reader=$!
"$VORN_COMPILE" w.vorn --emit-zig -o fifo 2>/dev/null || { echo "writing into a FIFO failed"; failed=1; }
wait $reader
check "a FIFO" emitted.zig from_fifo.zig
[[ -p fifo ]] || { echo "the FIFO was replaced"; failed=1; }

"$VORN_COMPILE" w.vorn --emit-zig -o /dev/null 2>/dev/null || { echo "writing /dev/null failed"; failed=1; }
[[ -c /dev/null ]] || { echo "/dev/null was replaced"; failed=1; }
exit $failed
