#!/usr/bin/env bash
# man_page_test.sh <vorn-compile> <man page> <codes.def>
# The manual page renders without a single groff warning, documents every
# flag that --help lists (and no flag that --help does not), every diagnostic
# code, every exit status and NO_COLOR.
set -u
compiler=$1
page=$2
code_table=$3
failed=0
fail() { echo "FAIL: $*"; failed=1; }

command -v groff >/dev/null || { echo "groff is not installed (scripts/ensure-tools.sh installs it)"; exit 1; }

warnings=$(groff -man -ww -z "$page" 2>&1) || fail "groff exited with status $?"
[[ -z $warnings ]] || fail "groff warnings:"$'\n'"$warnings"

# Plain text as man shows it: no overstriking, no hyphen/quote substitutions.
rendered=$(groff -man -Tascii -P-cbou "$page" 2>/dev/null)
help=$("$compiler" --help) || fail "--help exited with status $?"

# The body of one top-level section of the rendered page.
section() {
  awk -v name="$1" '/^[A-Z]/ { inside = ($0 == name); next } inside' <<<"$rendered"
}
for name in NAME SYNOPSIS DESCRIPTION OPTIONS LANGUAGE DIAGNOSTICS ENVIRONMENT 'EXIT STATUS' FILES EXAMPLES 'SEE ALSO'; do
  [[ -n $(section "$name") ]] || fail "section $name is missing or empty"
done
options=$(section OPTIONS)

# Flags in the help text's MODES and OPTIONS parts, e.g. -o, -Werror,
# --color=auto|always|never (checked as --color= plus each value).
help_flags=$(sed -n '/^MODES/,/^EXIT CODES/p' <<<"$help" |
  grep -oE '(^|[[:space:],])--?[A-Za-z][A-Za-z-]*(=[a-z|]+)?' | sed -E 's/^[[:space:],]+//' | sort -u)
count=$(grep -c . <<<"$help_flags")
((count >= 12)) || fail "found only $count flags in --help; has its layout changed?"$'\n'"$help_flags"

while IFS= read -r flag; do
  [[ -n $flag ]] || continue
  name=${flag%%=*}
  if [[ $flag == *=* ]]; then
    # An item such as "--color={auto|always|never}" in the man page.
    item=$(grep -E -- "^ {7}$name=" <<<"$options")
    [[ -n $item ]] || { fail "OPTIONS has no item for $name="; continue; }
    IFS='|' read -ra values <<<"${flag#*=}"
    for value in "${values[@]}"; do
      grep -qE -- "[{|]$value[|}]" <<<"$item" || fail "OPTIONS item $name= lacks the value $value"
    done
  else
    grep -qE -- "^ {7}(.*, )?$name(,| |$)" <<<"$options" || fail "OPTIONS has no item for $name"
  fi
done <<<"$help_flags"

# The other way round: every item of OPTIONS is a flag of --help.
while IFS= read -r item; do
  for flag in $(grep -oE -- '--?[A-Za-z][A-Za-z-]*=?' <<<"$item"); do
    grep -qxF -- "${flag%=}" <<<"$(sed 's/=.*//' <<<"$help_flags")" || fail "OPTIONS documents $flag, which --help does not list"
  done
done < <(grep -E '^ {7}-' <<<"$options")

diagnostics=$(section DIAGNOSTICS)
codes=$(grep -oE '^VORN_DIAGNOSTIC\([EW][0-9]{3}' "$code_table" | cut -c17-)
[[ $(wc -l <<<"$codes") -ge 16 ]] || fail "could not read the codes from $code_table"
for code in $codes; do
  [[ $(grep -cE "^ {7}$code( |$)" <<<"$diagnostics") == 1 ]] || fail "DIAGNOSTICS needs exactly one item for $code"
done
while IFS= read -r extra; do
  fail "DIAGNOSTICS lists an unknown code: $extra"
done < <(grep -E '^ {7}[EW][0-9]{3}' <<<"$diagnostics" | grep -vE "^ {7}($(paste -sd'|' <<<"$codes"))( |\$)")

# Exit statuses named by the help text.
statuses=$(sed -n '/^EXIT CODES/,/^$/p' <<<"$help" | grep -oE '^ +[0-9]+' | tr -d ' ')
[[ -n $statuses ]] || fail "no exit codes found in --help"
for status in $statuses; do
  grep -qE "^ {7}$status( |$)" <<<"$(section 'EXIT STATUS')" || fail "EXIT STATUS lacks $status"
done
grep -qE '^ {7}NO_COLOR$' <<<"$(section ENVIRONMENT)" || fail "ENVIRONMENT lacks NO_COLOR"
for gate in or nand nor xor xnor; do
  grep -qF "<builtin>/$gate.vorn" <<<"$(section FILES)" || fail "FILES lacks the built-in gate $gate"
done

((failed == 0)) && echo "man page: ok ($count flags)"
exit $failed
