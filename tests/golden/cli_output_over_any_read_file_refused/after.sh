# Every file the run read is refused as the output, however it is named, in
# both writing modes; the sources stay as they were.
failed=0
refused() {  # refused <expected stderr line> <arguments...>
  local expected=$1
  shift
  local actual status
  actual=$("$VORN_COMPILE" "$@" 2>&1 >/dev/null)
  status=$?
  if [[ $status != 1 || $actual != "$expected" ]]; then
    echo "not refused: $* (status $status): $actual"
    failed=1
  fi
}
wasm='failed writing wasm output: OutputIsInput'
zig='failed writing zig output: OutputIsInput'
refused "$zig" full_adder.vorn --emit-zig -o lib/half_adder.vorn
refused "$wasm" full_adder.vorn -o ./lib/../lib//half_adder.vorn
refused "$zig" full_adder.vorn --emit-zig -o "$PWD/lib/and_gate.vorn"
refused "$wasm" full_adder.vorn -o link_to_half.vorn
refused "$zig" full_adder.vorn --emit-zig -o hard_link_to_gate.vorn
refused "$wasm" full_adder.vorn -o hard_link_to_gate.vorn
refused "$zig" full_adder.vorn --emit-zig -o full_adder.vorn
# A source that the run did not read is an ordinary output and is replaced.
printf 'input z\noutput q(in=z)\n' > unrelated.vorn
"$VORN_COMPILE" full_adder.vorn --emit-zig -o unrelated.vorn || { echo "unread source refused"; failed=1; }
grep -q 'input z' unrelated.vorn && { echo "unread source not replaced"; failed=1; }
for f in full_adder.vorn lib/half_adder.vorn lib/and_gate.vorn; do
  cmp -s "pristine/${f##*/}" "$f" || { echo "$f was changed"; failed=1; }
done
[[ -L link_to_half.vorn ]] || { echo "link replaced"; failed=1; }
cmp -s lib/and_gate.vorn hard_link_to_gate.vorn || { echo "hard link split"; failed=1; }
exit $failed
