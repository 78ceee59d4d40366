#!/usr/bin/env bash
# Runs a command with a private X server (Xvfb) and a notification-area host (trayer) on it,
# so that windows and the tray icon are real. Without Xvfb the command runs as it is.
set -euo pipefail
if ! command -v Xvfb >/dev/null 2>&1; then
    exec "$@"
fi
display=""
for n in $(seq 90 140); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
done
[ -n "$display" ] || { echo "with-xvfb: no free display" >&2; exit 1; }

# Xvfb writes the display's number on -displayfd once it accepts clients; a slow machine may
# take seconds to get there after its socket appears.
exec {ready}< <(exec Xvfb "$display" -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp 2>/dev/null)
xvfb=$!
tray=""
cleanup() {
    [ -n "$tray" ] && kill "$tray" 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    wait 2>/dev/null || true
}
trap cleanup EXIT
read -r -t 60 _ <&"$ready" || { echo "with-xvfb: Xvfb did not start" >&2; exit 1; }
export DISPLAY="$display"
if command -v trayer >/dev/null 2>&1; then
    trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 &
    tray=$!
    sleep 0.5
fi

set +e
"$@"
status=$?
set -e
exit $status
