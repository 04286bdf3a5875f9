#!/usr/bin/env bash
# Writes generated circuits for whole-process timing into the given directory:
#   chain_100k.vorn  100,000 gates (and/not alternating) in one file, ~3 MB
#   decls_10mb.vorn  100,000 declarations with long names and anonymous gates, ~10 MB
#   gates_2000.vorn  2,000 gates reading recent signals, for --preview
set -euo pipefail
out=${1:?usage: generate_inputs.sh <directory>}
mkdir -p "$out"

awk 'BEGIN {
  print "input a, b"
  prev = "a"
  for (i = 0; i < 100000; i++) {
    if (i % 2 == 0) printf "and g%d(a=%s, b=b)\n", i, prev
    else printf "not g%d(in=%s)\n", i, prev
    prev = "g" i
  }
  printf "output y(in=%s.out)\n", prev
}' > "$out/chain_100k.vorn"

awk 'BEGIN {
  print "input signal_from_the_outside_world_a, signal_from_the_outside_world_b"
  prev = "signal_from_the_outside_world_a"
  for (i = 0; i < 100000; i++) {
    name = sprintf("component_%06d", i)
    printf "and %s(a=%s.out, b=not(in=signal_from_the_outside_world_b).out)  // gate %d\n", name, prev, i
    prev = name
  }
  printf "output result(in=%s.out)\n", prev
}' > "$out/decls_10mb.vorn"

awk 'BEGIN {
  srand(7)
  print "input i0, i1, i2, i3"
  n = 4
  names[0] = "i0"; names[1] = "i1"; names[2] = "i2"; names[3] = "i3"
  for (i = 0; i < 2000; i++) {
    lo = n - 8; if (lo < 0) lo = 0
    x = names[lo + int(rand() * (n - lo))]
    y = names[lo + int(rand() * (n - lo))]
    if (i % 3 == 0) printf "not g%d(in=%s)\n", i, x
    else printf "and g%d(a=%s, b=%s)\n", i, x, y
    names[n++] = "g" i
  }
  print "output y(in=g1999.out)"
}' > "$out/gates_2000.vorn"
