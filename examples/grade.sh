#!/usr/bin/env bash
# Grades a class: every submission folder against a reference solution.
#
#   examples/grade.sh [--table TABLE] REFERENCE.vorn DIR... > grades.csv
#
# In each DIR the submission's root is the file named like the reference
# (solution.vorn for REFERENCE solution.vorn), else the folder's only .vorn
# file that no other file there imports. It is checked with `vorn-compile ROOT --equiv REFERENCE` and, with
# --table, also run with `--test TABLE`. One CSV line per folder:
#   folder,verdict,counterexample,diagnostics[,tests]
# verdict: equivalent, different, pins (inputs or outputs without a
# counterpart), errors (diagnostics stopped the run), refused (a loop with too
# many inputs), no-root; counterexample: the first "different:" line;
# diagnostics: the number of errors and warnings printed; tests: rows passed
# "of" rows. VORN_COMPILE names the compiler (default: vorn-compile on PATH).
set -uo pipefail
compiler=${VORN_COMPILE:-vorn-compile}
table=
if [[ ${1:-} == --table ]]; then
  table=$(realpath "${2:?--table needs a file}")
  shift 2
fi
if (($# < 2)); then
  echo "usage: grade.sh [--table TABLE] REFERENCE.vorn DIR..." >&2
  exit 2
fi
reference=$(realpath "$1")
shift

csv() {  # a field, quoted when it holds a comma or a quote
  local field=$1
  if [[ $field == *[,\"]* ]]; then field="\"${field//\"/\"\"}\""; fi
  printf '%s' "$field"
}

printf 'folder,verdict,counterexample,diagnostics%s\n' "${table:+,tests}"
for dir in "$@"; do
  folder=${dir%/}
  root=
  if [[ -f $folder/${reference##*/} ]]; then
    root=${reference##*/}
  else
    shopt -s nullglob
    files=("$folder"/*.vorn)
    shopt -u nullglob
    candidates=()
    for file in "${files[@]}"; do
      name=${file##*/}
      grep -qsF "\"$name\"" "${files[@]}" || candidates+=("$name")
    done
    ((${#candidates[@]} == 1)) && root=${candidates[0]}
  fi
  verdict=no-root counterexample= diagnostics=0 tests=
  if [[ -n $root ]]; then
    # Run inside the folder, so that messages name the submission's files as written.
    out=$(cd "$folder" && "$compiler" "$root" --equiv "$reference" 2>.grade_stderr)
    status=$?
    errors=$(cat "$folder/.grade_stderr")
    rm -f "$folder/.grade_stderr"
    diagnostics=$(grep -cE ': (error|warning)(: |\[)' <<<"$errors")
    if [[ $status == 0 ]]; then
      verdict=equivalent
    elif grep -q '^different: ' <<<"$out"; then
      verdict=different
      counterexample=$(grep -m 1 '^different: ' <<<"$out")
      counterexample=${counterexample#different: }
    elif grep -q 'has no counterpart in' <<<"$errors"; then
      verdict=pins
    elif grep -q '^equivalence check refused' <<<"$errors"; then
      verdict=refused
    else
      verdict=errors
    fi
    if [[ -n $table ]]; then
      tests=$(cd "$folder" && "$compiler" "$root" --test "$table" 2>/dev/null | grep -oE '^[0-9]+ of [0-9]+' | tail -n 1)
      tests=${tests:-not run}
    fi
  fi
  line="$(csv "$folder"),$verdict,$(csv "$counterexample"),$diagnostics"
  [[ -n $table ]] && line+=",$(csv "$tests")"
  printf '%s\n' "$line"
done
