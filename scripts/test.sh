#!/usr/bin/env bash
# Sets up what the tests need, builds everything with warnings as errors and
# runs every test through CTest.
#   scripts/test.sh             plain build in build/
#   scripts/test.sh --sanitize  AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/
#   scripts/test.sh --thread    the tests of work on more than one thread (loads,
#                               rebuilds, fast routes, the loader, the
#                               OpenStreetMap import, map writing and the
#                               window's turn restrictions) under
#                               ThreadSanitizer in build-tsan/
set -euo pipefail
cd "$(dirname "$0")/.."

mode=plain
only=()
case "${1:-}" in
  "") ;;
  --sanitize) mode=sanitize ;;
  --thread) mode=thread ;;
  *) echo "usage: scripts/test.sh [--sanitize | --thread]" >&2; exit 2 ;;
esac

scripts/install-deps.sh

if [ "$mode" = sanitize ]; then
  build=build-asan
  flags=(-DCMAKE_BUILD_TYPE=Debug -DRUVEL_SANITIZE=ON)
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  # Leaks inside the system libraries Qt loads are not ours; the programs the
  # tests start inherit this too.
  export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
elif [ "$mode" = thread ]; then
  build=build-tsan
  flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DRUVEL_SANITIZE_THREADS=ON -DRUVEL_BENCH=OFF)
  # Debian's Qt is not instrumented: what is reported inside it is not ours.
  export TSAN_OPTIONS="suppressions=$PWD/tests/tsan.supp:halt_on_error=1"
  only=(-R '^(MapWork|LoadCancel|FastRoutes|LayerLoader|LoaderEquivalence|BuildRoadGraph|MapAreaIndex|OsmImport|MapWrite|RestrictionWindow)\.')
else
  build=build
  flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
fi

cmake -S . -B "$build" -DRUVEL_WERROR=ON "${flags[@]}"
cmake --build "$build" -j "$(nproc)"
QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "${only[@]}"
