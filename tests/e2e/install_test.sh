#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a desktop user
# gets: the program, its launcher, the data file, the icon and the desktop entry;
# then runs the launcher's seeding step without a display.
set -euo pipefail
build="$1"
prefix="$(mktemp -d)"
home="$(mktemp -d)"
trap 'rm -rf "$prefix" "$home"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
fail() { echo "FAIL: $*" >&2; exit 1; }
for f in bin/marlune libexec/marlune/marlune share/marlune/20051206.dat \
         share/icons/hicolor/64x64/apps/marlune.png share/applications/marlune.desktop \
         bin/marlune-find bin/marlune-mkdatafile bin/marlune-report \
         share/man/man1/marlune.1 share/man/man1/marlune-find.1 \
         share/man/man1/marlune-mkdatafile.1 share/man/man1/marlune-report.1; do
  [ -e "$prefix/$f" ] || fail "missing $f"
done
[ -x "$prefix/bin/marlune" ] || fail "launcher not executable"
grep -q '^Exec=marlune$' "$prefix/share/applications/marlune.desktop" || fail "desktop entry Exec"
cmp -s "$build/bin/20051206.dat" "$prefix/share/marlune/20051206.dat" || fail "data file differs"
# The launcher seeds the user's data directory and starts the program there:
# after a few seconds the data file is in place and the setting written.
HOME="$home" XDG_DATA_HOME= XDG_CONFIG_HOME= QT_QPA_PLATFORM=offscreen \
  timeout 6 "$prefix/bin/marlune" >/dev/null 2>&1 || true
cmp -s "$build/bin/20051206.dat" "$home/.local/share/marlune/20051206.dat" || fail "launcher did not seed the data file"
grep -q '"DataFileName"="20051206.dat"' "$home/.config/marlune/HKEY_CURRENT_USER.reg" \
  || fail "the program started by the launcher did not store its setting"
if [ -e "$prefix/bin/marlune-find" ]; then
  # The lookup tool finds the installed data file through the seeded directory.
  (cd "$home/.local/share/marlune" && HOME="$home" "$prefix/bin/marlune-find" sydney) | grep -q SYDNEY \
    || fail "marlune-find on the installed data"
fi
# The manual pages are found where man looks for them.
MANPATH="$prefix/share/man" man -w marlune-find >/dev/null 2>&1 || fail "man does not find marlune-find(1)"
echo "install layout ok"
