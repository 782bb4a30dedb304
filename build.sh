#!/usr/bin/env bash
# ./build.sh run   installs what is missing, builds, starts Marlune on its shipped data file
# ./build.sh test  installs what is missing, builds, runs the whole test suite
# ./build.sh package  installs what is missing, builds, writes the Debian
#                     package marlune_<version>_<arch>.deb into the build folder
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${MARLUNE_BUILD_DIR:-$here/build}"
what="${1:-run}"
case "$what" in
  run) with_tests=OFF ;;
  test) with_tests=ON ;;
  package) with_tests=OFF ;;
  *) echo "usage: $0 run|test|package" >&2; exit 2 ;;
esac
"$here/scripts/install-deps.sh" "$what"
test_options=(-DMARLUNE_BUILD_TESTS=$with_tests -DMARLUNE_BUILD_BENCH=$with_tests)
if [ "$what" = package ] && [ -f "$build/CMakeCache.txt" ]; then
  # The package holds only what is installed: a build made for the tests
  # serves as it is, without building anything again.
  test_options=()
fi
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  "${test_options[@]}" ${MARLUNE_CMAKE_ARGS:-} >/dev/null
cmake --build "$build" -j "$(nproc)"
if [ "$what" = package ]; then
  cd "$build"
  rm -f marlune_*.deb
  cpack -G DEB >/dev/null
  ls "$build"/marlune_*.deb
  exit 0
fi
if [ "$what" = run ]; then
  # The program loads its data file from its working directory.
  cd "$build/bin" && exec ./marlune
fi
cd "$build" && exec ctest --output-on-failure -j "$(nproc)" --timeout 600
