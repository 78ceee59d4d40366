#!/usr/bin/env bash
# Builds the Debian package from a Release build and prints its path:
#   build/package/linkvane_VERSION_ARCH.deb
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build="$root/build/package"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DLINKVANE_TESTS=OFF >&2
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target package >&2
ls "$build"/linkvane_*.deb
