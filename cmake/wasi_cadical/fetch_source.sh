#!/usr/bin/env bash
# Fetches Debian's source package of CaDiCaL (the version the machine's
# libcadical-dev comes from) and unpacks it as DEST/src, DEST/LICENSE, ...
# apt runs with a private source list and package lists under DEST's parent,
# so the machine's apt configuration is left as it is.
#   fetch_source.sh DEST
set -euo pipefail
dest=$1
[[ -f $dest/src/cadical.hpp ]] && exit 0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. /etc/os-release
mkdir -p "$work/lists/partial"
echo "deb-src http://deb.debian.org/debian ${VERSION_CODENAME:?} main" > "$work/sources.list"
apt_options=(-o "Dir::Etc::SourceList=$work/sources.list" -o Dir::Etc::SourceParts=/dev/null
  -o "Dir::State::Lists=$work/lists" -o Debug::NoLocking=1 -qq)
timeout 120 apt-get "${apt_options[@]}" update >/dev/null 2>&1
(cd "$work" && timeout 120 apt-get "${apt_options[@]}" source --download-only cadical >/dev/null 2>&1)
archive=$(compgen -G "$work/cadical_*.orig.tar.*" | head -n 1)
mkdir -p "$work/unpacked"
tar -xf "$archive" -C "$work/unpacked" --strip-components=1
[[ -f $work/unpacked/src/cadical.hpp && -f $work/unpacked/LICENSE ]]
rm -rf "$dest"
mkdir -p "$(dirname "$dest")"
mv "$work/unpacked" "$dest"
