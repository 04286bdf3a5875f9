# The row where a rises shows g's pulse from 26 to 30 (and o's a step later),
# at the times the trace gives. A real reader loads the dump without a word,
# and reading its own file back gives the same changes at the same times.
set -e
cmp waves/deep/pulse.vcd expected.vcd
vcd2fst waves/deep/pulse.vcd pulse.fst > reader.log 2>&1
if grep -qi 'warn\|error' reader.log; then cat reader.log; exit 1; fi
# Each change as "time scope.name value", whatever codes a writer chose.
changes() {
  awk '$1 == "$scope" { path = path $3 "." } $1 == "$upscope" { sub(/[^.]*\.$/, "", path) }
       $1 == "$var" { name[$4] = path $5 }
       /^#/ { t = substr($0, 2) }
       /^[01x]/ { print t, name[substr($0, 2)], substr($0, 1, 1) }
       /^b/ { v = substr($1, 2); sub(/^0+/, "", v); print t, name[$2], "b" v }' "$1" | sort
}
fst2vcd pulse.fst > back.vcd
diff <(changes expected.vcd) <(changes back.vcd)
