# Under --diagnostics-format=json every failure of --test is in the one
# document (with the place where it has one) and nothing else is written; as
# text, control bytes are escaped; every JSON document is valid UTF-8.
failed=0
run() {  # run <expected status> <expected stdout> <expected stderr> <arguments...>
  local status=$1 stdout=$2 stderr=$3
  shift 3
  "$VORN_COMPILE" "$@" > out.txt 2> err.txt
  local actual=$?
  if [[ $actual != "$status" || $(cat out.txt) != "$stdout" || $(grep -v '^info(log): ' err.txt) != "$stderr" ]]; then
    echo "for $* (status $actual):"; cat -A out.txt; grep -v '^info(log): ' err.txt | cat -A; failed=1
  fi
  iconv -f UTF-8 -t UTF-8 out.txt err.txt > /dev/null || { echo "for $*: not UTF-8"; failed=1; }
}
none='{"diagnostics":[],"failure":'
run 1 '' "$none"'{"stage":"test table not found","error":"FileNotFound","file":"no?[1mpe.csv"}}' \
  gate.vorn --test "$(printf 'no\x1b[1mpe.csv')" --diagnostics-format=json
run 1 '' "test table not found: no?[1mpe.csv" gate.vorn --test "$(printf 'no\x1b[1mpe.csv')"
run 1 '' "input file not found: in?[1mput.vorn" "$(printf 'in\x1b[1mput.vorn')" --test bad.csv
run 1 '' "$none"'{"stage":"input file not found","error":"FileNotFound","file":"in?[1mput.vorn"}}' \
  "$(printf 'in\x1b[1mput.vorn')" --test bad.csv --diagnostics-format=json
run 1 '' "cell.csv:2:5: error: cell '?[2J' is not allowed in output column 'y' (0, 1, ?, * or empty)" gate.vorn --test cell.csv
run 1 '' "name.csv:1:5: error: unknown column '?[31m'" gate.vorn --test name.csv
run 1 '' "$none"'{"stage":"test table failed","error":"InvalidTestTable","location":{"file":"name.csv","line":1,"column":5,"message":"unknown column '"'?[31m'"'"}}}' \
  gate.vorn --test name.csv --diagnostics-format=json
# Bytes that are not UTF-8 become U+FFFD in JSON; text lines keep them.
run 0 '{"table":"ok\ufffd.csv","passed":1,"failed":0,"rows":[{"line":2,"inputs":{"a":1,"b":1},"expected":{"y":1},"actual":{"y":1},"ok":true,"reason":null}]}' \
  "$none"'null}' gate.vorn --test "$(printf 'ok\xff.csv')" --format=json --diagnostics-format=json
run 1 '' '{"diagnostics":[{"file":"import.vorn","code":"E009","level":"error","message":"import not found '"'gone\\ufffd.vorn'"'","span":{"start":{"line":1,"column":1},"end":{"line":1,"column":22}},"notes":[]}],"failure":null}' \
  import.vorn --truth-table --diagnostics-format=json
exit $failed
