# A refused run leaves no artifact behind.
[[ ! -e out ]]
