# The table under "replay:" fails on the student's circuit and passes on the solution.
sed -n '/^replay:$/,$p' .actual_stdout | tail -n +2 > replay.md
"$VORN_COMPILE" student.vorn --test replay.md 2>/dev/null && { echo "replay passed on the circuit"; exit 1; }
"$VORN_COMPILE" solution.vorn --test replay.md 2>/dev/null || { echo "replay failed on the reference"; exit 1; }
exit 0
