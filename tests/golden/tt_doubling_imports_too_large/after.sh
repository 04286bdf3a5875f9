# Compiling and emitting Zig refuse the same project before using much memory.
set -u
"$VORN_COMPILE" f0.vorn -o out.wasm 2> wasm.err; [[ $? == 1 && $(cat wasm.err) == "topology serialization failed: CircuitTooLarge" && ! -e out.wasm ]] || exit 1
"$VORN_COMPILE" f0.vorn --emit-zig -o out.zig 2> zig.err; [[ $? == 1 && $(cat zig.err) == "emission failed: CircuitTooLarge" && ! -e out.zig ]] || exit 1
"$VORN_COMPILE" f0.vorn --preview > /dev/null 2> preview.err; [[ $? == 1 && $(cat preview.err) == "topology build failed: CircuitTooLarge" ]]
