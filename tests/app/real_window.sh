#!/usr/bin/env bash
# Plays a small game in a real SDL window under Xvfb for a fixed number of
# logic steps and checks that the player drew frames and closed cleanly.
set -euo pipefail
bin=$1
fixtures=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$bin/qazmir-tool" build "$fixtures/games/hello/scene.json" -o "$work/hello.qzf"
out=$(xvfb-run -a -s "-screen 0 1280x1024x24" \
  "$bin/qazmir" --windowed --steps 20 --seed 1 --stats --user-dir "$work/users" "$work")
echo "$out"
frames=$(echo "$out" | awk '/^frames/ {print $2}')
steps=$(echo "$out" | awk '/^steps/ {print $2}')
[ "${frames:-0}" -ge 1 ] || { echo "no frames drawn"; exit 1; }
[ "${steps:-0}" -ge 20 ] || { echo "only ${steps:-0} steps"; exit 1; }
