#!/usr/bin/env bash
# Writes WEB_BUILD/site/: the page, the player (qazmir-web.js and .wasm) and
# the demo in keeperslight/ with its list of files, ready to copy to any
# static web server. qazmir-games.txt lists the games served beside the
# page ("folder/<TAB>title" lines), which the page offers to play.
#   web/make-site.sh WEB_BUILD DEMO_DIR
set -euo pipefail
web_build=${1:?usage: make-site.sh WEB_BUILD DEMO_DIR}
demo=${2:?usage: make-site.sh WEB_BUILD DEMO_DIR}
here=$(cd "$(dirname "$0")" && pwd)
site=$web_build/site
for f in "$web_build/bin/qazmir-web.js" "$web_build/bin/qazmir-web.wasm" "$demo/keeperslight.qzf"; do
  [ -f "$f" ] || { echo "make-site: $f is missing" >&2; exit 1; }
done
rm -rf "$site.tmp"
mkdir -p "$site.tmp"
cp "$here"/site/index.html "$here"/site/qazmir-page.js "$here"/site/qazmir-page.css "$site.tmp/"
cp "$web_build/bin/qazmir-web.js" "$web_build/bin/qazmir-web.wasm" "$site.tmp/"
cp -r "$demo" "$site.tmp/keeperslight"
# What a player writes into the game folder (its log) is no part of the game.
rm -f "$site.tmp/keeperslight/qazmir.err"
"$here/make-game-index.sh" "$site.tmp/keeperslight"
printf 'keeperslight/\tThe Keeper\x27s Light (the demo)\n' > "$site.tmp/qazmir-games.txt"
rm -rf "$site"
mv "$site.tmp" "$site"
echo "make-site: $site"
