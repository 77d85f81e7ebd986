#!/usr/bin/env bash
# Regenerates the seed files under fuzz/corpus/ from the project's own writers:
# the tests' image writers and small saved trees (fuzz_corpus_writer), games
# built and packed by qazmir-tool, a font archive made from DejaVu Sans.
# The hand-written script seeds stay as they are.
#
#   fuzz/make_corpus.sh BUILD_DIR     (a build configured with -DQZ_FUZZ=ON)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?usage: fuzz/make_corpus.sh BUILD_DIR}
out=$root/fuzz/corpus
cmake --build "$build" --target fuzz_corpus_writer qazmir-tool
tool=$build/bin/qazmir-tool

"$build/bin/fuzz_corpus_writer" "$out"

mkdir -p "$out/game_file_fuzz" "$out/pack_fuzz" "$out/font_archive_fuzz"
for game in hello allclasses; do
  "$tool" build "$root/tests/fixtures/games/$game/scene.json" -o "$out/game_file_fuzz/$game.qzf"
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/pack/sounds" "$tmp/pack/fx"
printf '2\r\n1\r\n' >"$tmp/pack/man.an"
printf '[Default]\r\nTitle=Packed\r\n' >"$tmp/pack/eng.lng"
cp "$out/effect_file_fuzz/sparks.eff" "$tmp/pack/fx/"
cp "$out/bmp_decoder_fuzz/pal8.bmp" "$tmp/pack/sounds/not_a_sound.bmp"
"$tool" pack "$tmp/pack" -o "$out/pack_fuzz/small.qst"

"$tool" font /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf --size 5 --name Tiny \
  -o "$out/font_archive_fuzz/tiny.fnt"
