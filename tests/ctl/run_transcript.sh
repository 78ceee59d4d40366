#!/usr/bin/env bash
# Replays a linkvanectl transcript and fails when the program's answers differ from it.
#
#   run_transcript.sh LINKVANECTL TRANSCRIPT
#
# A transcript is a session as a user would see it:
#   # a comment, kept as it is
#   $ linkvanectl reg query '\Software\K\'     a shell command, run in a fresh working
#   stdout, line by line                        directory with a private XDG config home
#   ! stderr, line by line
#   [exit 1]                                    the exit status, when it is not 0
# Everything but the comments and the commands is what the commands print; the driver
# rebuilds it by running the commands and compares. The working directory shows as "~";
# $TEST_DATA is the tests' shared data (tests/support).
# With LINKVANE_REWRITE_GOLDEN=1 the transcript is rewritten with what the commands printed.
set -euo pipefail
if [[ $# -ne 2 ]]; then
    echo "usage: $0 LINKVANECTL TRANSCRIPT" >&2
    exit 2
fi
program=$(realpath "$1")
transcript=$2

work=$(mktemp -d "${TMPDIR:-/tmp}/linkvane-transcript.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/home" "$work/config"
ln -s "$program" "$work/bin/linkvanectl"
TEST_DATA=$(cd "$(dirname "$0")/../support" && pwd)
export TEST_DATA HOME="$work/home" XDG_CONFIG_HOME="$work/config" PATH="$work/bin:$PATH" LC_ALL=C.UTF-8

actual="$work/transcript"
: >"$actual"
while IFS= read -r line || [[ -n $line ]]; do
    if [[ $line == "# "* || $line == "#" ]]; then
        printf '%s\n' "$line" >>"$actual"
    elif [[ $line == '$ '* ]]; then
        printf '%s\n' "$line" >>"$actual"
        status=0
        (cd "$work/home" && bash -c "${line#\$ }" </dev/null >"$work/out" 2>"$work/err") || status=$?
        # A last line without its line end gets one, so that the next line stays apart.
        sed -e "s#$work/home#~#g; s#$work#~#g" -e '$a\' "$work/out" >>"$actual"
        sed -e "s#$work/home#~#g; s#$work#~#g; s#^#! #" -e '$a\' "$work/err" >>"$actual"
        [[ $status -eq 0 ]] || echo "[exit $status]" >>"$actual"
    fi
done <"$transcript"

if [[ ${LINKVANE_REWRITE_GOLDEN:-} == 1 ]]; then
    cp "$actual" "$transcript"
    exit 0
fi
diff -u --label "expected $transcript" --label actual "$transcript" "$actual"
