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
