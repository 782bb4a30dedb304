#!/usr/bin/env bash
# ./build.sh run   installs what is missing, builds, starts Marlune on its shipped data file
# ./build.sh test  installs what is missing, builds, runs the whole test suite
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${MARLUNE_BUILD_DIR:-$here/build}"
what="${1:-run}"
case "$what" in
  run) with_tests=OFF ;;
  test) with_tests=ON ;;
  *) echo "usage: $0 run|test" >&2; exit 2 ;;
esac
"$here/scripts/install-deps.sh" "$what"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DMARLUNE_BUILD_TESTS=$with_tests -DMARLUNE_BUILD_BENCH=$with_tests \
  ${MARLUNE_CMAKE_ARGS:-} >/dev/null
cmake --build "$build" -j "$(nproc)"
if [ "$what" = run ]; then
  # The program loads its data file from its working directory.
  cd "$build/bin" && exec ./marlune
fi
cd "$build" && exec ctest --output-on-failure -j "$(nproc)" --timeout 600
