# The written Verilog must match the expected text byte for byte.
cmp expected_full_adder.v out/full_adder.v
