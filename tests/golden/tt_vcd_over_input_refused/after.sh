# The source is left as it was.
printf "input a\noutput y(in=a)\n" | cmp - w.vorn
grep -q "^failed writing vcd output: OutputIsInput$" .actual_stderr
