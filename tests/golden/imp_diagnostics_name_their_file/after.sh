[[ ! -e out.wasm ]]
