#!/usr/bin/env bash
# Formats the tree's C++ with clang-format and the settings in .clang-format.
#
#   scripts/format.sh           rewrite every unformatted file in place
#   scripts/format.sh --check   list the unformatted files; exit 1 if there are any
#
# The files are the C++ sources and headers under lib/, cmd/, templates/,
# fuzz/, bench/ and tests/. The tool is $CLANG_FORMAT, else clang-format-14,
# else clang-format (formatting differs between major versions; the tree is
# kept in version 14's).
set -euo pipefail
cd "$(dirname "$0")/.."
check=0
case ${1:-} in
  --check) check=1 ;;
  "") ;;
  *) echo "usage: scripts/format.sh [--check]" >&2; exit 2 ;;
esac

tool=${CLANG_FORMAT:-}
if [[ -z $tool ]]; then
  for candidate in clang-format-14 clang-format; do
    if command -v "$candidate" >/dev/null 2>&1; then tool=$candidate; break; fi
  done
fi
[[ -n $tool ]] || { echo "format.sh: clang-format not found (scripts/ensure-tools.sh installs it)" >&2; exit 2; }
version=$("$tool" --version | sed -n 's/.*version \([0-9]*\).*/\1/p')
[[ $version == 14 ]] || echo "format.sh: $tool is version $version; the tree is formatted by version 14" >&2

mapfile -d '' files < <(find lib cmd templates fuzz bench tests -name node_modules -prune -o \
  -type f \( -name '*.cpp' -o -name '*.hpp' -o -name '*.h' -o -name '*.c' \) -print0 | sort -z)

if ((check)); then
  unformatted=()
  for file in "${files[@]}"; do
    "$tool" --style=file "$file" | cmp -s "$file" - || unformatted+=("$file")
  done
  if ((${#unformatted[@]})); then
    printf '%s\n' "${unformatted[@]}"
    echo "${#unformatted[@]} file(s) need scripts/format.sh" >&2
    exit 1
  fi
  exit 0
fi
"$tool" --style=file -i "${files[@]}"
