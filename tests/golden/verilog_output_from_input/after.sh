cmp expected_pins.v pins.v || exit 1
# Under -Werror the same warning stops the run before anything is written.
"$VORN_COMPILE" pins.vorn --emit-verilog -Werror -o strict.v 2>/dev/null
[[ $? == 1 && ! -e strict.v ]]
