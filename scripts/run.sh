#!/usr/bin/env bash
# Installs what is missing, builds Linkvane and runs it.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
"$root/scripts/install-deps.sh"
build="$root/build/release"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)"
if [ -x "$build/src/app/linkvane" ]; then
    exec "$build/src/app/linkvane" "$@"
fi
exec "$build/src/ctl/linkvanectl" profile list
