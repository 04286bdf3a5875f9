# Scopes follow the instances (the anonymous one under its generated name);
# names outside [A-Za-z0-9_] and a pin that would clash with the row counter
# are escaped. A real reader loads the dump and gives the same changes back.
set -e
cmp "my top.vcd" expected.vcd
vcd2fst "my top.vcd" top.fst > reader.log 2>&1
if grep -qi 'warn\|error' reader.log; then cat reader.log; exit 1; fi
# Each change as "time scope.name value", whatever codes a writer chose.
changes() {
  awk '$1 == "$scope" { path = path $3 "." } $1 == "$upscope" { sub(/[^.]*\.$/, "", path) }
       $1 == "$var" { name[$4] = path $5 }
       /^#/ { t = substr($0, 2) }
       /^[01x]/ { print t, name[substr($0, 2)], substr($0, 1, 1) }
       /^b/ { v = substr($1, 2); sub(/^0+/, "", v); print t, name[$2], "b" v }' "$1" | sort
}
fst2vcd top.fst > back.vcd
diff <(changes expected.vcd) <(changes back.vcd)
