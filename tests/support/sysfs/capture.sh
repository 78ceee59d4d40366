#!/usr/bin/env bash
# Captures the part of this machine's sysfs that describes the given tty devices, for the
# serial-port discovery test, which reads it through umockdev's preload library:
#   tests/support/sysfs/capture.sh OUT ttyS0 ttyUSB0 ...
# For each device: its /sys/class/tty link, and for the device and every parent up to
# /sys/devices their uevent, the attributes discovery reads (type, dev, idVendor, idProduct,
# manufacturer, product) and their subsystem and driver links. Links keep their relative
# targets. udev's database entry for the device (/run/udev/data/cMAJOR:MINOR), where udevd
# keeps one, is added to its uevent as umockdev holds udev properties: its E: lines as they
# are, its S: links as DEVLINKS.
set -euo pipefail
out=$1
shift
copy_dir() {
    local dir=$1 rel=${1#/sys/}
    mkdir -p "$out/sys/$rel"
    for file in uevent type dev idVendor idProduct manufacturer product; do
        [ -f "$dir/$file" ] && cat "$dir/$file" > "$out/sys/$rel/$file" || true
    done
    for link in subsystem driver; do
        [ -L "$dir/$link" ] && ln -sfn "$(readlink "$dir/$link")" "$out/sys/$rel/$link" || true
    done
}
for name in "$@"; do
    mkdir -p "$out/sys/class/tty"
    ln -sfn "$(readlink "/sys/class/tty/$name")" "$out/sys/class/tty/$name"
    dir=$(readlink -f "/sys/class/tty/$name")
    while [ "$dir" != /sys/devices ] && [ "$dir" != / ]; do
        [ -f "$dir/uevent" ] && copy_dir "$dir"
        dir=$(dirname "$dir")
    done
    db=/run/udev/data/c$(cat "/sys/class/tty/$name/dev")
    if [ -f "$db" ]; then
        uevent="$out/sys/$(readlink -f "/sys/class/tty/$name" | sed 's#^/sys/##')/uevent"
        sed -n 's/^E://p' "$db" >>"$uevent"
        links=$(sed -n 's#^S:#/dev/#p' "$db" | tr '\n' ' ')
        [ -z "$links" ] || echo "DEVLINKS=${links% }" >>"$uevent"
    fi
done
