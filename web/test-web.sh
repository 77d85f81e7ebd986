#!/usr/bin/env bash
# make test-web: the web player against the native one, on the demo.
#  1. node: qazmir-node plays the walkthrough headless from the in-memory file
#     system; its frames of the cottage (100), the lit lamp (720) and the
#     ending (860) and its save are the native player's.
#  2. Chromium under a virtual clock (--virtual-time-budget, --screenshot,
#     --dump-dom): the page loads the demo served beside it and runs it on
#     its timer callbacks; the title at pass 150 is the native one, and a
#     screenshot of the whole page shows the title scaled to it.
#  3. Chromium in real time: the walkthrough replayed by the page's test mode
#     reaches the lamp room and the ending; the frames of passes 720 and 860,
#     the player's own and the canvas's, match the native ones; the screen
#     switches yielded to the browser (Asyncify) at least once.
#  4. Chromium in real time, one browser profile twice: a session paced by
#     animation frames, as in play, saves the
#     game; a new page in the same profile finds the save in its per-user
#     folder (IndexedDB), continues it and shows what the native player shows.
# The site is served from 127.0.0.1 by web/test_server.py. Prints the
# figures: times, the player's size, the first frame, steps per second.
#   web/test-web.sh WEB_BUILD NATIVE_BUILD
set -euo pipefail
web_build=$(cd "${1:?usage: test-web.sh WEB_BUILD NATIVE_BUILD}" && pwd)
build=$(cd "${2:?usage: test-web.sh WEB_BUILD NATIVE_BUILD}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
site=$web_build/site
demo=$build/demo
out=$web_build/test-web
walk=$root/demo/walkthrough.txt
export TZ=UTC SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs} NODE_OPTIONS=${NODE_OPTIONS:---no-experimental-fetch}

for f in "$site/index.html" "$site/keeperslight/qazmir-files.txt" "$web_build/bin/qazmir-node.js" \
         "$build/bin/qazmir" "$demo/keeperslight.qzf"; do
  [ -e "$f" ] || { echo "test-web: $f is missing (make web builds it)" >&2; exit 1; }
done
rm -rf "$out"
mkdir -p "$out/native" "$out/node" "$out/sessions" "$out/reports" "$out/pictures"
server_pid=
cleanup() {
  [ -z "$server_pid" ] || kill "$server_pid" 2>/dev/null || true
  rm -rf "$out/games" "$out/profiles"
}
trap cleanup EXIT
failures=0
fail() { echo "test-web: FAILED: $*"; failures=$((failures + 1)); }
now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }'; }
check() { python3 "$here/check_report.py" "$@"; }

# A fresh copy of the demo for each run: players write their log beside the game.
fresh_game() {
  rm -rf "$out/games/$1"
  mkdir -p "$out/games"
  cp -r "$demo" "$out/games/$1"
  echo "$out/games/$1"
}
native() {
  local users=$1
  shift
  "$build/bin/qazmir" --headless --seed 1 --user-dir "$users" "$@"
}

# The sessions: the walkthrough; its first part, up to the save made from
# the menu on the shore; and a new start that continues the saved game.
cp "$walk" "$out/sessions/walkthrough.txt"
awk '$1 ~ /^[0-9]+$/ && $1 > 380 { exit } { print }' "$walk" > "$out/sessions/save.rec"
echo "390 move 954 718" >> "$out/sessions/save.rec"
cat > "$out/sessions/continue.rec" <<'REC'
# Both intro logos clicked away, then Continue on the title.
30 down 512 384
31 up 512 384
75 down 512 384
76 up 512 384
110 move 280 350
115 down 280 350
116 up 280 350
170 move 600 300
REC
shots_walk="100 720 860"

# ---- the native player's pictures -----------------------------------------------------
t=$(now)
args=()
for s in $shots_walk; do args+=(--screenshot "$s:$out/native/walk-$s.png"); done
native "$out/native/walk-users" --input "$walk" --steps 2000 --stats "${args[@]}" \
  "$(fresh_game native-walk)" > "$out/native/walk-stats"
native_walk_seconds=$(since "$t")
native "$out/native/title-users" --steps 600 --screenshot "150:$out/native/title-150.png" \
  --screenshot "580:$out/native/title-580.png" "$(fresh_game native-title)" > /dev/null
native "$out/native/save-users" --input "$out/sessions/save.rec" --steps 390 "$(fresh_game native-save)" > /dev/null
cp "$out/native/save-users/Qazmir/KeepersLight/save.dat" "$out/native/save.dat"
native "$out/native/save-users" --input "$out/sessions/continue.rec" --steps 180 \
  --screenshot "150:$out/native/continue-150.png" "$(fresh_game native-continue)" > /dev/null
# The game saves again as it continues.
cp "$out/native/save-users/Qazmir/KeepersLight/save.dat" "$out/native/continue-save.dat"
native_steps=$(awk '/^steps/ {print $2}' "$out/native/walk-stats")
echo "native: the walkthrough, $native_steps steps in $native_walk_seconds s"

# ---- 1. node ----------------------------------------------------------------------------
t=$(now)
args=()
for s in $shots_walk; do args+=(--screenshot "$s:/host$out/node/walk-$s.png"); done
QZ_NODE_GAME=$demo QZ_NODE_SAVE_FROM=/users QZ_NODE_SAVE_TO=$out/node/users \
  node "$web_build/bin/qazmir-node.js" --headless --seed 1 --user-dir /users \
  --input "/host$walk" --steps 2000 --stats "${args[@]}" /game > "$out/node/walk-stats" ||
  fail "node: the walkthrough ended with status $?"
node_seconds=$(since "$t")
node_steps=$(awk '/^steps/ {print $2}' "$out/node/walk-stats")
[ "$node_steps" = "$native_steps" ] || fail "node ran $node_steps steps, native $native_steps"
for s in $shots_walk; do
  echo -n "node, pass $s: "
  check compare "$out/node/walk-$s.png" "$out/native/walk-$s.png" || fail "node frame $s"
done
cmp "$out/node/users/Qazmir/KeepersLight/save.dat" "$out/native/walk-users/Qazmir/KeepersLight/save.dat" ||
  fail "node's save differs from the native one"
echo "node: the walkthrough, $node_steps steps in $node_seconds s"

# ---- the server -------------------------------------------------------------------------
python3 "$here/test_server.py" "$site" "$out/sessions" "$out/reports" "$out/port" \
  2> "$out/server.log" &
server_pid=$!
for _ in $(seq 100); do [ -s "$out/port" ] && break; sleep 0.1; done
[ -s "$out/port" ] || { echo "test-web: the server did not start" >&2; cat "$out/server.log"; exit 1; }
base="http://127.0.0.1:$(cat "$out/port")"

# Chromium from Debian's package, headless, its own switches only; each run
# gets the profile named by $1 (created when missing).
chrome() {
  local profile=$out/profiles/$1
  shift
  mkdir -p "$profile"
  timeout 900 chromium --headless --no-sandbox --disable-gpu --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync --disable-quic \
    --user-data-dir="$profile" --window-size=1280,1024 "$@" 2> "$out/chromium-$(basename "$profile").log"
}
# The test page: the demo served beside it, replaying a session.
page() { echo "$base/?game=keeperslight/&test=1&seed=1&$1"; }

# ---- 2. virtual clock -------------------------------------------------------------------
t=$(now)
# The page as a person opens it (on timer callbacks: animation frames stall
# under a virtual clock), left to run through the intro to the title.
chrome virtual --virtual-time-budget=20000 --screenshot="$out/pictures/page.png" \
  "$base/?game=keeperslight/&callbacks=timer&store=memory" > /dev/null || true
check page "$out/pictures/page.png" --native "$out/native/title-580.png" || fail "the page under a virtual clock"
chrome virtual-dom --virtual-time-budget=120000 --dump-dom \
  "$(page "shot=150&steps=170&store=memory&callbacks=timer")" > "$out/reports/title.html" || true
check report "$out/reports/title.html" --shot "150=$out/native/title-150.png" \
  --save-dir "$out/pictures" || fail "the title under a virtual clock"
echo "chromium, virtual clock: $(since "$t") s"

# ---- 3. the walkthrough in real time ----------------------------------------------------
t=$(now)
chrome walk --dump-dom "$(page "input=/__test/walkthrough.txt&shot=100,720,860&steps=2000&store=memory&report=/__report/walk.json&hold=/__hold/walk.json")" \
  > "$out/reports/walk.html" || true
shotargs=()
for s in $shots_walk; do shotargs+=(--shot "$s=$out/native/walk-$s.png"); done
check report "$out/reports/walk.json" "${shotargs[@]}" --save-dir "$out/pictures" \
  --user-file "/userdata/Qazmir/KeepersLight/save.dat=$out/native/walk-users/Qazmir/KeepersLight/save.dat" \
  --figures "$out/reports/walk-figures.json" --min-yields 1 || fail "the walkthrough in Chromium"
echo "chromium, the walkthrough: $(since "$t") s"

# ---- 4. a save that survives a reload ---------------------------------------------------
t=$(now)
# Paced as in play (animation frames, 30 passes a second).
chrome saving --dump-dom "$(page "input=/__test/save.rec&steps=390&store=idb&callbacks=animation&report=/__report/save.json&hold=/__hold/save.json")" \
  > /dev/null || true
check report "$out/reports/save.json" --figures "$out/reports/save-figures.json" \
  --user-file "/userdata/Qazmir/KeepersLight/save.dat=$out/native/save.dat" || fail "saving in Chromium"
chrome saving --dump-dom "$(page "input=/__test/continue.rec&shot=150&steps=180&store=idb&report=/__report/continue.json&hold=/__hold/continue.json")" \
  > /dev/null || true
check report "$out/reports/continue.json" --shot "150=$out/native/continue-150.png" --save-dir "$out/pictures" \
  --user-file "/userdata/Qazmir/KeepersLight/save.dat=$out/native/continue-save.dat" || fail "the save after a reload"
echo "chromium, save and reload: $(since "$t") s"

# ---- figures ----------------------------------------------------------------------------
wasm=$web_build/bin/qazmir-web.wasm
echo "figures:"
echo "  qazmir-web.wasm: $(stat -c %s "$wasm") bytes, $(gzip -9 -c "$wasm" | wc -c) gzipped;" \
  "qazmir-web.js: $(stat -c %s "$web_build/bin/qazmir-web.js") bytes"
python3 - "$out/reports/walk-figures.json" "$native_steps" "$native_walk_seconds" "$node_seconds" <<'PY'
import json, sys
f = json.load(open(sys.argv[1]))
steps, native_s, node_s = float(sys.argv[2]), float(sys.argv[3]), float(sys.argv[4])
print("  first frame of the demo in Chromium: %.0f ms after the page was asked for" % f.get("firstFrameMs", -1))
print("  steps per second, walkthrough replayed flat out: native headless %.0f, node %.0f, Chromium %.0f"
      % (steps / native_s, steps / node_s, f.get("stepsPerSecond", 0)))
PY
python3 -c 'import json, sys; f = json.load(open(sys.argv[1])); print("  steps per second in play (animation frames): %.1f" % f.get("stepsPerSecond", 0))' \
  "$out/reports/save-figures.json"
if [ "$failures" -ne 0 ]; then
  echo "test-web: $failures check(s) failed; pictures and reports are in $out"
  exit 1
fi
echo "test-web: all checks passed; pictures and reports are in $out"
