#!/usr/bin/env bash
# Fuzzes one of the two targets for the given number of minutes (default
# 10), with libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer,
# built with clang in build-fuzz/:
#   events  the map loader, the route search, the drawing and the pointer
#           handling, as the window runs them (the default);
#   load    the map loader, the area index and the route search only, many
#           times as fast;
#   hierarchy  the reader of the fast-route cache's files, from
#           fuzz/hierarchy_corpus.
#   scripts/fuzz.sh [MINUTES] [events|load|hierarchy]
# The seeds in fuzz/corpus stay as they are; the inputs the fuzzer adds go to
# build-fuzz/corpus (events) or build-fuzz/load-corpus (load). A failing
# input is written to fuzz/findings/: once its fault is fixed, move it to
# fuzz/reproducers/, whose inputs every test run replays through both
# targets. The layer files of each input are written to a folder on tmpfs
# (/dev/shm, or $TMPDIR when set).
set -euo pipefail
cd "$(dirname "$0")/.."
minutes="${1:-10}"
target="${2:-events}"
case "$minutes" in
  '' | *[!0-9]*) echo "usage: scripts/fuzz.sh [MINUTES] [events|load|hierarchy]" >&2; exit 2 ;;
esac
case "$target" in
  events) binary=ruvel_fuzz corpus=build-fuzz/corpus seeds=fuzz/corpus options=-dict=fuzz/layers.dict ;;
  load) binary=ruvel_load_fuzz corpus=build-fuzz/load-corpus seeds=fuzz/corpus options=-dict=fuzz/layers.dict ;;
  hierarchy) binary=ruvel_hierarchy_fuzz corpus=build-fuzz/hierarchy-corpus seeds=fuzz/hierarchy_corpus options= ;;
  *) echo "usage: scripts/fuzz.sh [MINUTES] [events|load|hierarchy]" >&2; exit 2 ;;
esac

scripts/install-deps.sh clang libclang-rt-14-dev
CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRUVEL_FUZZ=ON -DRUVEL_BENCH=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target "$binary"
mkdir -p "$corpus" fuzz/findings
export QT_LOGGING_RULES="*.warning=false"
# Leaks inside the system libraries Qt loads are not ours.
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
exec "build-fuzz/fuzz/$binary" -max_total_time=$((minutes * 60)) $options \
  -artifact_prefix=fuzz/findings/ -print_final_stats=1 "$corpus" "$seeds"
