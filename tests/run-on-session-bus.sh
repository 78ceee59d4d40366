#!/bin/sh
# Runs a test of the program on the session bus on a private bus of its own (dbus-run-session),
# with a display as run-with-display.sh gives one, so that each test owns the names it takes.
# Listing the tests needs neither.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
for arg in "$@"; do
    if [ "$arg" = "--gtest_list_tests" ]; then
        exec "$@"
    fi
done
exec dbus-run-session -- "$here/run-with-display.sh" "$@"
