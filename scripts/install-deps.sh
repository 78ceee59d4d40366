#!/usr/bin/env bash
# Installs the Debian 12 packages that Linkvane needs to build, run and test.
# Runs apt-get as root, or through sudo; does nothing when everything is installed already.
set -euo pipefail

packages=(
    # build
    cmake ninja-build ccache g++ clang libclang-rt-14-dev clang-format pkg-config
    # the program's link lays its start-up code out together (src/app/CMakeLists.txt)
    lld
    qt6-base-dev qt6-svg-dev libgl-dev
    libsqlite3-dev libsndfile1-dev libasound2-dev nlohmann-json3-dev libudev-dev libssl-dev
    # linkvanectl's session-bus client (sd-bus, loaded when a command first needs the bus)
    libsystemd-dev
    # run: the dialler hands connected lines to pppd
    ppp
    # test
    libgtest-dev libgmock-dev xvfb xauth trayer dovecot-pop3d iproute2 sqlite3
    # a captured sysfs tree read through libudev in the tests
    umockdev
    # test: a private session bus for the program's interface and the notification server
    dbus-daemon dbus-session-bus-common
    # test: the mail check's certificates are made at test time
    openssl
    # the locales' sources, which the build compiles with localedef for the call log's locale test
    locales
    # the real link: a kernel with PPP as a process, and what its guest runs
    user-mode-linux kmod jq procps x11-utils
    # benchmark references: iputils ping (Python's poplib comes with python3)
    iputils-ping python3
    fonts-dejavu-core
    # package: CPack finds the dependencies with dpkg-shlibdeps (dpkg-dev) and file
    dpkg-dev file lintian
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

as_root=()
if [ "$(id -u)" -ne 0 ]; then
    as_root=(sudo)
fi
echo "Installing: ${missing[*]}"
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
