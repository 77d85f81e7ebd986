#!/usr/bin/env bash
# Builds the libraries the player links (SDL2, SDL2_ttf with FreeType and
# HarfBuzz, libpng, zlib, libjpeg-turbo, libsndfile with Ogg, Vorbis, FLAC, Opus, mpg123 and LAME,
# ALGLIB) for WebAssembly with Debian's emscripten, from Debian's own source
# packages of the versions installed for the native build.
#
#   web/build-libs.sh            build what is missing; print the prefix last
#   web/build-libs.sh --key      print the prefix the current versions map to
#
# The result is a prefix (include/, lib/, lib/cmake/, lib/pkgconfig/) in a
# per-machine cache, $QZ_WEB_CACHE (default ~/.cache/qazmir-web), in a folder
# named after a hash of the emscripten version, this script and the source
# package versions. A fresh clone, a removed build-web/ and CI runs on the same
# machine reuse it; a change of any version builds a new one beside it.
#
# Sources are fetched with `apt-get source` through a private apt configuration
# under build-web/deps/apt (its own deb-src lists, made from the deb lines of
# this machine's Debian sources; the system's apt setup is left untouched), and
# unpacked and built under build-web/deps. Nothing lands in the repository.
#
# Environment: QZ_WEB_CACHE, QZ_WEB_WORK (default build-web/deps), JOBS (2).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
self="$root/web/build-libs.sh"
work=${QZ_WEB_WORK:-$root/build-web/deps}
cache_root=${QZ_WEB_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/qazmir-web}
jobs=${JOBS:-2}

# Debian's emscripten runs its JavaScript optimizer with the node on PATH; a
# node that is not Debian's own does not look in Debian's module folder for
# acorn.
export NODE_PATH=${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs
# Configure checks run test programs under node (CMake's emulator, emcc's
# output for configure scripts); its JavaScript loads the .wasm with fetch()
# when node has one, which fails for a file name.
export NODE_OPTIONS="${NODE_OPTIONS:+$NODE_OPTIONS }--no-experimental-fetch"

# Build order, with the binary packages whose installed version names the
# source version to build (the first one installed counts).
recipes=(
  "zlib         zlib1g-dev zlib1g"
  "libpng1.6    libpng-dev libpng16-16"
  "libjpeg-turbo libjpeg62-turbo-dev libjpeg62-turbo"
  "freetype     libfreetype-dev libfreetype6"
  "harfbuzz     libharfbuzz-dev libharfbuzz0b"
  "libsdl2      libsdl2-dev libsdl2-2.0-0"
  "libsdl2-ttf  libsdl2-ttf-dev libsdl2-ttf-2.0-0"
  "libogg       libogg-dev libogg0"
  "libvorbis    libvorbis-dev libvorbis0a"
  "flac         libflac-dev libflac12"
  "opus         libopus-dev libopus0"
  "mpg123       libmpg123-dev libmpg123-0"
  "lame         libmp3lame-dev libmp3lame0"
  "libsndfile   libsndfile1-dev libsndfile1"
  "alglib       libalglib-dev libalglib3.19"
)

die() {
  echo "build-libs: $*" >&2
  exit 1
}

log() { echo "build-libs: $*" >&2; }

command -v emcc >/dev/null || die "emcc is missing: run scripts/install-deps.sh --web"
command -v dpkg-source >/dev/null || die "dpkg-source is missing: run scripts/install-deps.sh --web"

installed_version() {
  local pkg
  for pkg in "$@"; do
    if dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
      dpkg-query -W -f='${source:Version}' "$pkg"
      return 0
    fi
  done
  return 1
}

# "1:2.1.5-2" -> "2.1.5"
upstream_of() {
  local v=${1#*:}
  echo "${v%-*}"
}

declare -A wanted
manifest="emscripten $(cat /usr/share/emscripten/emscripten-version.txt 2>/dev/null || emcc --version | head -1)
recipe $(sha256sum "$self" | cut -c1-16)"
for r in "${recipes[@]}"; do
  read -r src bins <<<"$r"
  # shellcheck disable=SC2086
  v=$(installed_version $bins) || die "none of $bins is installed: run scripts/install-deps.sh --web"
  wanted[$src]=$v
  manifest+=$'\n'"$src $v"
done
key=$(printf '%s\n' "$manifest" | sha256sum | cut -c1-16)
prefix="$cache_root/$key"

if [ "${1:-}" = "--key" ]; then
  echo "$prefix"
  exit 0
fi
if [ -f "$prefix/manifest.txt" ]; then
  echo "$prefix"
  exit 0
fi

mkdir -p "$cache_root" "$work"
exec 9>"$cache_root/.lock"
flock 9
if [ -f "$prefix/manifest.txt" ]; then
  echo "$prefix"
  exit 0
fi

# Built in place (installed pkg-config and CMake files hold the prefix's
# path); the manifest, written last, marks it complete, and the stamps let an
# interrupted run go on where it stopped.
mkdir -p "$prefix/.stamps" "$work/logs" "$work/src" "$work/build"
: >"$work/times.txt"

# ---------------------------------------------------------------- fetching

apt_dir="$work/apt"
archives=()

# deb-src twins of the machine's Debian deb sources (deb822 .sources files and
# one-line sources.list entries), all together in all/ and one folder per
# archive, so that a file missing from one archive can be taken from another.
make_apt_config() {
  local codename n=0 type rest
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
  rm -rf "$apt_dir"/all "$apt_dir"/archive-*
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/state" "$apt_dir/all"
  : >"$apt_dir/sources.list"
  awk -v code="$codename" -v out="$apt_dir" '
    function flush() {
      if (types ~ /(^| )deb( |$)/ && enabled !~ /^[Nn]o/ && suites ~ ("(^| )" code)) {
        n++
        para = "Types: deb-src\nURIs: " uris "\nSuites: " suites "\nComponents: " comps "\n"
        if (signedby != "") para = para "Signed-By: " signedby "\n"
        system("mkdir -p \"" out "/archive-" n "\"")
        printf "%s", para > (out "/archive-" n "/debian.sources")
        printf "%s\n", para > (out "/all/debian.sources")
      }
      types = uris = suites = comps = signedby = enabled = ""
    }
    /^[[:space:]]*#/ { next }
    /^[[:space:]]*$/ { flush(); next }
    /^Types:/ { sub(/^Types:[[:space:]]*/, ""); types = $0; next }
    /^URIs:/ { sub(/^URIs:[[:space:]]*/, ""); uris = $0; next }
    /^Suites:/ { sub(/^Suites:[[:space:]]*/, ""); suites = $0; next }
    /^Components:/ { sub(/^Components:[[:space:]]*/, ""); comps = $0; next }
    /^Signed-By:/ { sub(/^Signed-By:[[:space:]]*/, ""); signedby = $0; next }
    /^Enabled:/ { sub(/^Enabled:[[:space:]]*/, ""); enabled = $0; next }
    END { flush() }
  ' /dev/null /etc/apt/sources.list.d/*.sources 2>/dev/null || true
  n=$(find "$apt_dir" -maxdepth 1 -name 'archive-*' | wc -l)
  # One-line entries: "deb [options] URI SUITE COMPONENTS...".
  if [ -f /etc/apt/sources.list ]; then
    while read -r type rest; do
      [ "$type" = "deb" ] || continue
      case " $rest " in *" $codename"*) ;; *) continue ;; esac
      n=$((n + 1))
      mkdir -p "$apt_dir/archive-$n"
      echo "deb-src $rest" >"$apt_dir/archive-$n/debian.list"
      echo "deb-src $rest" >>"$apt_dir/all/debian.list"
    done </etc/apt/sources.list
  fi
  [ "$n" -gt 0 ] || die "no Debian $codename deb source in /etc/apt to derive deb-src lines from"
  mapfile -t archives < <(find "$apt_dir" -maxdepth 1 -name 'archive-*' | sort)
}

# apt-get or apt-cache with the private lists; $1 is the folder of source files.
apt_private() {
  local parts=$1 tool=$2
  shift 2
  "$tool" -q \
    -o Dir::Etc::SourceList="$apt_dir/sources.list" -o Dir::Etc::SourceParts="$parts" \
    -o Dir::State="$apt_dir/state" -o Dir::State::Lists="$apt_dir/lists" \
    -o Dir::Cache="$apt_dir/cache" -o Dir::State::status=/var/lib/dpkg/status \
    -o APT::Sandbox::User=root "$@"
}

apt_ready=0
apt_update() {
  [ $apt_ready = 1 ] && return
  make_apt_config
  local t0=$SECONDS
  apt_private "$apt_dir/all" apt-get update >"$work/logs/apt-update.log" 2>&1 ||
    die "apt-get update of the private deb-src lists failed (see $work/logs/apt-update.log)"
  echo "apt-get update (deb-src lists): $((SECONDS - t0)) s" >>"$work/times.txt"
  apt_ready=1
}

# The versions to try, best first: the installed one, then the others of the
# same upstream version from the newest Debian revision down (the installed
# one may have left the archive for a security or point release, and an index
# may list a version whose files the mirror does not hold).
candidate_versions() {
  local src=$1 want=$2
  apt_private "$apt_dir/all" apt-cache showsrc "$src" 2>/dev/null |
    awk -v p="$src" '/^Package: /{ok = ($2 == p)} ok && /^Version: /{print $2}' | sort -u |
    while read -r v; do
      [ "$(upstream_of "$v")" = "$(upstream_of "$want")" ] && echo "$v"
    done | {
      mapfile -t vs
      for v in "${vs[@]}"; do [ "$v" = "$want" ] && echo "$v"; done
      for v in "${vs[@]}"; do [ "$v" = "$want" ] || echo "$v"; done |
        sort -r -V
    }
}

declare -A srcdir got
fetch() {
  local src=$1 want=${wanted[$1]} v dir a versions
  apt_update
  mapfile -t versions < <(candidate_versions "$src" "$want")
  [ ${#versions[@]} -gt 0 ] ||
    die "no source of $src $want (nor of its upstream version) in the Debian archive"
  local t0=$SECONDS
  for v in "${versions[@]}"; do
    dir="$work/src/$src-$(upstream_of "$v")"
    if [ -f "$dir/.fetched-$v" ]; then
      got[$src]=$v
      srcdir[$src]=$dir
      return
    fi
    rm -rf "$dir"
    # An archive may list a file that it lacks (the signature of an upstream
    # tarball): then take the package from each archive alone.
    for a in "$apt_dir/all" "${archives[@]}"; do
      if (cd "$work/src" && apt_private "$a" apt-get source "$src=$v") >>"$work/logs/fetch-$src.log" 2>&1 &&
        [ -d "$dir" ]; then
        [ "$v" = "$want" ] || log "$src: $want cannot be fetched from the archive; building $v"
        touch "$dir/.fetched-$v"
        echo "fetch $src $v: $((SECONDS - t0)) s" >>"$work/times.txt"
        got[$src]=$v
        srcdir[$src]=$dir
        return
      fi
    done
  done
  die "apt-get source $src failed for ${versions[*]} (see $work/logs/fetch-$src.log)"
}

# ---------------------------------------------------------------- building

cflags="-O2"
# emcmake's own emulator is "node --experimental-wasm-threads", an option
# newer nodes refuse (exit status 9), which CMake's try_run checks (type sizes)
# would take as their result.
cmake_common=(
  -G Ninja
  -DCMAKE_CROSSCOMPILING_EMULATOR="$(command -v node)"
  -DCMAKE_BUILD_TYPE=Release
  "-DCMAKE_C_FLAGS_RELEASE=$cflags -DNDEBUG"
  "-DCMAKE_CXX_FLAGS_RELEASE=$cflags -DNDEBUG"
  -DCMAKE_INSTALL_PREFIX="$prefix"
  -DCMAKE_INSTALL_LIBDIR=lib
  -DCMAKE_FIND_ROOT_PATH="$prefix"
  -DCMAKE_PREFIX_PATH="$prefix"
  -DBUILD_SHARED_LIBS=OFF
  -DBUILD_TESTING=OFF
)

cmake_lib() {
  local src=$1 dir=$2
  shift 2
  local b="$work/build/$src"
  rm -rf "$b"
  emcmake cmake -S "$dir" -B "$b" "${cmake_common[@]}" "$@"
  cmake --build "$b" -j "$jobs"
  (cd "$b" && cmake --install .)
}

autotools_lib() {
  local src=$1 dir=$2
  shift 2
  local b="$work/build/$src"
  rm -rf "$b"
  mkdir -p "$b"
  # As Debian's own builds do (dh_update_autotools_config): release tarballs
  # carry a config.sub older than the wasm32-unknown-emscripten host.
  find "$dir" -name config.sub -exec cp /usr/share/misc/config.sub {} \;
  find "$dir" -name config.guess -exec cp /usr/share/misc/config.guess {} \;
  (cd "$b" &&
    CFLAGS="$cflags" CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib" \
      emconfigure "$dir/configure" --prefix="$prefix" --host=wasm32-unknown-emscripten \
      --disable-shared --enable-static "$@" &&
    emmake make -j "$jobs" &&
    emmake make install)
}

build_zlib() {
  local b="$work/build/zlib"
  rm -rf "$b"
  mkdir -p "$b"
  (cd "$b" && CFLAGS="$cflags" emconfigure "$1/configure" --static --prefix="$prefix" &&
    emmake make -j "$jobs" libz.a && emmake make install)
}

build_libpng1.6() {
  cmake_lib libpng1.6 "$1" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
    -DPNG_EXECUTABLES=OFF -DPNG_HARDWARE_OPTIMIZATIONS=OFF
}

build_libjpeg-turbo() {
  # No SIMD: libjpeg-turbo's SIMD code is x86/ARM/MIPS/PowerPC assembly.
  # Its own GNUInstallDirs takes a relative LIBDIR as relative to the
  # current folder.
  cmake_lib libjpeg-turbo "$1" -DENABLE_SHARED=OFF -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF \
    -DWITH_JAVA=OFF -DCMAKE_INSTALL_LIBDIR="$prefix/lib"
}

build_freetype() {
  # As Debian configures it, without HarfBuzz (its auto-hinter's use of it);
  # and without PNG colour bitmaps, bzip2 or Brotli (WOFF2) fonts, which the
  # player's fonts never need.
  cmake_lib freetype "$1" -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_PNG=ON \
    -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_BROTLI=ON -DFT_REQUIRE_ZLIB=ON
}

build_harfbuzz() {
  # Only what SDL2_ttf uses: shaping over FreeType faces.
  cmake_lib harfbuzz "$1" -DHB_HAVE_FREETYPE=ON -DHB_HAVE_GLIB=OFF -DHB_HAVE_ICU=OFF \
    -DHB_HAVE_GOBJECT=OFF -DHB_BUILD_UTILS=OFF -DHB_BUILD_SUBSET=OFF
}

build_libsdl2() {
  # No threads: a page served without cross-origin isolation has no shared
  # memory, and SDL's emscripten backends run on the main thread.
  cmake_lib libsdl2 "$1" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL_THREADS=OFF
}

build_libsdl2-ttf() {
  # With HarfBuzz, as Debian's: without it glyphs come out placed differently
  # (a glyph of DejaVu Sans at 18 px gains pixels), and the web build must
  # draw what the native one draws.
  cmake_lib libsdl2-ttf "$1" -DSDL2TTF_SAMPLES=OFF -DSDL2TTF_VENDORED=OFF \
    -DSDL2TTF_HARFBUZZ=ON -DCMAKE_POSITION_INDEPENDENT_CODE=OFF
}

build_libogg() {
  cmake_lib libogg "$1" -DINSTALL_DOCS=OFF
}

build_libvorbis() {
  cmake_lib libvorbis "$1"
}

build_flac() {
  cmake_lib flac "$1" -DBUILD_CXXLIBS=OFF -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF \
    -DBUILD_DOCS=OFF -DINSTALL_MANPAGES=OFF -DWITH_STACK_PROTECTOR=OFF \
    -DWITH_FORTIFY_SOURCE=OFF -DWITH_OGG=ON
}

build_opus() {
  # Autotools: the 1.3.1 release tarball lacks a file its CMakeLists includes
  # (opus_buildtype.cmake).
  autotools_lib opus "$1" --disable-doc --disable-extra-programs --disable-intrinsics \
    --disable-rtcd --disable-stack-protector
}

build_mpg123() {
  # The generic floating-point decoder: the others are x86 or ARM assembly.
  autotools_lib mpg123 "$1" --with-cpu=generic_fpu --disable-network --disable-modules \
    --with-audio=dummy --with-default-audio=dummy
}

build_lame() {
  # libsndfile's MPEG support wants LAME for writing; the player only reads.
  autotools_lib lame "$1" --disable-frontend --disable-gtktest --disable-decoder
}

build_libsndfile() {
  cmake_lib libsndfile "$1" -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF -DENABLE_CPACK=OFF \
    -DENABLE_EXTERNAL_LIBS=ON -DENABLE_MPEG=ON -DINSTALL_MANPAGES=OFF -DBUILD_REGTEST=OFF \
    -DENABLE_SSE2=OFF -DHAVE_IMMINTRIN_H=
}

build_alglib() {
  # Debian's CMakeLists makes a shared library and its tests; the static
  # library alone is what a wasm link takes. ALGLIB reports errors by
  # throwing, hence -fexceptions.
  local b="$work/build/alglib" f
  rm -rf "$b"
  mkdir -p "$b"
  find "$1/src" -name '*.cpp' -print0 |
    xargs -0 -P "$jobs" -I{} sh -c 'em++ -O2 -fexceptions -c "$1" -o "$2/$(basename "$1" .cpp).o"' _ {} "$b"
  emar rcs "$b/libalglib.a" "$b"/*.o
  mkdir -p "$prefix/include/libalglib" "$prefix/lib"
  cp "$b/libalglib.a" "$prefix/lib/"
  for f in "$1"/src/*.h; do cp "$f" "$prefix/include/libalglib/"; done
}

cd "$work"
t_all=$SECONDS
for r in "${recipes[@]}"; do
  read -r src _ <<<"$r"
  [ -f "$prefix/.stamps/$src" ] && { got[$src]=$(cat "$prefix/.stamps/$src"); continue; }
  fetch "$src"
  log "building $src ${got[$src]}"
  t0=$SECONDS
  if ! "build_$src" "${srcdir[$src]}" >"$work/logs/build-$src.log" 2>&1; then
    tail -n 30 "$work/logs/build-$src.log" >&2
    die "building $src failed (log: $work/logs/build-$src.log)"
  fi
  echo "build $src: $((SECONDS - t0)) s" >>"$work/times.txt"
  echo "${got[$src]}" >"$prefix/.stamps/$src"
done
echo "total: $((SECONDS - t_all)) s" >>"$work/times.txt"

{
  echo "# Libraries for the WebAssembly build; key $key"
  printf '%s\n' "$manifest"
  echo "# fetched source versions"
  for r in "${recipes[@]}"; do
    read -r src _ <<<"$r"
    echo "source $src ${got[$src]}"
  done
} >"$prefix/manifest.txt"
rm -rf "$prefix/.stamps"
log "libraries ready in $prefix"
echo "$prefix"
