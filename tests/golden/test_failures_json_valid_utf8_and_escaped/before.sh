# Text of the user's that reaches the terminal: an escape sequence in a cell
# (clear screen) and in a column name (red), in table and input paths, and a
# byte that is not UTF-8 in an import path and a table's name.
printf 'a,b,y\n0,0,\x1b[2J\n' > cell.csv
printf 'a,b,\x1b[31m\n0,0,0\n' > name.csv
printf 'a,b,y\n1,1,1\n' > "$(printf 'ok\xff.csv')"
printf 'import m "gone\xff.vorn"\ninput a\nm g(a=a)\noutput y(in=g.out)\n' > import.vorn
