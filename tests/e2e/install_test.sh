#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a desktop user
# gets: the program, its launcher, the data file, the icons, the desktop entry
# and the software centres' metainfo; then runs the launcher's seeding step
# without a display.
set -euo pipefail
build="$1"
source_dir="$(cd "$(dirname "$0")/../.." && pwd)"
app_id=io.github.calderix.Marlune
prefix="$(mktemp -d)"
home="$(mktemp -d)"
trap 'rm -rf "$prefix" "$home"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
fail() { echo "FAIL: $*" >&2; exit 1; }
for f in bin/marlune libexec/marlune/marlune share/marlune/20051206.dat \
         share/applications/$app_id.desktop share/metainfo/$app_id.metainfo.xml \
         bin/marlune-find bin/marlune-mkdatafile bin/marlune-report \
         share/man/man1/marlune.1 share/man/man1/marlune-find.1 \
         share/man/man1/marlune-mkdatafile.1 share/man/man1/marlune-report.1; do
  [ -e "$prefix/$f" ] || fail "missing $f"
done
[ -x "$prefix/bin/marlune" ] || fail "launcher not executable"
desktop="$prefix/share/applications/$app_id.desktop"
metainfo="$prefix/share/metainfo/$app_id.metainfo.xml"
grep -q '^Exec=marlune$' "$desktop" || fail "desktop entry Exec"
grep -q "^Icon=$app_id\$" "$desktop" || fail "desktop entry Icon"
desktop-file-validate "$desktop" || fail "desktop-file-validate"
# The metainfo alone, and with the desktop entry it names as installed.
appstreamcli validate --no-net "$metainfo" >/dev/null || {
  appstreamcli validate --no-net "$metainfo"; fail "appstreamcli validate"; }
appstreamcli validate-tree --no-net "$prefix" >/dev/null || {
  appstreamcli validate-tree --no-net "$prefix"; fail "appstreamcli validate-tree"; }
# The icon in every hicolor size, each picture as large as its directory says.
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{print $1*16777216+$2*65536+$3*256+$4 "x" $5*16777216+$6*65536+$7*256+$8}'; }
for size in 16 22 24 32 48 64 128 256; do
  icon="$prefix/share/icons/hicolor/${size}x${size}/apps/$app_id.png"
  [ -e "$icon" ] || fail "missing the ${size}x${size} icon"
  [ "$(png_size "$icon")" = "${size}x${size}" ] || fail "the ${size}x${size} icon is $(png_size "$icon")"
done
# The screenshots the metainfo points to are the ones in the repository, of
# the sizes it states.
images="$(sed -n 's|.*<image type="source" width="\([0-9]*\)" height="\([0-9]*\)">[^<]*/main/\([^<]*\)</image>.*|\1x\2 \3|p' "$metainfo")"
[ -n "$images" ] || fail "no screenshot in the metainfo"
while read -r image; do
  [ -f "$source_dir/${image#* }" ] || fail "the screenshot ${image#* } is not in the repository"
  [ "$(png_size "$source_dir/${image#* }")" = "${image%% *}" ] || fail "the screenshot ${image#* } is not ${image%% *}"
done <<<"$images"
cmp -s "$build/bin/20051206.dat" "$prefix/share/marlune/20051206.dat" || fail "data file differs"
# The launcher seeds the user's data directory and starts the program there:
# soon the data file is in place and the setting written; then it is ended.
HOME="$home" XDG_DATA_HOME= XDG_CONFIG_HOME= QT_QPA_PLATFORM=offscreen \
  timeout 20 "$prefix/bin/marlune" >/dev/null 2>&1 &
launched=$!
for _ in $(seq 100); do
  grep -qs '"DataFileName"="20051206.dat"' "$home/.config/marlune/HKEY_CURRENT_USER.reg" && break
  sleep 0.1
done
kill "$launched" 2>/dev/null || true
wait "$launched" 2>/dev/null || true
cmp -s "$build/bin/20051206.dat" "$home/.local/share/marlune/20051206.dat" || fail "launcher did not seed the data file"
grep -q '"DataFileName"="20051206.dat"' "$home/.config/marlune/HKEY_CURRENT_USER.reg" \
  || fail "the program started by the launcher did not store its setting"
if [ -e "$prefix/bin/marlune-find" ]; then
  # The lookup tool finds the installed data file in the seeded folder, from
  # there and from anywhere else.
  for where in "$home/.local/share/marlune" /; do
    (cd "$where" && HOME="$home" "$prefix/bin/marlune-find" sydney) | grep -q SYDNEY \
      || fail "marlune-find on the installed data, run in $where"
  done
fi
# The manual pages are found where man looks for them.
MANPATH="$prefix/share/man" man -w marlune-find >/dev/null 2>&1 || fail "man does not find marlune-find(1)"
echo "install layout ok"
