# Nothing is written when the option is refused.
! test -e w.vcd
