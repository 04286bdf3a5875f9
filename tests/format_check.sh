#!/usr/bin/env bash
# The format.check test: format_check.sh <source tree> <clang-format>
# Fails when a C++ file differs from what scripts/format.sh makes of it, once
# the tree has been formatted as a whole, which .clang-format-enforced marks.
# Until then it reports itself skipped (exit 77).
set -euo pipefail
root=$1
if [[ ! -f $root/.clang-format-enforced ]]; then
  echo "format.check: skipped, no $root/.clang-format-enforced"
  exit 77
fi
CLANG_FORMAT=$2 exec bash "$root/scripts/format.sh" --check
