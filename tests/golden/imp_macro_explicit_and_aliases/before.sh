# A second way to reach lib/half.vorn: both imports must bind one file.
ln -sfn lib link
