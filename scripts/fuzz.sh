#!/usr/bin/env bash
# Runs every fuzz target for SECONDS seconds on a copy of its seed corpus and
# fails when any target finds a crash, a leak, a timeout or runs out of memory.
#
#   scripts/fuzz.sh SECONDS [TARGET...]
#
# Installs the fuzzing toolchain when it is missing (install-deps.sh --fuzz),
# configures a clang build with -DQZ_FUZZ=ON in $QZ_FUZZ_BUILD (default
# build-fuzz), builds fuzz_all and runs the targets one after another. Inputs
# that fail are kept as <build>/fuzz-run/<target>/crash-* (or leak-, timeout-,
# oom-); the log of each target is <build>/fuzz-run/<target>.log. The BMP
# decoder also reads every file of ../shared/testdata/bmpsuite when present.
set -euo pipefail

seconds=${1:-}
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -eq 0 ]; then
  echo "usage: scripts/fuzz.sh SECONDS [TARGET...]" >&2
  exit 2
fi
shift
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QZ_FUZZ_BUILD:-$root/build-fuzz}
case "$build" in /*) ;; *) build=$root/$build ;; esac

"$root/scripts/install-deps.sh" --fuzz
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQZ_FUZZ=ON \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" --target fuzz_all

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for dir in "$root"/fuzz/corpus/*/; do targets+=("$(basename "$dir")"); done
fi

# Every target has a seed folder; a target without one would fuzz from nothing.
for t in "${targets[@]}"; do
  if [ ! -x "$build/bin/$t" ] || [ ! -d "$root/fuzz/corpus/$t" ]; then
    echo "fuzz: unknown target $t (no binary or no fuzz/corpus/$t)" >&2
    exit 2
  fi
done

symbolizer=$(command -v llvm-symbolizer || command -v llvm-symbolizer-14 || true)
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:symbolize=1${symbolizer:+:external_symbolizer_path=$symbolizer}"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy TZ=UTC

# A single input may take this long before it counts as a hang.
timeout=25
run=$build/fuzz-run
mkdir -p "$run"
failed=()
summary=()
for t in "${targets[@]}"; do
  work=$run/$t
  rm -rf "$work"
  mkdir -p "$work/corpus"
  cp -r "$root/fuzz/corpus/$t/." "$work/corpus/"
  if [ "$t" = bmp_decoder_fuzz ]; then
    for sub in g q b; do
      suite=$root/../shared/testdata/bmpsuite/$sub
      [ -d "$suite" ] && find "$suite" -maxdepth 1 -type f -iname '*.bmp' -exec cp {} "$work/corpus/" \;
    done
  fi
  args=("$work/corpus" -max_total_time="$seconds" -timeout="$timeout" -rss_limit_mb=2048
        -detect_leaks=1 -print_final_stats=1 -close_fd_mask=3 -artifact_prefix="$work/")
  case "$t" in
    script_fuzz | scene_script_fuzz) args+=(-dict="$root/fuzz/dict/script.dict" -max_len=4096) ;;
  esac
  echo "fuzz: $t for ${seconds}s"
  status=0
  "$build/bin/$t" "${args[@]}" >"$run/$t.log" 2>&1 || status=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$run/$t.log" | tail -n 1)
  if [ "$status" -ne 0 ]; then
    failed+=("$t")
    summary+=("$(printf '%-22s FAILED (exit %s, %s executions)' "$t" "$status" "${execs:-?}")")
    tail -n 40 "$run/$t.log" >&2
  else
    summary+=("$(printf '%-22s ok, %s executions' "$t" "${execs:-?}")")
  fi
done

printf '%s\n' "${summary[@]}"
if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzz: failures in ${failed[*]}; inputs under $run/<target>/" >&2
  exit 1
fi
