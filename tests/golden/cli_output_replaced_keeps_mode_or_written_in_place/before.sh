# A private output file from an earlier run, and a writable file in a folder
# where no new file may be created.
umask 022
mkdir kept sealed
printf 'old\n' > kept/private.zig
chmod 600 kept/private.zig
printf 'old\n' > sealed/open.zig
chmod 666 sealed/open.zig
chmod 555 sealed
