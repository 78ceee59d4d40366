#!/usr/bin/env bash
# The real link: boots user-mode Linux (Debian's user-mode-linux) with this machine's root
# read-only, where guest.sh installs the package as a user does and dials real calls, with
# real pppd on both ends of the line and a kernel PPP between them. Prints each case's result
# and fails on any failure, or when the guest cannot boot. Writes nothing outside one scratch
# folder, which it removes (or, with LINKVANE_REAL_LINK_LOGS=DIR, moves to DIR for a look).
# LINKVANE_SKIP_REAL_LINK=1 skips it (and says so).
#   tools/real_link/run.sh PACKAGE.deb PEERS_DIR
# PEERS_DIR holds the built linkvane-modem-simulator and linkvane-pop3-server (BUILD/tools).
set -euo pipefail
if [[ ${LINKVANE_SKIP_REAL_LINK:-} == 1 ]]; then
    echo "real link: skipped (LINKVANE_SKIP_REAL_LINK=1)"
    exit 0
fi
here=$(cd "$(dirname "$0")" && pwd)
deb=$(realpath "$1")
peers=$(realpath "$2")
fail() {
    echo "real link: FAILED: $*" >&2
    exit 1
}
command -v linux.uml >/dev/null || fail "user-mode Linux (linux.uml) is not installed; scripts/install-deps.sh installs it"
[[ -f $deb && -x $peers/linkvane-modem-simulator && -x $peers/linkvane-pop3-server ]] ||
    fail "no package at $deb or no test peers in $peers"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/linkvane-real-link.XXXXXX")
keep=${LINKVANE_REAL_LINK_LOGS:-}
trap 'if [[ -n $keep ]]; then rm -rf "$keep" && mv "$scratch" "$keep"; else rm -rf "$scratch"; fi' EXIT
started=$SECONDS
# The kernel's memory file and its control socket go to the scratch folder too.
TMPDIR=$scratch timeout 300 linux.uml mem=1G rootfstype=hostfs rootflags=/ ro \
    init="$here/guest.sh" uml_dir="$scratch" umid=linkvane con0=fd:0,fd:1 con=null \
    LINKVANE_SCRATCH="$scratch" LINKVANE_DEB="$deb" LINKVANE_PEERS="$peers" \
    </dev/null >"$scratch/console.log" 2>&1 || true
elapsed=$((SECONDS - started))

show_logs() {
    for file in "$scratch"/guest.log "$scratch"/*/checks.log "$scratch"/*/connect.*; do
        [[ -s $file ]] && { echo "--- ${file#"$scratch"/}"; tail -n 40 "$file"; }
    done
    return 0
}
if [[ ! -f $scratch/finished ]]; then
    tail -n 30 "$scratch/console.log" >&2
    show_logs >&2
    fail "the guest did not boot or did not finish within 300 s (its console is above)"
fi
cat "$scratch/results"
cases=$(sed -n 's/^CASES //p' "$scratch/results")
passed=$(grep -c '^PASS ' "$scratch/results" || true)
if [[ -z $cases || $passed -ne $cases ]]; then
    show_logs
    fail "$passed of ${cases:-?} cases passed"
fi
echo "real link: all $cases cases passed in $elapsed s"
