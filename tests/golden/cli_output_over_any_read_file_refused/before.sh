# Pristine copies to compare with, and other names of the imported files.
mkdir pristine
cp full_adder.vorn lib/half_adder.vorn lib/and_gate.vorn pristine/
ln -s lib/half_adder.vorn link_to_half.vorn
ln lib/and_gate.vorn hard_link_to_gate.vorn
