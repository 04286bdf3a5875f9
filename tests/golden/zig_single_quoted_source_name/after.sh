# The source name is the last path component, quoted with its double quote escaped.
cmp expected_inverter.zig inverter.zig
