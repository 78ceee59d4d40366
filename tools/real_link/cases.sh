# The real link's cases, one row each. Sourced by guest.sh, which has made the machine, the
# user "dialer", the provider (lines /run/modem/pap and /run/modem/chap, mail at 192.0.2.1),
# $password and $mail_password (the provider's login "alice"), and $out (the scratch folder).
# Each row: its name, the phonebook entry it dials, the provider's line, the password it
# gives ("right" or "wrong") and what it runs; run_cases prints one "PASS name" or
# "FAIL name: why" line per row after a first line "CASES N".
CASES=(
    "pap_call|PAP Line|pap|right|good_call"
    "chap_call|CHAP Line|chap|right|good_call"
    "refused_login|Refused Line|pap|wrong|refused_call"
    "provider_hangs_up|Dropped Line|pap|right|dropped_call"
    "call_monitor|Logged Call|chap|right|logged_call"
    "password_secret|Secret Line|pap|right|secret_call"
)
settings='\Software\Kestrom\Linkvane\'

# Runs a command as the user, from /, with a login's environment.
as_user() {
    (cd / && exec setpriv --reuid=dialer --regid=dialer --init-groups \
        env -i HOME=/home/dialer PATH=/usr/bin:/bin LANG=C.UTF-8 "$@")
}
ctl() { as_user linkvanectl "$@"; }

# check WHAT COMMAND...: a command that fails is written down as the case's failure.
check() {
    local what=$1
    shift
    echo "[$SECONDS s] $what" >>"$log"
    if ! "$@" >>"$log" 2>&1; then
        echo "not so: $what" >>"$log"
        failures+=("$what")
    fi
}
# within SECONDS COMMAND...: waits until the command succeeds.
within() {
    local end=$((SECONDS + $1))
    shift
    until "$@" >/dev/null 2>&1; do
        ((SECONDS < end)) || return 1
        sleep 0.2
    done
}
json_has() { jq -e "${@:2}" <<<"$1" >/dev/null || { echo "$1"; return 1; }; }
# Octets that have crossed the caller's interface: "IN OUT".
counters() { echo "$(</sys/class/net/ppp0/statistics/rx_bytes) $(</sys/class/net/ppp0/statistics/tx_bytes)"; }
# Retrieves the whole mailbox over the link, as a mail program does: 300 kB and more.
fetch_mailbox() {
    local pop reply got
    exec {pop}<>/dev/tcp/192.0.2.1/110 || return 1
    read -r -t 10 reply <&"$pop"  # the greeting
    for command in "USER alice" "PASS $mail_password"; do
        printf '%s\r\n' "$command" >&"$pop"
        read -r -t 10 reply <&"$pop" && [[ $reply == +OK* ]] || return 1
    done
    printf 'RETR 1\r\nRETR 2\r\nRETR 3\r\nQUIT\r\n' >&"$pop"
    got=$(timeout 30 cat <&"$pop" | wc -c)
    exec {pop}<&-
    echo "$got bytes of mail fetched"
    ((got > 300000))
}
events() { jq -c -s "$1" "$dir/connect.out"; }

make_profile() {
    local secret=$password
    [ "$which" = wrong ] && secret=not-the-providers
    ctl phonebook add "$entry" --phone 5551 --device "/run/modem/$line" --replace &&
        ctl profile set "$entry" Login alice && ctl profile set "$entry" Password "$secret" &&
        ctl profile set "$entry" POP3Host 192.0.2.1 && ctl profile set "$entry" Username alice &&
        ctl profile set "$entry" EPassword "$mail_password" &&
        ctl profile set "$entry" POP3Security plain  # the provider's dovecot offers no TLS
}

# Dials the entry in the background; true once the call is up.
start_call() {
    ctl connect "$entry" --json >"$dir/connect.out" 2>"$dir/connect.err" &
    connect=$!
    within 30 grep -q '"event":"connected"' "$dir/connect.out"
}
# Waits for linkvanectl connect to end; its exit status.
end_call() {
    within 20 eval '! kill -0 $connect' || kill "$connect"
    wait "$connect"
}
call_logged() { json_has "$(ctl log --json)" --arg e "$entry" 'any(.calls[]; .entry == $e)'; }
pppd_pid() { ctl links --json | jq -r --arg e "$entry" '.links[] | select(.entry == $e) | .pid'; }

# After every end: pppd gone (no zombie), lock and line free, no link left.
check_released() {
    local pid=${1:-}
    [ -n "$pid" ] && check "pppd $pid is gone" test ! -e "/proc/$pid"
    check "no pppd of the user is left" eval '! pgrep -U dialer -x pppd'
    check "the UUCP lock is removed" eval '! ls /run/lock/LCK..* 2>/dev/null'
    check "the line is free" within 5 ctl modem probe "/run/modem/$line" --json
    check "no link is listed" json_has "$(ctl links --json)" '.links == []'
    check "the interface is gone" test ! -e /sys/class/net/ppp0
}

good_call() {
    check "the call comes up" start_call
    check "connect reports the local address" \
        json_has "$(events 'map(select(.event == "connected"))')" '.[0].localAddress == "192.0.2.2"'
    local links pid
    links=$(ctl links --json)
    pid=$(jq -r --arg e "$entry" '.links[] | select(.entry == $e) | .pid' <<<"$links")
    check "links lists the entry with its pppd on ppp0 and the name servers" json_has "$links" \
        --arg e "$entry" '.links | length == 1 and .[0].entry == $e and .[0].interface == "ppp0"
            and (.[0].pid | type == "number") and .[0].nameServers == ["192.0.2.1", "192.0.2.3"]'
    check "the listed pid is pppd" test "$(cat "/proc/$pid/comm" 2>/dev/null)" = pppd
    check "pppd was given the password on a descriptor" \
        eval 'tr "\0" " " </proc/$pid/cmdline | grep -q "passwordfd 3"'
    check "a ping crosses the link" json_has "$(ctl ping 192.0.2.1 --json)" '.ok and .rttMs >= 0'
    sysctl -q -w net.ipv4.ping_group_range="1 0"
    local refused
    refused=$(ctl ping 192.0.2.1 --json)
    sysctl -q -w net.ipv4.ping_group_range="0 2147483647"
    check "a ping that may not be sent names the setting" json_has "$refused" \
        '(.ok | not) and (.text | contains("net.ipv4.ping_group_range"))'
    check "the mail check counts 3 messages over the link" \
        json_has "$(ctl mail check "$entry" --json)" '.ok and .count == 3'
    check "the mailbox comes over the link" fetch_mailbox
    sleep 2  # the running program's call monitor reads the link's counters once a second
    local volume
    volume=$(counters)
    echo "the link's counters before the hang-up, in and out: $volume" >>"$log"
    check "hangup without a name ends Linkvane's link" json_has "$(ctl hangup --json)" \
        --arg e "$entry" --argjson p "${pid:-0}" '.hungUp == [{"entry": $e, "pid": $p}]'
    end_call
    check "connect ends with 0 after the call" test $? -eq 0
    check "the call is reported as ended" json_has "$(events 'map(.event) | .[-1]')" '. == "disconnected"'
    check_released "$pid"
    check "the running program logs the call" within 10 call_logged
    check "the call's bytes are the link's counters, within 1%" json_has "$(ctl log --json)" \
        --arg e "$entry" --argjson in "${volume% *}" --argjson out "${volume#* }" '
        def near($b): (. - $b | if . < 0 then -. else . end) <= $b / 100;
        [.calls[] | select(.entry == $e)] | length == 1 and (.[0].bytesIn | near($in))
            and (.[0].bytesOut | near($out)) and .[0].bytesIn > 300000'
}

refused_call() {
    ctl reg add "${settings}RedialAttempts" REG_DWORD 2
    as_user timeout 90 linkvanectl connect "$entry" --json >"$dir/connect.out" 2>"$dir/connect.err"
    local status=$?
    ctl reg add "${settings}RedialAttempts" REG_DWORD 0
    check "connect fails with 1" test $status -eq 1
    # A redial left in the budget is not spent: the same password would be refused again.
    check "refused once and ended, not redialled" \
        json_has "$(events 'map(select(.event != "state") | .event)')" \
        '. == ["dial", "failed", "disconnected"]'
    check "the refusal is 25691 with pppd's reason" \
        json_has "$(events 'map(select(.event == "failed"))')" \
        'length == 1 and (.[0].code == 25691) and (.[0].text | test("refused the login.*authentication failed"))'
    check "the message says why there is no redial" \
        grep -q "^linkvanectl: Connection Failed - The provider refused the login.*does not redial a refused login" \
        "$dir/connect.err"
    check_released
}

dropped_call() {
    check "the call comes up" start_call
    local pid
    pid=$(pppd_pid)
    pkill -TERM -P "$(cat "/run/modem/$line.pid")"  # the provider's pppd hangs up
    end_call
    check "connect ends with 0 after the call" test $? -eq 0
    check "the drop is reported" json_has "$(events 'map(.event) | .[-2:]')" \
        '. == ["connected", "disconnected"]'
    check_released "$pid"
}

# linkvane, started at boot, logs the call that linkvanectl made once it ends.
logged_call() {
    check "linkvane runs" pgrep -U dialer -x linkvane
    check "the call comes up" start_call
    local up held
    up=$(date +%s%N)
    sleep 4
    held=$((($(date +%s%N) - up) / 1000000000))
    ctl hangup "$entry" >/dev/null
    end_call
    check "the call is logged" within 10 call_logged
    local log_json
    log_json=$(ctl log --json)
    # The monitor looks once a second, so it may see the call up to a second late.
    check "one line of at least the held time, $held s" json_has "$log_json" --arg e "$entry" \
        --argjson held "$held" '[.calls[] | select(.entry == $e)] | length == 1
            and .[0].durationSeconds >= $held - 1'
    check "every logged call is one of the entries dialled" json_has "$log_json" \
        '[.calls[].entry] - ["PAP Line", "CHAP Line", "Refused Line", "Dropped Line", "Logged Call"]
            == []'
    check "linkvane still runs" pgrep -U dialer -x linkvane
}

# Passwords anywhere: command lines, environments, files of the writable mounts.
secrets_in() { grep -lsF -D skip -f <(printf '%s\n%s\n' "$password" "$mail_password") "$@"; }
secret_call() {
    check "the call comes up" start_call
    local writable
    writable=$(awk '$4 ~ /^rw/ && $3 !~ /^(proc|sysfs|devpts|overlay)$/ { print $2 }' /proc/mounts)
    check "no command line or environment holds a password" \
        test -z "$(secrets_in /proc/[0-9]*/cmdline /proc/[0-9]*/environ)"
    check "no file of the writable mounts holds a password" test -z "$(secrets_in -r $writable)"
    ctl hangup >/dev/null
    end_call
}

# The running program, on a display of its own, started from / as a user starts it.
start_program() {
    as_user "$root/scripts/with-xvfb.sh" linkvane >"$out/linkvane.log" 2>&1 &
    within 60 program_window
}
program_window() {
    local pid display
    pid=$(pgrep -U dialer -x linkvane) &&
        display=$(tr '\0' '\n' <"/proc/$pid/environ" | sed -n 's/^DISPLAY=//p') &&
        xwininfo -root -tree -display "$display" | grep -q '"Linkvane"'
}

run_cases() {
    echo "CASES ${#CASES[@]}"
    for row in "${CASES[@]}"; do
        IFS='|' read -r name entry line which run <<<"$row"
        dir=$out/$name
        log=$dir/checks.log
        mkdir -p "$dir"
        failures=()
        local started=$SECONDS
        make_profile >>"$log" 2>&1 || failures+=("the profile cannot be made")
        ((${#failures[@]})) || "$run"
        # Nothing of one case is left for the next.
        ctl hangup >/dev/null 2>&1
        if [ -n "${connect:-}" ]; then
            kill "$connect" 2>/dev/null
            wait "$connect" 2>/dev/null
        fi
        connect=""
        if ((${#failures[@]})); then
            echo "FAIL $name: ${failures[0]} ($((SECONDS - started)) s)"
        else
            echo "PASS $name ($((SECONDS - started)) s)"
        fi
    done
}
