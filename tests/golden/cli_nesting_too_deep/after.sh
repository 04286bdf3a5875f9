[[ ! -e deep.wasm ]]
