#!/usr/bin/env bash
# Sessions recorded in a real window replay exactly when played headless.
#  1. The demo played with real X pointer and key events (a menu entry, a
#     name with a Latin-1 letter, Alt+Enter, a click in full screen, a save,
#     F12): the replay ends in the same save, byte for byte, and draws the
#     same frame as the window's own F12 screenshot.
#  2. A game that keeps the wall clock's readings replays to the same save.
#  3. A recording cut by SIGKILL replays up to its last line.
# Runs under xvfb-run (the outer call below) with a 1280 x 1024 screen.
set -euo pipefail
bin=$1
demo=$2
fixtures=$3
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
[ -f "$demo/keeperslight.qzf" ] || { echo "no demo built in $demo; skipped"; exit 0; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy

# Replays $1 headless for $2 passes on a fresh copy of game folder $3 into $4.
replay() {
  local rec=$1 passes=$2 game=$3 out=$4
  shift 4
  mkdir -p "$out"
  cp -r "$game" "$out/game"
  SDL_VIDEODRIVER=dummy "$bin/qazmir" --headless --input "$rec" --steps "$passes" \
    --user-dir "$out/users" "$@" "$out/game"
}
frames() { awk '/^frames/ {print $2}' "$1"; }

# ---- 1. the demo -----------------------------------------------------------------------
mkdir -p "$work/win"
cp -r "$demo" "$work/win/game"
"$bin/qazmir" --windowed --stats --record "$work/demo.rec" --user-dir "$work/win/users" \
  "$work/win/game" > "$work/win/stats" &
pid=$!
win=$(xdotool search --sync --name "Keeper" | head -1)
# Logical (x, y) in the full-screen picture: 1024 x 768 scaled by 1.25, 32 pixels of bar on top.
full() { echo $(( $1 * 5 / 4 )) $(( 32 + $2 * 5 / 4 )); }
# Presses while a logo shows make it fade out; on the title, (10, 10) is bare.
xdotool mousemove --window "$win" 10 10
for _ in $(seq 12); do sleep 0.4; xdotool click 1; done
sleep 3
xdotool mousemove --window "$win" 280 280; sleep 0.5; xdotool click 1   # New game
sleep 2.5; xdotool type --delay 200 "Adé"; sleep 0.5; xdotool key Return
sleep 2.5; xdotool key alt+Return                    # full screen
sleep 3; xdotool mousemove $(full 672 400); sleep 0.5; xdotool click 1  # the matches
sleep 2; xdotool mousemove $(full 954 718); sleep 0.5; xdotool click 1  # Menu: save
sleep 2.5; xdotool key F12
sleep 1; kill -TERM "$pid"; wait "$pid"
saved="$work/win/users/Qazmir/KeepersLight"
grep -q 'Ad?' "$saved/save.dat" || { echo "the window session saved no game signed Ad?"; exit 1; }
f12=$(awk '$2 == "key" && $3 == 123 {print $1; exit}' "$work/demo.rec")
[ -n "$f12" ] || { echo "no F12 in the recording"; exit 1; }
# F12 before the frame of pass P saves the frame drawn in pass P - 1.
replay "$work/demo.rec" "$(frames "$work/win/stats")" "$demo" "$work/demo-replay" \
  --screenshot "$((f12 - 2)):$work/demo-replay/frame.png"
cmp "$saved/save.dat" "$work/demo-replay/users/Qazmir/KeepersLight/save.dat"
cmp "$saved/keeperslight-0001.png" "$work/demo-replay/frame.png"
[ ! -e "$work/demo-replay/users/Qazmir/KeepersLight/keeperslight-0001.png" ] ||
  { echo "the replay wrote an F12 screenshot"; exit 1; }

# ---- 2. the wall clock ----------------------------------------------------------------------
mkdir -p "$work/clock/game"
"$bin/qazmir-tool" build "$fixtures/games/wallclock/scene.json" -o "$work/clock/game/wall.qzf"
"$bin/qazmir" --windowed --steps 70 --stats --record "$work/clock.rec" \
  --user-dir "$work/clock/users" "$work/clock/game" > "$work/clock/stats"
grep -q ' clock ' "$work/clock.rec" || { echo "no clock readings recorded"; exit 1; }
replay "$work/clock.rec" "$(frames "$work/clock/stats")" "$work/clock/game" "$work/clock-replay"
cmp "$work/clock/users/Qazmir/Wall/save.dat" "$work/clock-replay/users/Qazmir/Wall/save.dat"

# ---- 3. a recording cut by SIGKILL --------------------------------------------------------
"$bin/qazmir" --windowed --record "$work/cut.rec" --user-dir "$work/cut-users" "$work/clock/game" &
pid=$!
xdotool search --sync --name "Wall" > /dev/null
sleep 2; xdotool key a; sleep 1
kill -KILL "$pid"; wait "$pid" || true
last=$(awk '$1 ~ /^[0-9]+$/ {p = $1} END {print p}' "$work/cut.rec")
[ -n "$last" ] || { echo "the cut recording holds no pass"; exit 1; }
replay "$work/cut.rec" "$last" "$work/clock/game" "$work/cut-replay"
echo "sessions replayed: demo to pass $(frames "$work/win/stats"), cut recording to pass $last"
