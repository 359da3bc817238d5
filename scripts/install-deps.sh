#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running need, when
# any of them is missing, together with any packages named as arguments.
# Non-interactive; works as root or through sudo.
#   scripts/install-deps.sh [PACKAGE ...]             everything the tests need
#   scripts/install-deps.sh --programs [PACKAGE ...]  only what building the programs needs
set -euo pipefail

packages=(cmake make g++ qt6-base-dev libgl-dev libgdal-dev fonts-dejavu-core help2man)
if [ "${1:-}" = --programs ]; then
  shift
else
  # The tests, the benchmarks, and the package the tests build and check;
  # libosmium (header-only, with the compression and protobuf libraries its
  # PBF writer needs) for the OpenStreetMap benchmark files, and osmium-tool
  # as that benchmark's yardstick.
  packages+=(libgtest-dev libbenchmark-dev dpkg-dev file lintian)
  packages+=(libosmium2-dev libprotozero-dev zlib1g-dev libbz2-dev libexpat1-dev liblz4-dev osmium-tool)
fi
packages+=("$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
