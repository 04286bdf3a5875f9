# Import paths and file names that hold a line feed, a tab, an escape
# sequence (clear screen) and a carriage return; é and the backslash are
# printable and stay as they are.
printf 'import m "gone\x1b[2J\n\t\x7f\\x\xc3\xa9.vorn"\ninput a\nm g(a=a)\noutput y(in=g.out)\n' > top.vorn
name=$(printf 'odd\nname\x1b[31m\r.vorn')
printf 'input a, b\nnot g(in=a)\nnot g(in=a)\noutput y(in=g.out)\n' > "$name"
printf 'import o "odd\nname\x1b[31m\r.vorn"\ninput a\no inst(a=a, b=a)\noutput y(in=inst.y)\n' > names.vorn
unread=$(printf 'un\x1bread.vorn')
printf 'input a\noutput y(in=a) )\n' > "$unread"
printf 'import u "un\x1bread.vorn"\ninput a\nu inst(a=a)\noutput y(in=inst.y)\n' > unread_top.vorn
