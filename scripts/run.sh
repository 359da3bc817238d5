#!/usr/bin/env bash
# Sets up what Ruvel needs, builds it and starts the window; File, Open...
# starts in the sample map folder beside the program. Without a display it
# says so and shows the sample map through ruvel-route instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target ruvel ruvel-route
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display here (neither DISPLAY nor WAYLAND_DISPLAY is set), so the Ruvel window cannot open."
  echo "The sample map as ruvel-route reads it:"
  exec build/ruvel-route info build/Maps/Mtown.mif
fi
exec build/ruvel
