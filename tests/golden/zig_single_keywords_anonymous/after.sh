# The written source must match the expected text byte for byte.
cmp expected_gates.zig gates.zig
