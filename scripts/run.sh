#!/usr/bin/env bash
# Sets up what Ruvel needs, builds it and runs it on the sample map.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target ruvel ruvel-route
exec build/ruvel-route info build/Maps/Mtown.mif
