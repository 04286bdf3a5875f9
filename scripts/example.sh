#!/usr/bin/env bash
# Builds the release compiler and runs it on the bundled adders.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/ensure-tools.sh example
# Only the compiler: no tests, no language server, no WASI build of the
# compiler (each needs tools the example does not). A build folder of its own,
# so that build/release keeps every part on.
cmake -S . -B build/example -DCMAKE_BUILD_TYPE=Release -DVORN_TESTS=OFF -DVORN_LSP=OFF -DVORN_WASI=OFF >/dev/null
cmake --build build/example -j"$(nproc)" --target vorn-compile
compiler=build/example/vorn-compile

echo "== schematic"
"$compiler" examples/half_adder.vorn --preview
echo "== truth table (simulation trace hidden)"
"$compiler" examples/half_adder.vorn --truth-table 2>/dev/null
echo "== WebAssembly artifact of the full adder, run under Node.js"
"$compiler" examples/full_adder.vorn -o build/example/full_adder.wasm
node examples/run-artifact.mjs build/example/full_adder.wasm
