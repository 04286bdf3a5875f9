[[ -s inverter.wasm ]]
