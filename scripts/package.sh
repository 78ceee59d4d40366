#!/usr/bin/env bash
# Builds the Debian package from a Release build, as a packager would (plain cmake, then
# cpack), and prints its path:
#   build/package/linkvane_VERSION_ARCH.deb
# The code is optimised at -O2, as Debian builds its packages. Extra arguments are passed to
# cmake: scripts/test.sh adds -DLINKVANE_TESTS=ON -DLINKVANE_WERROR=ON, so that warnings the
# optimiser alone finds fail CI.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build="$root/build/package"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DLINKVANE_TESTS=OFF -DLINKVANE_WERROR=OFF "$@" >&2
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" >&2
rm -f "$build"/linkvane_*.deb
(cd "$build" && cpack -G DEB) >&2
ls "$build"/linkvane_*.deb
