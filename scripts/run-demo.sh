#!/usr/bin/env bash
# Plays the demo game. Until the player and the demo exist this shows the
# scene tree of the fixture game through the tool.
set -euo pipefail
build=${1:-build}
tool="$build/bin/qazmir-tool"
fixture=tests/fixtures/games/hello/scene.json
out="$build/demo-preview"
mkdir -p "$out"
"$tool" build "$fixture" -o "$out/hello.qzf"
echo "Built $out/hello.qzf; its scene tree:"
"$tool" dump "$out/hello.qzf"
