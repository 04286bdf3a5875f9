# 16 MiB plus one byte: a declaration, then one long comment line.
{ printf 'input a\n//'; head -c $((16 * 1024 * 1024 + 1 - 10)) /dev/zero | tr '\0' 'x'; } > big.vorn
