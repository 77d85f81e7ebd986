#!/usr/bin/env bash
# `make install DESTDIR=...` installs a working tree: the programs run from
# there, and the manual pages, the desktop entries, the game file type, the
# icons and the demo game are in place.
set -euo pipefail
build=$1
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR="$stage" cmake --install "$build" --prefix /usr/local > /dev/null
root="$stage/usr/local"
hicolor=share/icons/hicolor
for f in bin/qazmir bin/qazmir-tool share/man/man1/qazmir.1 share/man/man1/qazmir-tool.1 \
         share/applications/qazmir.desktop share/applications/qazmir-keeperslight.desktop \
         share/mime/packages/qazmir.xml share/games/qazmir/keeperslight/keeperslight.qzf \
         $hicolor/scalable/apps/qazmir.svg $hicolor/scalable/apps/qazmir-keeperslight.svg \
         $hicolor/scalable/mimetypes/application-x-qazmir-game.svg \
         $hicolor/{48x48,128x128,256x256}/{apps/qazmir,apps/qazmir-keeperslight,mimetypes/application-x-qazmir-game}.png; do
  [ -e "$root/$f" ] || { echo "missing $f"; exit 1; }
done
"$root/bin/qazmir" --version | grep -q "qazmir" || { echo "qazmir --version failed"; exit 1; }
"$root/bin/qazmir-tool" --help > /dev/null || { echo "qazmir-tool --help failed"; exit 1; }
grep -qx 'Exec=qazmir %f' "$root/share/applications/qazmir.desktop"
grep -qx 'MimeType=application/x-qazmir-game;' "$root/share/applications/qazmir.desktop"
# The demo's entry names the game's folder under the prefix it was installed to.
grep -qx 'Exec=qazmir "/usr/local/share/games/qazmir/keeperslight"' \
  "$root/share/applications/qazmir-keeperslight.desktop"
echo "installed into $root"
