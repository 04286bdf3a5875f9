#!/usr/bin/env bash
# examples/grade.sh on a class of five: a correct submission split over two
# files, one with two wrong gates, one with misnamed pins, one that does not
# compile and an empty folder. The CSV is compared byte for byte.
#   grade_test.sh <vorn-compile> <source dir>
set -u
compiler=$(realpath "$1")
source=$(realpath "$2")
golden=$source/tests/golden
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir -p class/ann class/bob class/cy class/dee class/eve
cp "$golden/equiv_proved_across_imports_and_pin_order/solution.vorn" .
cp "$golden/equiv_proved_across_imports_and_pin_order/"{student,half}.vorn class/ann/
cp "$golden/equiv_one_gate_changed_replays/student.vorn" class/bob/
cp "$golden/equiv_pins_without_counterpart/student.vorn" class/cy/
printf 'input a, b, cin\nand g(a=a, b=q)\noutput sum(in=g.out)\noutput cout(in=a)\n' > class/dee/adder.vorn
"$compiler" solution.vorn --truth-table --format=csv 2>/dev/null > expected.csv

VORN_COMPILE=$compiler bash "$source/examples/grade.sh" --table expected.csv solution.vorn class/*/ > grades.csv
status=$?
expected='folder,verdict,counterexample,diagnostics,tests
class/ann,equivalent,,0,8 of 8
class/bob,different,"sum: a=1 b=0 cin=1 gives 1, reference gives 0",0,0 of 8
class/cy,pins,,4,not run
class/dee,errors,,3,not run
class/eve,no-root,,0,'
if [[ $status != 0 || $(cat grades.csv) != "$expected" ]]; then
  echo "FAIL: status $status, grades:"
  cat grades.csv
  exit 1
fi
echo "grade.sh: ok"
