failed=0
[[ ! -e out.wasm ]] || { echo "an artifact was written"; failed=1; }
err=$("$VORN_COMPILE" f0.vorn --emit-zig -o out.zig 2>&1)
[[ $? == 1 && $err == 'emission failed: CircuitTooLarge' ]] || { echo "zig: $err"; failed=1; }
err=$("$VORN_COMPILE" f0.vorn --truth-table 2>&1)
[[ $? == 1 && $err == 'topology build failed: CircuitTooLarge' ]] || { echo "truth table: $err"; failed=1; }
# One file fewer is within the limit (8,386,815 frames) but takes seconds and
# most of a gigabyte; a chain of 300 files shows that depth alone is fine.
"$VORN_COMPILE" f2597.vorn -o short.wasm || { echo "a chain of 300 files was refused"; failed=1; }
exit $failed
