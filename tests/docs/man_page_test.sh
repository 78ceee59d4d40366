#!/usr/bin/env bash
# Fails when a command that "linkvanectl --help" lists has no entry in the manual page, or when
# bash completion does not offer it.
#   man_page_test.sh LINKVANECTL MAN_PAGE COMPLETION
set -euo pipefail
program=$1 page=$2 completion=$3

# The completion asks the program for its help on every word; a stand-in that prints the
# help once captured keeps the test fast.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$program" --help >"$work/help"
printf '#!/bin/sh\ncat "%s"\n' "$work/help" >"$work/linkvanectl"
chmod +x "$work/linkvanectl"

# "group command" for groups of commands, "group" for a group that is one command.
mapfile -t commands < <(sed -n 's/^  linkvanectl //p' "$work/help" |
    awk '{ if ($2 ~ /^[a-z][a-z-]*$/) print $1 " " $2; else print $1 }')
[[ ${#commands[@]} -gt 0 ]] || { echo "no commands in $program --help" >&2; exit 1; }

missing=0
for command in "${commands[@]}"; do
    # An entry opens with a bold ".B", ".BR" or ".BI" line that starts with the command.
    if ! grep -Eq "^\.B[IR]? \"?${command}( |\"|$)" "$page"; then
        echo "$page has no entry for \"linkvanectl $command\"" >&2
        missing=1
    fi
done

# The completion offers every group, and every command of its group.
# shellcheck source=/dev/null
source "$completion"
complete_words() {
    COMP_WORDS=("$work/linkvanectl" "$@")
    COMP_CWORD=$(($# + 1))
    COMP_WORDS+=("")
    COMPREPLY=()
    _linkvanectl
    printf '%s\n' "${COMPREPLY[@]}"
}
for command in "${commands[@]}"; do
    read -r group name <<<"$command"
    if ! grep -qx "$group" <<<"$(complete_words)"; then
        echo "completion does not offer the group \"$group\"" >&2
        missing=1
    fi
    if [[ -n ${name:-} ]] && ! grep -qx "$name" <<<"$(complete_words "$group")"; then
        echo "completion does not offer \"$group $name\"" >&2
        missing=1
    fi
done
exit $missing
