# 10,000 anonymous NOT gates nested inside each other.
n=10000
{ printf 'input a\noutput y(in='; printf 'not(in=%.0s' $(seq $n); printf 'a'; printf ').out%.0s' $(seq $n); printf ')\n'; } > deep.vorn
