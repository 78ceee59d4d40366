#!/usr/bin/env bash
# Installs what is missing, builds Linkvane and runs it. Only the two programs are built, not
# the tests, so that a first start takes minutes less.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
"$root/scripts/install-deps.sh"
build="$root/build/release"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLINKVANE_TESTS=OFF
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target linkvane linkvanectl
exec "$build/src/app/linkvane" "$@"
