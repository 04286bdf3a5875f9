# Scan errors stop the run before any back end.
[[ ! -e out.wasm ]]
