#!/usr/bin/env bash
# Sets up what building Ruvel needs, builds the two programs in build-run/
# (without the tests and the benchmarks) and starts the window, opening
# MAP.mif when one is given; File, Open... starts in the sample map folder
# beside the program. Without a display it draws the sample map into a PNG
# picture with ruvel-route and says where the picture is.
#   scripts/run.sh [MAP.mif]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --programs
build=build-run
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRUVEL_TESTS=OFF -DRUVEL_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  picture="$PWD/$build/Mtown.png"
  "$build/ruvel-route" render "$build/Maps/Mtown.mif" "$picture"
  echo "No display here (neither DISPLAY nor WAYLAND_DISPLAY is set), so the Ruvel window cannot open."
  echo "The sample map as the window draws it: $picture"
  exit 0
fi
exec "$build/ruvel" "$@"
