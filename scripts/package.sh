#!/usr/bin/env bash
# Builds the Debian package of Ruvel, ruvel_VERSION_ARCH.deb, in
# build-package/ (a release build without the tests and the benchmarks) and
# prints its path. It holds both programs, the import module, the desktop
# entry with its icon and MIME type, and the sample map; its dependencies are
# computed from the libraries they link (dpkg-shlibdeps). Where lintian is
# installed, a package it finds an error or a warning in is refused.
#   scripts/package.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --programs dpkg-dev file
build=build-package
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DRUVEL_TESTS=OFF -DRUVEL_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"
rm -f "$build"/ruvel_*.deb
(cd "$build" && cpack >/dev/null)
package=$(ls "$PWD/$build"/ruvel_*.deb)
if command -v lintian >/dev/null; then
  lintian --fail-on error,warning "$package"
fi
echo "$package"
