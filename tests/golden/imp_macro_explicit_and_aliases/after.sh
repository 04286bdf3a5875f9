[[ -s out.wasm ]]
