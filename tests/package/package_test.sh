#!/usr/bin/env bash
# The Debian packages of a build: their files and fields, the player and the
# demo extracted from them and played headless, and the desktop entries and the
# game file type as a desktop reads them.
#   package_test.sh BUILD_DIR
set -euo pipefail
build=$(realpath "$1")
src=$(cd "$(dirname "$0")/../.." && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

version=$(cat "$build/packaging/version")
arch=$(dpkg --print-architecture)
"$src/packaging/deb/make-debs.sh" "$build" "$tmp/out" > /dev/null
declare -A deb=([qazmir]="$tmp/out/qazmir_${version}_${arch}.deb"
                [qazmir-demo]="$tmp/out/qazmir-demo_${version}_all.deb")

# --- The files of each package: mode, owner and path of everything but folders.
listing() {
  dpkg-deb -c "$1" | awk '$1 !~ /^d/ {print $1, $2, substr($6, 3)}' | LC_ALL=C sort
}
icons() {  # name context mode-owner -> the four hicolor files of an icon
  local size
  echo "$3 usr/share/icons/hicolor/scalable/$2/$1.svg"
  for size in 48 128 256; do echo "$3 usr/share/icons/hicolor/${size}x${size}/$2/$1.png"; done
}
file='-rw-r--r-- root/root'
exe='-rwxr-xr-x root/root'
{
  echo "$exe usr/games/qazmir"
  echo "$exe usr/bin/qazmir-tool"
  echo "$file usr/share/man/man1/qazmir.1.gz"
  echo "$file usr/share/man/man1/qazmir-tool.1.gz"
  echo "$file usr/share/applications/qazmir.desktop"
  echo "$file usr/share/mime/packages/qazmir.xml"
  echo "$file usr/share/doc/qazmir/changelog.gz"
  echo "$file usr/share/doc/qazmir/copyright"
  echo "$file usr/share/lintian/overrides/qazmir"
  icons qazmir apps "$file"
  icons application-x-qazmir-game mimetypes "$file"
} | LC_ALL=C sort > "$tmp/want-qazmir"
{
  echo "$file usr/share/applications/qazmir-keeperslight.desktop"
  echo "$file usr/share/doc/qazmir-demo/changelog.gz"
  echo "$file usr/share/doc/qazmir-demo/copyright"
  echo "$file usr/share/lintian/overrides/qazmir-demo"
  icons qazmir-keeperslight apps "$file"
  # Every file of the built demo game, and nothing else, in the game's folder.
  (cd "$build/demo" && find . -type f -printf "$file usr/share/games/qazmir/keeperslight/%P\n")
} | LC_ALL=C sort > "$tmp/want-qazmir-demo"
for package in qazmir qazmir-demo; do
  listing "${deb[$package]}" > "$tmp/got-$package"
  diff -u "$tmp/want-$package" "$tmp/got-$package" || fail "$package: file list (- expected, + packaged)"
done

# --- Control fields: package, field, and an extended regular expression the
# value must match.
fields="
qazmir       Version       ^${version//./\\.}\$
qazmir       Architecture  ^$arch\$
qazmir       Section       ^games\$
qazmir       Depends       (^|, )libc6 \(>= [0-9.]+\)(,|\$)
qazmir       Depends       (^|, )libsdl2-2\.0-0 \(>= [0-9.]+\)(,|\$)
qazmir       Depends       (^|, )libsdl2-ttf-2\.0-0 \(>= [0-9.]+\)(,|\$)
qazmir       Depends       (^|, )fonts-dejavu-core(,|\$)
qazmir       Installed-Size ^[0-9]+\$
qazmir-demo  Version       ^${version//./\\.}\$
qazmir-demo  Architecture  ^all\$
qazmir-demo  Section       ^games\$
qazmir-demo  Depends       ^qazmir \(>= ${version//./\\.}\)\$
"
while read -r package field pattern; do
  [ -n "$package" ] || continue
  value=$(dpkg-deb -f "${deb[$package]}" "$field")
  [[ "$value" =~ $pattern ]] || fail "$package: $field is '$value', expected $pattern"
done <<< "$fields"

# --- Everything extracted into one root, as apt would install it.
root="$tmp/root"
for package in qazmir qazmir-demo; do dpkg-deb -x "${deb[$package]}" "$root"; done

# Executables stripped; compressed files made by gzip -9n (header: no name,
# time 0, extra flags 2 for the best compression).
for exe in usr/games/qazmir usr/bin/qazmir-tool; do
  if readelf -S --wide "$root/$exe" | grep -qE ' \.(symtab|debug_[a-z]+|comment) '; then
    fail "$exe is not stripped"
  fi
done
while read -r gz; do
  header=$(od -An -tx1 -j3 -N6 "$gz" | tr -d ' \n')
  [ "$header" = 000000000002 ] || fail "${gz#"$root"/} not made by gzip -9n (header $header)"
  gzip -t "$gz" || fail "${gz#"$root"/} is not a valid gzip file"
done < <(find "$root" -name '*.gz')

# The version of project() everywhere it is written.
zcat "$root/usr/share/doc/qazmir/changelog.gz" | head -1 | grep -qF "qazmir ($version)" ||
  fail "the changelog does not start with version $version"
"$root/usr/games/qazmir" --version | grep -qx "qazmir $version" ||
  fail "qazmir --version does not print version $version"
for page in qazmir qazmir-tool; do
  zcat "$root/usr/share/man/man1/$page.1.gz" | head -1 | grep -qF "Qazmir for Linux $version" ||
    fail "the manual page $page does not carry version $version"
done

# Icons: PNG sizes as their folder says.
while read -r png; do
  want=$(basename "$(dirname "$(dirname "$png")")")
  got=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3 * 256 + $4 "x" $7 * 256 + $8}')
  [ "$got" = "$want" ] || fail "${png#"$root"/} is $got"
done < <(find "$root/usr/share/icons" -name '*.png')

# --- The extracted player plays the extracted demo.
game="$root/usr/share/games/qazmir/keeperslight"
if stats=$(TZ=UTC SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy "$root/usr/games/qazmir" --headless --seed 1 \
             --steps 300 --stats --user-dir "$tmp/user" --screenshot "300:$tmp/shot.png" "$game"); then
  echo "$stats" | grep -qx 'steps 300' || fail "the player did not run 300 steps: $stats"
  [ -s "$tmp/shot.png" ] || fail "the player wrote no screenshot"
else
  fail "the extracted player failed on the extracted demo"
fi
"$root/usr/bin/qazmir-tool" check "$game/keeperslight.qzf" || fail "qazmir-tool check reports the demo"

# --- Started without a game, the extracted player lists the installed demo;
# Enter plays it, and it is then remembered.
echo "2 key 13" > "$tmp/enter.rec"
if (cd "$tmp" && TZ=UTC SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy XDG_DATA_DIRS="$root/usr/share" \
      "$root/usr/games/qazmir" --headless --seed 1 --steps 60 --user-dir "$tmp/list-user" \
      --input "$tmp/enter.rec"); then
  grep -q "keeperslight/keeperslight.qzf" "$tmp/list-user/qazmir/recent-games" 2>/dev/null ||
    fail "the game list did not play the installed demo"
else
  fail "the extracted player failed without a game"
fi

# --- Desktop entries: valid, and the keys a menu uses: file, key, value.
entries="
qazmir.desktop               Exec      qazmir %f
qazmir.desktop               MimeType  application/x-qazmir-game;
qazmir.desktop               Icon      qazmir
qazmir.desktop               TryExec   qazmir
qazmir-keeperslight.desktop  Name      The Keeper's Light
qazmir-keeperslight.desktop  Exec      qazmir \"/usr/share/games/qazmir/keeperslight\"
qazmir-keeperslight.desktop  Icon      qazmir-keeperslight
qazmir-keeperslight.desktop  TryExec   qazmir
"
for entry in "$root"/usr/share/applications/*.desktop; do
  desktop-file-validate "$entry" || fail "$(basename "$entry") is not valid"
done
while read -r entry key value; do
  [ -n "$entry" ] || continue
  got=$(sed -n "s/^$key=//p" "$root/usr/share/applications/$entry")
  [ "$got" = "$value" ] || fail "$entry: $key is '$got', expected '$value'"
done <<< "$entries"
[ -f "$game/keeperslight.qzf" ] || fail "the demo's menu entry names a folder without the game"

# --- The game file type: well-formed, accepted by update-mime-database, and
# what a desktop (GIO, with the system's types beside ours) makes of files by
# name and by content: file name, content, expected type.
xmllint --noout "$root/usr/share/mime/packages/qazmir.xml" || fail "qazmir.xml is not well-formed"
update-mime-database "$root/usr/share/mime" > "$tmp/mime.log" 2>&1 ||
  fail "update-mime-database refuses qazmir.xml: $(cat "$tmp/mime.log")"
head -c 4096 /dev/urandom > "$tmp/random"
printf 'not a game\n' > "$tmp/text"
types="
keeperslight.qzf  game    application/x-qazmir-game
KEEPERSLIGHT.QZF  game    application/x-qazmir-game
Saved.Qzf         text    application/x-qazmir-game
keeperslight      game    application/x-qazmir-game
game.dat          game    application/x-qazmir-game
noise.dat         random  application/octet-stream
"
mkdir "$tmp/files"
while read -r name content want; do
  [ -n "$name" ] || continue
  case "$content" in
    game) cp "$game/keeperslight.qzf" "$tmp/files/$name" ;;
    *) cp "$tmp/$content" "$tmp/files/$name" ;;
  esac
  got=$(XDG_DATA_HOME="$tmp/no-user-data" XDG_DATA_DIRS="$root/usr/share:/usr/share" \
          gio info -a standard::content-type "$tmp/files/$name" | sed -n 's/^ *standard::content-type: //p')
  [ "$got" = "$want" ] || fail "$name ($content) is taken as '$got', expected $want"
done <<< "$types"

if [ "$failures" -ne 0 ]; then
  echo "$failures failed"
  exit 1
fi
echo "packages ${deb[qazmir]##*/} and ${deb[qazmir-demo]##*/}: every check passed"
