#!/usr/bin/env bash
# Installs the Debian packages Marlune needs, when any is missing.
#   install-deps.sh run    what building and running need
#   install-deps.sh test   that, plus the test and benchmark tools and the packaging tools
#   install-deps.sh package   what building needs, plus the packaging tools
# Idempotent; uses sudo when not run as root.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-base-private-dev libgl-dev libcups2-dev libsodium-dev
  fonts-liberation2 fonts-dejavu-core
)
# Building the Debian package: dpkg-shlibdeps (dpkg-dev) and lintian.
if [ "${1:-run}" = package ] || [ "${1:-run}" = test ]; then
  packages+=(dpkg-dev file lintian)
fi
if [ "${1:-run}" = test ]; then
  packages+=(
    libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth xdotool xclip x11-utils twm trayer imagemagick poppler-utils tesseract-ocr tesseract-ocr-eng
    python3 sqlite3 libsqlite3-dev curl clang-format man-db groff-base
    appstream desktop-file-utils dbus at-spi2-core python3-pyatspi
    cups cups-bsd printer-driver-cups-pdf minisign python3-reportlab
    weston qt6-wayland
  )
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
