# Each file instantiates the next one twice: 2^30 gates from thirty small files.
n=30
for ((i = 0; i < n; i++)); do
  printf 'import next "f%d.vorn"\ninput a\nnext x(a=a)\nnext y(a=a)\nand g(a=x.o, b=y.o)\noutput o(in=g.out)\n' $((i + 1)) > f$i.vorn
done
printf 'input a\nnot n(in=a)\noutput o(in=n.out)\n' > f$n.vorn
