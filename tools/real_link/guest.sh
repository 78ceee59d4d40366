#!/bin/bash
# The guest's init: makes the machine, installs Linkvane as a user would, starts the provider
# and the running program, runs the cases of cases.sh and writes their results to the
# scratch folder. Started by run.sh as user-mode Linux's init, with the host's root read-only;
# everything written goes to tmpfs mounts or to the scratch folder.
set -uo pipefail
export PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8
here=$(dirname "$(readlink -f "$0")")
root=$(dirname "$(dirname "$here")")
trap 'sync; poweroff -f' EXIT

mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t tmpfs -o mode=755 run /run
mkdir /run/lock /run/scratch /run/overlay
mount -t tmpfs -o mode=1777 lock /run/lock
mount -t tmpfs -o mode=1777 tmp /tmp
mkdir /dev/pts /dev/shm
mount -t devpts -o gid=5,mode=620,ptmxmode=666 devpts /dev/pts
mount -t tmpfs -o mode=1777 shm /dev/shm
ln -s /proc/self/fd /dev/fd
mount -t hostfs -o "$LINKVANE_SCRATCH" scratch /run/scratch
out=/run/scratch
exec >"$out/guest.log" 2>&1

modules=/usr/lib/uml/modules/$(uname -r)/kernel
for module in fs/overlayfs/overlay lib/crc-ccitt drivers/net/slip/slhc \
    drivers/net/ppp/ppp_generic drivers/net/ppp/ppp_async; do
    insmod "$modules/$module.ko" || echo "cannot load $module" >>"$out/setup-failures"
done
[ -c /dev/ppp ] || mknod -m 600 /dev/ppp c 108 0
# /etc, /usr, /var and /home as on the host, writable into tmpfs, so that the user and the
# package can be added as on any machine.
for dir in etc usr var home; do
    mkdir -p "/run/overlay/$dir/upper" "/run/overlay/$dir/work"
    mount -t overlay -o "lowerdir=/$dir,upperdir=/run/overlay/$dir/upper,workdir=/run/overlay/$dir/work" \
        "$dir" "/$dir" || echo "cannot make /$dir writable" >>"$out/setup-failures"
done
# A Debian 12 desktop: systemd lets every group use ping sockets.
sysctl -q -w net.ipv4.ping_group_range="0 2147483647"
ip link set lo up

# The user, as the README says: in the groups dialout (the modem) and dip (pppd).
adduser --quiet --disabled-password --gecos "" dialer
adduser --quiet dialer dialout
adduser --quiet dialer dip
# The package, as a user installs it (the manual pages' index is not rebuilt here).
rm -f /var/lib/man-db/auto-update
echo "[$SECONDS s] user made"
dpkg -i "$LINKVANE_DEB" >"$out/install.log" 2>&1 || echo "cannot install the package" >>"$out/setup-failures"

echo "[$SECONDS s] package installed"
# Passwords made for this run only, so that finding one anywhere means it leaked.
password=$(tr -dc 'A-Za-z0-9' </dev/urandom | head -c 16)
mail_password=$(tr -dc 'A-Za-z0-9' </dev/urandom | head -c 16)
ip netns add isp
printf '%s\n%s\n' "$password" "$mail_password" |
    ip netns exec isp "$here/provider.sh" "$LINKVANE_PEERS" >"$out/provider.log" 2>&1 &
for _ in $(seq 100); do
    [ -e /run/modem/pap ] && [ -e /run/modem/chap ] && grep -q ready /run/modem/pop3.out 2>/dev/null && break
    sleep 0.1
done

source "$here/cases.sh"
echo "[$SECONDS s] machine made"
start_program || echo "linkvane did not start" >>"$out/setup-failures"
echo "[$SECONDS s] program started"
if [ -e "$out/setup-failures" ]; then
    echo "SETUP FAILED: $(head -1 "$out/setup-failures")" >"$out/results"
else
    run_cases >"$out/results"
fi
cp /run/modem/*.log "$out/" 2>/dev/null
touch "$out/finished"
