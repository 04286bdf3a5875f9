#!/usr/bin/env bash
# Runs one golden case: run_golden.sh <vorn-compile> <case directory>
#
# A case directory holds the input files and:
#   args             the arguments, one per line (a blank line is an empty argument)
#   expected_stdout  exact standard output (absent: must be empty)
#   expected_stderr  exact standard error (absent: must be empty)
#   expected_stderr_pattern  instead of expected_stderr, an extended regular
#                    expression that every line of standard error matches (for
#                    traces too long to keep)
#   expected_status  exit status (absent: 0)
#   env              optional VAR=value lines added to the environment
#   before.sh        optional set-up run in the work directory first
#   after.sh         optional checks run in the work directory afterwards
# Both scripts find the compiler in $VORN_COMPILE.
# The compiler runs in a scratch copy of the case, so written files vanish.
#
# With VORN_UPDATE_GOLDEN=1 in the environment (VORN_UPDATE_GOLDEN=1 ctest -R
# golden, or scripts/test.sh), the case's expectations are rewritten from this
# run instead, for review with `git diff`: expected_stdout, expected_stderr
# (not an expected_stderr_pattern), expected_status (each removed when the run
# gives the default: empty, or 0), and every other expected_<name> from the file
# <name> the run wrote (at the top of the case, or the one file of that name
# below it). after.sh then checks the run as usual, against the new files.
set -u
binary=$(realpath "$1")
case_dir=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -R "$case_dir/." "$work/"
cd "$work"
# before.sh and after.sh may run the compiler themselves.
export VORN_COMPILE="$binary"

if [[ -f "$case_dir/before.sh" ]]; then
  bash "$case_dir/before.sh" || { echo "before.sh failed"; exit 1; }
fi

args=()
while IFS= read -r line || [[ -n $line ]]; do args+=("$line"); done < "$case_dir/args"
envs=()
if [[ -f "$case_dir/env" ]]; then
  while IFS= read -r line || [[ -n $line ]]; do [[ -n $line ]] && envs+=("$line"); done < "$case_dir/env"
fi

env -u NO_COLOR "${envs[@]}" "$binary" "${args[@]}" > "$work/.actual_stdout" 2> "$work/.actual_stderr"
status=$?

# Writes `actual` as the expectation `expected` unless it already says so.
# With `optional`, an empty `actual` means the expectation is absent.
update_expectation() {
  local actual=$1 expected=$2 optional=${3:-}
  if [[ -n $optional && ! -s $actual ]]; then
    [[ -f $expected && -s $expected ]] || return 0
    rm -f "$expected"
  else
    ! cmp -s "$actual" "$expected" || return 0
    cp "$actual" "$expected"
  fi
  echo "updated ${expected##*/}"
}

if [[ ${VORN_UPDATE_GOLDEN:-} == 1 ]]; then
  update_expectation "$work/.actual_stdout" "$case_dir/expected_stdout" optional
  [[ -f $case_dir/expected_stderr_pattern ]] ||
    update_expectation "$work/.actual_stderr" "$case_dir/expected_stderr" optional
  expected_status=0
  [[ -f "$case_dir/expected_status" ]] && expected_status=$(tr -d '[:space:]' < "$case_dir/expected_status")
  if [[ $status != "$expected_status" ]]; then
    if [[ $status == 0 ]]; then rm -f "$case_dir/expected_status"; else echo "$status" > "$case_dir/expected_status"; fi
    echo "updated expected_status"
  fi
  for expected in "$case_dir"/expected_*; do
    name=${expected##*/expected_}
    case $name in stdout | stderr | stderr_pattern | status | '*') continue ;; esac
    written=$name
    if [[ ! -f $written ]]; then
      mapfile -t found < <(find . -type f -name "$name" -not -path "./$name")
      if ((${#found[@]} != 1)); then
        echo "not updated: expected_$name (the run wrote no single file named $name)"
        continue
      fi
      written=${found[0]}
    fi
    update_expectation "$written" "$expected"
    cp "$expected" "$work/expected_$name"
  done
fi

failed=0
expected_status=0
[[ -f "$case_dir/expected_status" ]] && expected_status=$(tr -d '[:space:]' < "$case_dir/expected_status")
if [[ $status != "$expected_status" ]]; then
  echo "exit status: expected $expected_status, got $status"
  failed=1
fi
streams=(stdout stderr)
if [[ -f "$case_dir/expected_stderr_pattern" ]]; then
  streams=(stdout)
  if grep -qvE "$(cat "$case_dir/expected_stderr_pattern")" "$work/.actual_stderr"; then
    echo "--- stderr has lines that do not match expected_stderr_pattern:"
    grep -vE "$(cat "$case_dir/expected_stderr_pattern")" "$work/.actual_stderr" | head -10
    failed=1
  fi
fi
for stream in "${streams[@]}"; do
  expected="$case_dir/expected_$stream"
  [[ -f $expected ]] || expected=/dev/null
  if ! cmp -s "$expected" "$work/.actual_$stream"; then
    echo "--- $stream differs (expected vs actual):"
    diff <(cat "$expected") "$work/.actual_$stream" | head -40
    failed=1
  fi
done
if [[ -f "$case_dir/after.sh" ]]; then
  if ! bash "$case_dir/after.sh"; then
    echo "after.sh checks failed"
    failed=1
  fi
fi
exit $failed
