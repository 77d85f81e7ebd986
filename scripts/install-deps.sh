#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the benchmarks need.
# Idempotent: packages already present are left alone, and apt-get update runs
# only when something is missing.
#   --fuzz     also the fuzzing toolchain (clang with its fuzzer and sanitizer
#              runtimes, llvm-symbolizer), which only scripts/fuzz.sh needs
#   --package  also lintian, which only `make test-package` runs
#   --web      also the WebAssembly build's tools: Debian's emscripten, dpkg-dev
#              (apt-get source unpacks the libraries' source packages with it),
#              autotools-dev (a config.sub that knows the wasm32 host),
#              chromium (the browser the web tests drive headless) and python3
#              (the web tests' server and picture checks; serving the site)
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  # libraries
  libsdl2-dev libsdl2-ttf-dev
  libpng-dev libjpeg62-turbo-dev zlib1g-dev
  libalglib-dev libsndfile1-dev
  nlohmann-json3-dev libcli11-dev
  # tests and checks
  xvfb xauth x11-apps xdotool fonts-dejavu-core
  sox libsox-fmt-all libjpeg-turbo-progs
  # packages and desktop files: dpkg-deb and dpkg-shlibdeps, desktop-file-validate,
  # xmllint, update-mime-database, gio (the file type as a desktop sees it), and
  # rsvg-convert for the icons' PNG sizes
  dpkg-dev desktop-file-utils libxml2-utils shared-mime-info libglib2.0-bin librsvg2-bin
  # benchmark peers
  lua5.4 liblua5.4-dev libpixman-1-dev
)
for arg in "$@"; do
  case "$arg" in
    --fuzz) packages+=(clang libclang-rt-14-dev llvm) ;;
    --package) packages+=(lintian) ;;
    --web) packages+=(emscripten autotools-dev chromium python3) ;;
    *) echo "install-deps: unknown option $arg" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi

echo "install-deps: installing ${missing[*]}"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get update -q
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
