#!/usr/bin/env bash
# yosys_golden.sh <golden directory>
# yosys reads every Verilog file that a golden case expects --emit-verilog to
# write (expected_*.v) and synthesizes its top module, named in the file's
# header; neither may bring an error or a warning.
set -u
golden=$1
command -v yosys >/dev/null || { echo "yosys is not installed (scripts/ensure-tools.sh installs it)"; exit 1; }
failed=0
checked=0
for file in "$golden"/*/expected_*.v; do
  [[ -f $file ]] || continue
  top=$(sed -n 's|^// Top module: ||p' "$file")
  [[ -n $top ]] || { echo "FAIL: $file names no top module"; failed=1; continue; }
  log=$(yosys -p "read_verilog $(printf %q "$file"); synth -top $top" 2>&1)
  status=$?
  warnings=$(grep -E '^(Warning|ERROR)' <<<"$log")
  if ((status != 0)) || [[ -n $warnings ]]; then
    echo "FAIL: $file (status $status)"
    echo "$warnings"
    failed=1
  fi
  ((++checked))
done
((checked > 0)) || { echo "FAIL: no expected_*.v under $golden"; failed=1; }
((failed)) || echo "$checked exported files read and synthesized without warnings"
exit $failed
