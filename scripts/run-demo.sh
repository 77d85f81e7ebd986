#!/usr/bin/env bash
# Plays the demo game "The Keeper's Light", built into BUILD/demo by the build.
# With a display ($DISPLAY or $WAYLAND_DISPLAY) it opens a window. Without
# one it plays the scripted walkthrough (demo/walkthrough.txt) headless from
# the intro to the end, writes screenshots into BUILD/demo-run/ and says where.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-build}")
player="$build/bin/qazmir"
game="$build/demo"

if [[ ! -x $player || ! -f $game/keeperslight.qzf ]]; then
  echo "run-demo: $game is not built yet; run 'make build' first" >&2
  exit 1
fi

if [[ -n ${DISPLAY:-} || -n ${WAYLAND_DISPLAY:-} ]]; then
  echo "Playing $game in a window (Alt+Enter: full screen, F12: screenshot)."
  exec "$player" --windowed "$game"
fi

# Headless: the walkthrough, with its own per-user folder so that the
# player's own saved game and settings stay untouched.
out="$build/demo-run"
rm -rf "$out"
mkdir -p "$out/user"
shots=()
for shot in 100:01-title 145:02-letter 200:03-cottage 340:04-shore 470:05-settings \
            530:06-continued 720:07-lamp-lit 860:08-ending; do
  shots+=(--screenshot "${shot%%:*}:$out/${shot#*:}.png")
done
SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy "$player" --headless --seed 1 --steps 2000 --stats \
  --user-dir "$out/user" --input "$root/demo/walkthrough.txt" "${shots[@]}" "$game" \
  > "$out/stats.txt"
passes=$(awk '$1 == "steps" { print $2 }' "$out/stats.txt")
echo "No display: played the demo headless through demo/walkthrough.txt ($passes passes," \
     "about $((passes / 30)) seconds of game time)."
echo "Screenshots are in $out:"
for f in "$out"/*.png; do echo "  $f"; done
echo "The saved game is $out/user/Qazmir/KeepersLight/save.dat" \
     "(see it with: $build/bin/qazmir-tool state <file>)."
