# Exactly 16 MiB: one declaration padded with blanks that the grammar leaves unread.
{ printf 'input a'; head -c $((16 * 1024 * 1024 - 7)) /dev/zero | tr '\0' ' '; } > big.vorn
