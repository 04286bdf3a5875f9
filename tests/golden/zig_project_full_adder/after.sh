# The written source must match the expected text byte for byte.
cmp expected_full_adder.zig full_adder.zig
