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

# A script's full-screen request in a real window: remembered in the settings,
# but a test run keeps its window and the flag reads 0; a normal run obeys.
mkdir -p "$work/tm"
"$bin/qazmir-tool" build "$fixtures/games/testmode/scene.json" -o "$work/tm/testmode.qzf"
for mode in test normal; do
  rm -rf "$work/users-$mode"
  args=(--steps 8 --seed 1 --console --user-dir "$work/users-$mode" "$work/tm")
  [ "$mode" = test ] && args=(/TESTMODE "${args[@]}")
  out=$(xvfb-run -a -s "-screen 0 1280x1024x24" "$bin/qazmir" "${args[@]}")
  want=1; [ "$mode" = test ] && want=0
  echo "$out" | grep -qx "FULLSCREEN $want" || { echo "$mode run printed: $out"; exit 1; }
  grep -q '^FS=1' "$work/users-$mode/Qazmir/TestMode/set.ini" || { echo "$mode run: FS=1 not written"; exit 1; }
done
