#!/usr/bin/env bash
# Writes generated circuits for whole-process timing into the given directory:
#   chain_100k.vorn  100,000 gates (and/not alternating) in one file, ~3 MB
#   decls_10mb.vorn  100,000 declarations with long names and anonymous gates, ~10 MB
#   gates_N.vorn     N gates reading recent signals, for --preview and the web schematic (N = 500, 2000)
# and, for --preview at scale, each shape at a base size and at four times it:
#   fanout_N.vorn    inputs a and b each feeding N AND gates, one output per gate (N = 1000, 2000, 4000, 16000)
#   bus_N.vorn       64 inputs, N AND gates each reading two of them, 64 outputs spread over the gates
#                    (N = 3840, 15360)
#   local_N.vorn     N gates reading mostly recent signals, 32 inputs and 32 outputs (N = 5000, 20000)
#   cells_N.vorn     64 inputs, N instances of cell.vorn (two inputs, two outputs) read like bus_N, each
#                    instance's two outputs read by one AND gate, 64 outputs spread over the gates
#                    (N = 1000, 4000)
# and, for recompiling while typing:
#   window_N.vorn    8 inputs, N gates each reading signals 50 to 200 places back, 8 outputs (N = 10000, 100000)
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

gates() {
  awk -v count="$1" 'BEGIN {
  srand(7)
  print "input i0, i1, i2, i3"
  n = 4
  names[0] = "i0"; names[1] = "i1"; names[2] = "i2"; names[3] = "i3"
  for (i = 0; i < count; i++) {
    lo = n - 8; if (lo < 0) lo = 0
    x = names[lo + int(rand() * (n - lo))]
    y = names[lo + int(rand() * (n - lo))]
    if (i % 3 == 0) printf "not g%d(in=%s)\n", i, x
    else printf "and g%d(a=%s, b=%s)\n", i, x, y
    names[n++] = "g" i
  }
  printf "output y(in=g%d.out)\n", count - 1
}'
}
for n in 500 2000; do gates "$n" > "$out/gates_$n.vorn"; done

fanout() {
  awk -v n="$1" 'BEGIN {
    print "input a, b"
    for (i = 0; i < n; i++) printf "and g%d(a=a, b=b)\noutput y%d(in=g%d.out)\n", i, i, i
  }'
}
for n in 1000 2000 4000 16000; do fanout "$n" > "$out/fanout_$n.vorn"; done

# Gate k reads input k mod 64 and the one 1 + k/64 places after it, so every
# input feeds gates all the way down the column.
bus() {
  awk -v n="$1" 'BEGIN {
    line = "input i0"
    for (i = 1; i < 64; i++) line = line ", i" i
    print line
    for (k = 0; k < n; k++) printf "and g%d(a=i%d, b=i%d)\n", k, k % 64, (k + 1 + int(k / 64)) % 64
    step = int(n / 64)
    for (j = 0; j < 64; j++) printf "output o%d(in=g%d.out)\n", j, j * step + step - 1
  }'
}
for n in 3840 15360; do bus "$n" > "$out/bus_$n.vorn"; done

# Mostly recent signals (one pick in eight from anywhere), a third of the
# gates NOT, the rest AND; outputs on the last 32 gates.
local_gates() {
  awk -v n="$1" 'BEGIN {
    srand(1234)
    line = "input in0"
    for (i = 1; i < 32; i++) line = line ", in" i
    print line
    count = 32
    for (i = 0; i < 32; i++) names[i] = "in" i
    for (g = 0; g < n; g++) {
      for (p = 0; p < 2; p++) {
        window = count < 48 ? count : 48
        if (int(rand() * 8) == 0) pick[p] = names[int(rand() * count)]
        else pick[p] = names[count - 1 - int(rand() * window)]
      }
      if (g % 3 == 0) printf "not g%d(in=%s)\n", g, pick[0]
      else printf "and g%d(a=%s, b=%s)\n", g, pick[0], pick[1]
      names[count++] = "g" g
    }
    for (i = 0; i < 32; i++) printf "output out%d(in=g%d.out)\n", i, n - 1 - i
  }'
}
for n in 5000 20000; do local_gates "$n" > "$out/local_$n.vorn"; done

# Sub-circuit boxes with a slot per pin, both outputs of every box in use.
printf 'input x, y\nand both(a=x, b=y)\nnot nx(in=x)\nand only_y(a=y, b=nx.out)\noutput s(in=both.out)\noutput c(in=only_y.out)\n' \
  > "$out/cell.vorn"
cells() {
  awk -v n="$1" 'BEGIN {
    print "import cell \"cell.vorn\""
    line = "input i0"
    for (i = 1; i < 64; i++) line = line ", i" i
    print line
    for (k = 0; k < n; k++) {
      printf "cell u%d(x=i%d, y=i%d)\n", k, k % 64, (k + 1 + int(k / 64)) % 64
      printf "and g%d(a=u%d.s, b=u%d.c)\n", k, k, k
    }
    step = int(n / 64)
    for (j = 0; j < 64; j++) printf "output o%d(in=g%d.out)\n", j, j * step + step - 1
  }'
}
for n in 1000 4000; do cells "$n" > "$out/cells_$n.vorn"; done

# The editing shape: 8 inputs, gates (a third NOT, the rest AND) each reading
# signals 50 to 200 places back (or any earlier one near the top), 8 outputs
# on the last gates. At 10^4 and 10^5 gates, for the growth between them.
window_gates() {
  awk -v n="$1" 'BEGIN {
    srand(26)
    line = "input i0"
    for (i = 1; i < 8; i++) line = line ", i" i
    print line
    count = 8
    for (i = 0; i < 8; i++) names[i] = "i" i
    for (g = 0; g < n; g++) {
      for (p = 0; p < 2; p++) {
        back = 50 + int(rand() * 151)
        if (back > count) back = 1 + int(rand() * count)
        pick[p] = names[count - back]
      }
      if (int(rand() * 3) == 0) printf "not g%d(in=%s)\n", g, pick[0]
      else printf "and g%d(a=%s, b=%s)\n", g, pick[0], pick[1]
      names[count++] = "g" g
    }
    for (i = 0; i < 8; i++) printf "output o%d(in=g%d.out)\n", i, n - 1 - i
  }'
}
for n in 10000 100000; do window_gates "$n" > "$out/window_$n.vorn"; done
