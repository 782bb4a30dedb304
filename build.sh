#!/usr/bin/env bash
# ./build.sh run   installs what is missing, builds, starts Marlune on its shipped data file
# ./build.sh test  installs what is missing, builds, runs the whole test suite
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${MARLUNE_BUILD_DIR:-$here/build}"
"$here/scripts/install-deps.sh"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)"
case "${1:-run}" in
  run)
    # The program loads its data file from its working directory.
    cd "$build/bin" && exec ./marlune ;;
  test)
    cd "$build" && exec ctest --output-on-failure -j "$(nproc)" --timeout 600 ;;
  *)
    echo "usage: $0 run|test" >&2; exit 2 ;;
esac
