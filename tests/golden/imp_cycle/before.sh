# Cycle messages name canonical absolute paths, and the scratch copy of this
# case lives at a random place. So the cycle's members are written to a fixed
# directory, which the root reaches through a symbolic link and a roundabout
# spelling. Each file is written beside its target and renamed into place, so
# a concurrent run of this case never reads half a file.
set -e
dir=/tmp/vorn-golden-imp-cycle
mkdir -p "$dir/sub"
put() {
  printf '%s' "$2" > "$1.$$"
  mv -f "$1.$$" "$1"
}
put "$dir/a.vorn" 'import b "sub/b.vorn"
input a
b inner(b=a)
output q(in=inner.q)
'
put "$dir/sub/b.vorn" 'input b
import a "../a.vorn"
import again "/tmp/vorn-golden-imp-cycle/./sub/../a.vorn"
import me "b.vorn"
output q(in=b)
'
ln -sfn "$dir" link
