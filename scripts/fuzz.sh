#!/usr/bin/env bash
# Fuzzes the map loader, the route search, the drawing and the pointer
# handling for the given number of minutes (default 10), with libFuzzer,
# AddressSanitizer and UndefinedBehaviorSanitizer, built with clang in
# build-fuzz/.
#   scripts/fuzz.sh [MINUTES] [hierarchy]
# With "hierarchy" it fuzzes the reader of the fast-route cache's files
# instead, from fuzz/hierarchy_corpus.
# The seeds in fuzz/corpus stay as they are; the inputs the fuzzer adds go to
# build-fuzz/corpus. A failing input is written to fuzz/findings/: once its
# fault is fixed, move it to fuzz/reproducers/, whose inputs every test run
# replays. The layer files of each input are written to a folder on tmpfs
# (/dev/shm, or $TMPDIR when set).
set -euo pipefail
cd "$(dirname "$0")/.."
minutes="${1:-10}"
case "$minutes" in
  '' | *[!0-9]*) echo "usage: scripts/fuzz.sh [MINUTES] [hierarchy]" >&2; exit 2 ;;
esac
target=ruvel_fuzz seeds=fuzz/corpus corpus=build-fuzz/corpus options=-dict=fuzz/layers.dict
if [ "${2:-}" = hierarchy ]; then
  target=ruvel_hierarchy_fuzz seeds=fuzz/hierarchy_corpus corpus=build-fuzz/hierarchy_corpus options=
fi

scripts/install-deps.sh clang libclang-rt-14-dev
CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRUVEL_FUZZ=ON -DRUVEL_BENCH=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target "$target"
mkdir -p "$corpus" fuzz/findings
export QT_LOGGING_RULES="*.warning=false"
# Leaks inside the system libraries Qt loads are not ours.
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
exec build-fuzz/fuzz/"$target" -max_total_time=$((minutes * 60)) $options \
  -artifact_prefix=fuzz/findings/ -print_final_stats=1 "$corpus" "$seeds"
