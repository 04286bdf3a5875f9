[[ ! -e out ]]
