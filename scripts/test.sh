#!/usr/bin/env bash
# Sets up what the tests need, builds everything with warnings as errors and
# runs every test through CTest.
#   scripts/test.sh             plain build in build/
#   scripts/test.sh --sanitize  AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."

mode=plain
case "${1:-}" in
  "") ;;
  --sanitize) mode=sanitize ;;
  *) echo "usage: scripts/test.sh [--sanitize]" >&2; exit 2 ;;
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
else
  build=build
  flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
fi

cmake -S . -B "$build" -DRUVEL_WERROR=ON "${flags[@]}"
cmake --build "$build" -j "$(nproc)"
QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
