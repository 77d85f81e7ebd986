#!/usr/bin/env bash
# `make install DESTDIR=...` installs a working tree: the programs run from
# there, and the manual pages and the desktop entry are in place.
set -euo pipefail
build=$1
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR="$stage" cmake --install "$build" --prefix /usr/local > /dev/null
root="$stage/usr/local"
for f in bin/qazmir bin/qazmir-tool share/man/man1/qazmir.1 share/man/man1/qazmir-tool.1 \
         share/applications/qazmir.desktop; do
  [ -e "$root/$f" ] || { echo "missing $f"; exit 1; }
done
"$root/bin/qazmir" --version | grep -q "qazmir" || { echo "qazmir --version failed"; exit 1; }
"$root/bin/qazmir-tool" --help > /dev/null || { echo "qazmir-tool --help failed"; exit 1; }
grep -q '^Exec=qazmir %f' "$root/share/applications/qazmir.desktop"
echo "installed into $root"
