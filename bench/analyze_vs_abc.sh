#!/usr/bin/env bash
# Times --analyze on a 12-input majority and a 6+6-bit comparator (exact,
# many prime implicants), the 16-bit adder's outputs and a 24-input random
# sum of products (heuristic), each against Yosys minimising the same
# function with ABC (the --emit-verilog export, flattened, `abc -g AND`).
# Usage: bench/analyze_vs_abc.sh <vorn-compile> [yosys]
set -eu
compiler=$(realpath "$1")
yosys=${2:-yosys}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# Functions given by a table are first written as circuits by --synthesize.
python3 - <<'PY'
import random
def table(name, inputs, rows):
    with open(name, 'w') as f:
        f.write(','.join(inputs + ['y']) + '\n')
        for bits, y in rows:
            f.write(','.join(map(str, bits + [y])) + '\n')
n = 12
rows = []
for r in range(1 << n):
    bits = [(r >> i) & 1 for i in range(n)]
    rows.append((bits, int(sum(bits) >= 7)))
table('majority.csv', [f'x{i}' for i in range(n)], rows)
rows = []
for r in range(1 << n):
    bits = [(r >> i) & 1 for i in range(n)]
    a = sum(bits[i] << i for i in range(6)); b = sum(bits[6 + i] << i for i in range(6))
    rows.append((bits, int(a > b)))
table('compare.csv', [f'a{i}' for i in range(6)] + [f'b{i}' for i in range(6)], rows)
# 24 inputs: a random sum of 40 products of 4 to 9 literals.
random.seed(24)
names = [f'x{i}' for i in range(24)]
lines = ['input ' + ', '.join(names)]
for i in range(24):
    lines.append(f'not n{i}(in=x{i})')
terms = []
for t in range(40):
    chosen = random.sample(range(24), random.randint(4, 9))
    signal = None
    for j, v in enumerate(chosen):
        lit = f'x{v}' if random.random() < 0.5 else f'n{v}.out'
        if signal is None:
            signal = lit
        else:
            lines.append(f'and t{t}_{j}(a={signal}, b={lit})'); signal = f't{t}_{j}.out'
    terms.append(signal)
signal = terms[0]
for t in range(1, len(terms)):
    lines.append(f'or s{t}(a={signal}, b={terms[t]})'); signal = f's{t}.out'
lines.append(f'output y(in={signal})')
open('random24.vorn', 'w').write('\n'.join(lines) + '\n')
PY
"$compiler" --synthesize majority.csv -o majority.vorn
"$compiler" --synthesize compare.csv -o compare.vorn
cp "$here/../tests/golden/test_adder16_random_rows/"{adder16,fa}.vorn .

seconds() { python3 -c 'import sys,time; t=time.time(); import subprocess; subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL); print(f"{time.time()-t:.3f}")' "$@"; }
printf '%-12s %10s %10s  %s\n' circuit analyze_s abc_s 'analyze: terms per output (method)'
for circuit in majority compare adder16 random24; do
  t_analyze=$(seconds "$compiler" "$circuit.vorn" --analyze)
  summary=$("$compiler" "$circuit.vorn" --analyze 2>/dev/null | grep -oE 'Sum of products \((exact|heuristic), [0-9]+ terms?' | sed 's/Sum of products (//' | sort | uniq -c | tr '\n' ';')
  "$compiler" "$circuit.vorn" --emit-verilog -o "$circuit.v" 2>/dev/null
  t_abc=$(seconds "$yosys" -q -p "read_verilog $circuit.v; hierarchy -top $circuit; flatten; proc; opt; abc -g AND; stat")
  printf '%-12s %10s %10s  %s\n' "$circuit" "$t_analyze" "$t_abc" "$summary"
done
