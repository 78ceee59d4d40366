#!/bin/sh
# Runs a GUI test on the X display of the environment when there is one (scripts/test.sh
# runs the whole suite on a private Xvfb with a tray host), else on a private one started
# by scripts/with-xvfb.sh, so a bare `ctest` works headless too (one GUI test at a time).
# Listing the tests needs no display.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
# Library caches that live until exit are not leaks of ours (see lsan.supp).
LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$here/lsan.supp}"
export LSAN_OPTIONS
for arg in "$@"; do
    if [ "$arg" = "--gtest_list_tests" ]; then
        exec "$@"
    fi
done
if [ -n "${DISPLAY:-}" ]; then
    exec "$@"
fi
# with-xvfb.sh picks its display number by looking for a free one, which two runs starting
# at once can both pick; the lock keeps such runs one at a time.
exec flock "${TMPDIR:-/tmp}/linkvane-private-display.lock" "$here/../scripts/with-xvfb.sh" "$@"
