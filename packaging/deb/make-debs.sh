#!/usr/bin/env bash
# Builds the Debian packages of a finished build:
#   packaging/deb/make-debs.sh BUILD_DIR OUT_DIR
# writes OUT_DIR/qazmir_<version>_<arch>.deb (the install component "player")
# and OUT_DIR/qazmir-demo_<version>_all.deb (the component "demo"), and prints
# their paths. The version is the one of project() in CMakeLists.txt.
# QZ_DEB_MAINTAINER overrides the Maintainer field; SOURCE_DATE_EPOCH, when
# set, dates the changelog and the files (else the last commit does).
set -euo pipefail
umask 022

if [ $# -ne 2 ]; then
  echo "usage: $0 BUILD_DIR OUT_DIR" >&2
  exit 2
fi
build=$(realpath "$1")
mkdir -p "$2"
out=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
src=$(cd "$here/../.." && pwd)

version=$(cat "$build/packaging/version")
arch=$(dpkg --print-architecture)
maintainer=${QZ_DEB_MAINTAINER:-Qazmir for Linux developers <qazmir@example.org>}
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git -C "$src" log -1 --format=%ct 2>/dev/null || date +%s)
fi
# dpkg-deb clamps the files' times to it: the same sources give the same packages.
export SOURCE_DATE_EPOCH
date=$(LC_ALL=C date -u -R -d "@$SOURCE_DATE_EPOCH")
year=$(date -u +%Y -d "@$SOURCE_DATE_EPOCH")

work=$(mktemp -d "$build/deb.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Fills a template's @NAME@ fields; values never hold "|".
fill() {
  sed -e "s|@VERSION@|$version|g" -e "s|@ARCH@|$arch|g" -e "s|@MAINTAINER@|$maintainer|g" \
      -e "s|@DATE@|$date|g" -e "s|@YEAR@|$year|g" -e "s|@SHLIBS@|${shlibs:-}|g" -e "s|@SIZE@|${size:-}|g" "$1"
}

# Stages one component under $work/debian/<package> with its documentation.
stage() {
  local component=$1 package=$2 root="$work/debian/$2"
  DESTDIR="$root" cmake --install "$build" --prefix /usr --component "$component" > /dev/null
  local doc="$root/usr/share/doc/$package"
  mkdir -p "$doc" "$root/DEBIAN"
  fill "$here/copyright" > "$doc/copyright"
  if [ -f "$here/lintian/$package" ]; then
    install -D -m 0644 "$here/lintian/$package" "$root/usr/share/lintian/overrides/$package"
  fi
  fill "$here/changelog.in" > "$doc/changelog"
  gzip -9n "$doc/changelog"
  if [ -d "$root/usr/share/man" ]; then
    find "$root/usr/share/man" -type f -name '*.[0-9]' -exec gzip -9n {} +
  fi
}

# Writes DEBIAN/ (control from the template, md5sums) and builds the package.
finish() {
  local package=$1 deb=$2 root="$work/debian/$1"
  find "$root" -type d -exec chmod 0755 {} +
  find "$root" -type f ! -path "$root/usr/bin/*" ! -path "$root/usr/games/*" -exec chmod 0644 {} +
  size=$(du -s -k --apparent-size "$root" | cut -f1)
  fill "$here/control-$package.in" > "$root/DEBIAN/control"
  (cd "$root" && find usr -type f -print0 | LC_ALL=C sort -z | xargs -0 md5sum) > "$root/DEBIAN/md5sums"
  chmod 0644 "$root/DEBIAN/control" "$root/DEBIAN/md5sums"
  dpkg-deb --root-owner-group -Zxz --build "$root" "$out/$deb" > /dev/null
  echo "$out/$deb"
}

# The player: in /usr/games, where Debian keeps games and the players of
# games (qazmir-tool stays in /usr/bin); executables stripped as Debian strips
# them; dependencies read from the binaries by dpkg-shlibdeps (which wants a
# debian/control to look at), plus the font the player draws its own screens
# with.
stage player qazmir
player="$work/debian/qazmir"
mkdir -p "$player/usr/games"
mv "$player/usr/bin/qazmir" "$player/usr/games/qazmir"
for exe in "$player/usr/games/qazmir" "$player/usr/bin/qazmir-tool"; do
  strip --remove-section=.comment --remove-section=.note "$exe"
done
printf 'Source: qazmir\n\nPackage: qazmir\nArchitecture: any\n' > "$work/debian/control"
shlibs=$(cd "$work" && dpkg-shlibdeps -O debian/qazmir/usr/games/qazmir debian/qazmir/usr/bin/qazmir-tool |
           sed -n 's/^shlibs:Depends=//p')
if [ -z "$shlibs" ]; then
  echo "make-debs: dpkg-shlibdeps found no dependencies" >&2
  exit 1
fi
finish qazmir "qazmir_${version}_${arch}.deb"

# The demo game: its folder, menu entry and icon, and the license of the
# bitmap fonts drawn from DejaVu Sans.
stage demo qazmir-demo
cat "$here/copyright-demo-font" >> "$work/debian/qazmir-demo/usr/share/doc/qazmir-demo/copyright"
finish qazmir-demo "qazmir-demo_${version}_all.deb"
