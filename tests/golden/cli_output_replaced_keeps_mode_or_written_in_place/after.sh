failed=0
mode=$(stat -c %a kept/private.zig)
[[ $mode == 600 ]] || { echo "replaced file has mode $mode, not 600"; failed=1; }
grep -q '^old$' kept/private.zig && { echo "file not replaced"; failed=1; }

# Root may create files anywhere, so the sealed folder is tried as another
# user there; the compiler is copied where that user can run it.
chmod 755 .
cp "$VORN_COMPILE" ./vorn-compile-copy
chmod 755 ./vorn-compile-copy
as_user=()
if [[ $(id -u) == 0 ]]; then
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
"${as_user[@]}" ./vorn-compile-copy w.vorn --emit-zig -o sealed/open.zig || { echo "in-place write failed"; failed=1; }
cmp -s kept/private.zig sealed/open.zig || { echo "in-place file differs"; failed=1; }
mode=$(stat -c %a sealed/open.zig)
[[ $mode == 666 ]] || { echo "in-place file has mode $mode, not 666"; failed=1; }
leftovers=$(ls -A sealed | grep -v '^open.zig$')
[[ -z $leftovers ]] || { echo "left in the folder: $leftovers"; failed=1; }

# A file that is not writable in a sealed folder is still refused.
chmod 755 sealed
printf 'old\n' > sealed/closed.zig
chmod 444 sealed/closed.zig
chmod 555 sealed
err=$("${as_user[@]}" ./vorn-compile-copy w.vorn --emit-zig -o sealed/closed.zig 2>&1)
[[ $? == 1 && $err == 'failed writing zig output: AccessDenied' ]] || { echo "read-only file: $err"; failed=1; }
grep -q '^old$' sealed/closed.zig || { echo "read-only file changed"; failed=1; }
chmod 755 sealed
exit $failed
