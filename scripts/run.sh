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
# Dialling needs pppd's options for Linkvane's links; only root can put them in place.
if [ "$(id -u)" = 0 ]; then
    install -D -m 0640 -g dip "$root/resources/ppp/linkvane" /etc/ppp/peers/linkvane
fi
exec "$build/src/app/linkvane" "$@"
