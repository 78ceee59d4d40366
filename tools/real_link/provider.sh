#!/bin/bash
# The provider, inside the guest: run by guest.sh in the network namespace "isp" (and the
# private mount namespace that "ip netns exec" makes), with the login's passwords on standard
# input. Its secrets live on mounts of its own, which the caller's side cannot see, as on
# another machine.
#   provider.sh PEERS_DIR      (PEERS_DIR: the built linkvane-modem-simulator and -pop3-server)
# Two lines answer at /run/modem/pap and /run/modem/chap: each is a simulated modem that
# carries a call on to a pppd of the provider's, asking for PAP or CHAP. Their pids are in
# /run/modem/LINE.pid. Dovecot serves the login's mailbox of 3 messages of 100 kB each at
# 192.0.2.1:110.
set -euo pipefail
peers=$1
read -r password
read -r mail_password

ip link set lo up
ip addr add 192.0.2.1/32 dev lo  # the mail server's address, also while no call is up
mount -t tmpfs -o mode=700 isp-secrets /etc/ppp
mount -t tmpfs -o mode=1777 isp-tmp /tmp
umask 077
printf 'alice isp "%s" 192.0.2.2\n' "$password" >/etc/ppp/pap-secrets
cp /etc/ppp/pap-secrets /etc/ppp/chap-secrets
umask 022

mkdir -p /run/modem
"$peers/linkvane-pop3-server" 192.0.2.1 110 alice 3 100000 <<<"$mail_password" >/run/modem/pop3.out &
for auth in pap chap; do
    "$peers/linkvane-modem-simulator" "/run/modem/$auth" "echo=on" "" -- /usr/sbin/pppd \
        nodetach local "require-$auth" name isp 192.0.2.1:192.0.2.2 ms-dns 192.0.2.1 \
        ms-dns 192.0.2.3 logfile "/run/modem/$auth.log" >/dev/null &
    echo $! >"/run/modem/$auth.pid"
done
wait
