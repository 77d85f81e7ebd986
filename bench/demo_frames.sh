#!/bin/sh
# Steps per second of CPU time in the demo's scenes, headless (goal: at least
# 300, ten times real time, in the busiest scene).
#
#   bench/demo_frames.sh PLAYER GAME_FOLDER WALKTHROUGH
#
# For each point of the walkthrough below, the player replays the walkthrough
# up to that pass and then stays in the scene it reached for WINDOW more
# passes. A second run stops at the point itself; the difference of the two
# runs' CPU time (--stats) is what the WINDOW passes in that scene cost, with
# start-up and the way there taken out. The busiest scene gives the summary:
# ratio = (CPU time per step) / (1/300 s), met when at most 1.
set -eu
player=$1 game=$2 walkthrough=$3
window=${WINDOW:-600}
rounds=${ROUNDS:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# pass:scene
points="140:title 250:cottage 330:shore 450:settings 560:lighthouse 700:ending"

cpu() {  # cpu PASSES INPUT
  rm -rf "$work/users"
  "$player" --headless --stats --seed 1 --steps "$1" --input "$2" --user-dir "$work/users" "$game" |
    sed -n 's/^cpu \(.*\) s$/\1/p'
}

worst=""
worst_scene=""
for point in $points; do
  pass=${point%%:*} scene=${point#*:}
  awk -v p="$pass" '/^#/ || NF == 0 { next } $1 < p' "$walkthrough" > "$work/input.txt"
  # The median of a few rounds: other work on the machine adds CPU time too.
  rate=$(for r in $(seq "$rounds"); do
           before=$(cpu "$pass" "$work/input.txt")
           after=$(cpu $((pass + window)) "$work/input.txt")
           echo "$before $after" | awk -v w="$window" '{ d = $2 - $1; print (d > 0 ? w / d : 0) }'
         done | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
  printf '%-26s %5.0f steps per CPU second (%s passes from pass %s)\n' "demo $scene" "$rate" "$window" "$pass"
  if [ -z "$worst" ] || awk -v a="$rate" -v b="$worst" 'BEGIN { exit !(a < b) }'; then
    worst=$rate worst_scene=$scene
  fi
done
ratio=$(awk -v r="$worst" 'BEGIN { printf "%.2f", (r > 0 ? 300 / r : 99) }')
verdict=$(awk -v x="$ratio" 'BEGIN { print (x <= 1 ? "met" : "not met") }')
echo "busiest scene: $worst_scene"
echo "BENCH demo_steps ratio=$ratio target=1 $verdict"
