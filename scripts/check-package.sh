#!/usr/bin/env bash
# Checks a built Debian package: its contents and control data, lintian, and then installs
# it on this machine, runs linkvanectl from /usr/bin and removes it again. Needs root (CI
# runs as root) for the installation. When the package lies in its build directory (as
# scripts/package.sh leaves it), that build is also packed as a packager would pack it,
# configured for /usr/local and run through plain cpack, and that package is checked too.
#   scripts/check-package.sh PACKAGE.deb
set -euo pipefail
deb=$(realpath "$1")
fail() { echo "check-package: $*" >&2; exit 1; }

check_package() {
    local deb=$1 contents depends path dependency
    contents=$(dpkg-deb --contents "$deb" | awk '{print $6}')
    for path in ./usr/bin/linkvane ./usr/bin/linkvanectl \
        ./usr/share/applications/linkvane.desktop \
        ./usr/share/icons/hicolor/scalable/apps/linkvane.svg \
        ./usr/share/man/man1/linkvanectl.1.gz ./usr/share/man/man1/linkvane.1.gz \
        ./usr/share/doc/linkvane/linkvane.html ./usr/share/doc/linkvane/copyright \
        ./usr/share/doc/linkvane/examples/77-linkvane-mm-ignore.rules \
        ./usr/share/bash-completion/completions/linkvanectl ./etc/ppp/peers/linkvane \
        ./usr/share/dbus-1/services/org.linkvane.Linkvane.service \
        ./usr/share/dbus-1/interfaces/org.linkvane.Linkvane1.xml; do
        grep -qx "$path" <<<"$contents" || fail "$path is not in $(basename "$deb")"
    done
    ! grep -q '^\./usr/local/' <<<"$contents" || fail "$(basename "$deb") installs into /usr/local"
    dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/dbus-1/services/org.linkvane.Linkvane.service |
        grep -qx 'Exec=/usr/bin/linkvane' || fail "the bus's service file does not start /usr/bin/linkvane"
    [[ $(dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./conffiles) == /etc/ppp/peers/linkvane ]] ||
        fail "/etc/ppp/peers/linkvane is not a conffile"
    depends=$(dpkg-deb --field "$deb" Depends)
    for dependency in ppp libqt6widgets6 libsqlite3-0 libc6; do
        grep -q "\b$dependency\b" <<<"$depends" || fail "Depends lacks $dependency: $depends"
    done
    # Errors and warnings fail; what stays is said in the README.
    lintian --fail-on error,warning "$deb" 2>/dev/null
}

check_package "$deb"

build=$(dirname "$deb")
if [[ -f $build/CMakeCache.txt ]]; then
    source=$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$build/CMakeCache.txt")
    cmake -S "$source" -B "$build" -DCMAKE_INSTALL_PREFIX=/usr/local >/dev/null
    plain=$(mktemp -d)
    trap 'rm -rf "$plain"' EXIT
    (cd "$build" && cpack -G DEB -B "$plain") >"$plain/cpack.log" 2>&1 ||
        fail "cpack failed: $(cat "$plain/cpack.log")"
    check_package "$(ls "$plain"/linkvane_*.deb)"
fi

if [[ $(id -u) -ne 0 ]]; then
    echo "check-package: not root, so the package is not installed here" >&2
    exit 0
fi
export DEBIAN_FRONTEND=noninteractive
# A peers file that no package owns is the machine's own: kept aside, and put back afterwards.
peers=/etc/ppp/peers/linkvane
kept=""
if [[ -e $peers ]] && ! dpkg -S "$peers" >/dev/null 2>&1; then
    kept=$(mktemp)
    cp -p "$peers" "$kept"
    rm "$peers"
fi
restore() {
    apt-get remove -y -qq --purge linkvane >/dev/null 2>&1 || true
    if [[ -n $kept ]]; then
        cp -p "$kept" "$peers" && rm -f "$kept"
    fi
    rm -rf "${plain:-}"
}
trap restore EXIT
apt-get install -y -qq "$deb" >/dev/null
/usr/bin/linkvanectl --help | grep -q "linkvanectl profile list" || fail "linkvanectl --help failed"
[[ $(stat -c '%G %a' /etc/ppp/peers/linkvane) == "dip 640" ]] ||
    fail "/etc/ppp/peers/linkvane is $(stat -c '%G %a' /etc/ppp/peers/linkvane), not dip 640"
apt-get remove -y -qq --purge linkvane >/dev/null
[[ ! -e /usr/bin/linkvanectl && ! -e $peers ]] || fail "files are left after the removal"
echo "check-package: $(basename "$deb") is complete, lintian-clean, installs, runs and is removed."
