[[ -s deep.wasm ]]
