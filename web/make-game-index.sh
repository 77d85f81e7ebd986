#!/usr/bin/env bash
# Writes GAME_DIR/qazmir-files.txt, the list of a game folder's files that
# the web page reads to load a game served beside it (?game=GAME_DIR/): one
# "size<TAB>path" line per regular file, paths relative to the folder with
# "/" separators, in byte order. Links and the list itself are left out.
#   web/make-game-index.sh GAME_DIR
set -euo pipefail
dir=${1:?usage: make-game-index.sh GAME_DIR}
[ -d "$dir" ] || { echo "make-game-index: $dir is not a folder" >&2; exit 2; }
{
  echo "# qazmir game files: size<TAB>path"
  (cd "$dir" && find . -type f ! -path ./qazmir-files.txt ! -path ./qazmir-files.txt.tmp ! -name $'*\n*' ! -name $'*\t*' -printf '%s\t%P\n' | LC_ALL=C sort -t $'\t' -k2)
} > "$dir/qazmir-files.txt.tmp"
mv "$dir/qazmir-files.txt.tmp" "$dir/qazmir-files.txt"
