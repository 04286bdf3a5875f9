#!/usr/bin/env bash
# Every C++ source in the tree is named in a CMake list: since the lists are
# written by hand, a new file (a unit test above all) could otherwise sit
# there without ever being compiled or run.
# Usage: source_lists_test.sh <source dir>
set -u
cd "$1" || exit 2

# The nearest folder at or above $1 that has a CMakeLists.txt.
owning_lists() {
  local dir=$1
  while [[ $dir != . && ! -f $dir/CMakeLists.txt ]]; do dir=$(dirname "$dir"); done
  echo "$dir"
}

# The sources of a git checkout, or of a plain copy of the tree.
list_sources() {
  if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files --cached --others --exclude-standard -- '*.cpp'
  else
    find . -name '*.cpp' -not -path './build/*' | sed 's|^\./||'
  fi | grep -v '/node_modules/'
}

missing=0
while IFS= read -r file; do
  case $file in
    templates/*) lists=cmake/EngineSources.cmake; names=("${file#templates/}") ;;
    lib/*) lists="lib/CMakeLists.txt cmake/EngineSources.cmake"; names=("${file#lib/}") ;;
    *)
      owner=$(owning_lists "$(dirname "$file")")
      lists=$owner/CMakeLists.txt
      relative=${file#"$owner"/}
      names=("$relative" "${relative%.cpp}")
      ;;
  esac
  found=0
  for name in "${names[@]}"; do
    # shellcheck disable=SC2086
    if grep -qwF -- "$name" $lists; then found=1; break; fi
  done
  if ((found == 0)); then
    echo "not in any CMake list: $file"
    missing=1
  fi
done < <(list_sources)
exit "$missing"
