# The artifact exists two directories deep and is a WebAssembly module.
[[ -s out/deep/w.wasm ]] || exit 1
[[ $(head -c 4 out/deep/w.wasm | od -An -tx1 | tr -d ' \n') == 0061736d ]] || exit 1
# No temporary files are left beside it.
[[ $(ls -A out/deep) == w.wasm ]]
