# A chain of 2,897 files, each instantiating the next once: only 5,795
# primitives, but every primitive records the instances it sits inside, and
# those frames add up to 2,897^2 - 1 = 8,392,608, past the limit of 8,388,608.
n=2897
for ((i = 0; i < n - 1; i++)); do
  printf 'import next "f%d.vorn"\ninput a\nnext x(a=a)\noutput o(in=x.o)\n' $((i + 1)) > f$i.vorn
done
printf 'input a\nnot g(in=a)\noutput o(in=g.out)\n' > f$((n - 1)).vorn
