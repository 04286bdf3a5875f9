cmp -s w.vorn original.txt
