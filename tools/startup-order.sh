#!/usr/bin/env bash
# Writes src/app/startup_order.txt: the functions of the program that its start-up runs. The
# link lays them out together at the front of the code (src/app/CMakeLists.txt), so that
# start-up maps a few hundred KiB of the program instead of nearly all of it. Run by hand, on a
# Release build, after start-up changes (a stale list costs memory, never correctness):
#
#   tools/startup-order.sh [build-dir] [seconds]      (defaults: build/release, 45)
#
# It runs the program under callgrind (valgrind) on a private X display with an empty config
# directory, waits while the splash and the main window come up, and lists every function one
# of the program's executed instructions lies in, by its linker name.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build/release}"
seconds="${2:-45}"
program="$(realpath -m "$build/src/app/linkvane")"
command -v valgrind >/dev/null || { echo "startup-order: needs valgrind" >&2; exit 2; }
[ -x "$program" ] || { echo "startup-order: no program at $program" >&2; exit 2; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir "$work/config"
cat >"$work/run.sh" <<EOF
XDG_CONFIG_HOME="$work/config" valgrind --tool=callgrind --dump-instr=yes \
    --callgrind-out-file="$work/profile.%p" "$program" >"$work/valgrind.log" 2>&1 &
pid=\$!
sleep "$seconds"
kill -TERM \$pid
wait \$pid || true
EOF
"$root/scripts/with-xvfb.sh" bash "$work/run.sh"

nm --defined-only "$program" >"$work/symbols"
# The main process's profile is the largest (a child forked by a library writes its own).
profile="$(ls -S "$work"/profile.* | head -n 1)"
python3 - "$profile" "$program" "$work/symbols" >"$root/src/app/startup_order.txt" <<'EOF'
import bisect, re, sys
profile, program, symbols = sys.argv[1:4]
# Instruction addresses of the program's own object; callgrind compresses object names to
# "(id)" after their first use, and positions to offsets from the previous one.
objects, current, position, executed = {}, "", 0, set()
for line in open(profile, errors="replace"):
    key = line.split("=", 1)[0]
    if key in ("ob", "cob"):
        m = re.match(r"\((\d+)\)(?: (.*))?", line.split("=", 1)[1].strip())
        if m and m.group(2) is not None:
            objects[m.group(1)] = m.group(2)
        if key == "ob" and m:
            current = objects.get(m.group(1), "")
        continue
    token = line.split(None, 1)[0] if line.strip() else ""
    if not token or "=" in token:
        continue
    if token.startswith("0x"):
        position = int(token, 16)
    elif token[0] in "+-":
        position += int(token)
    elif token != "*":
        continue
    if current == program:
        executed.add(position)
functions = []
for line in open(symbols):
    fields = line.split()
    if len(fields) == 3 and fields[1] in "tTwW":
        functions.append((int(fields[0], 16), fields[2]))
functions.sort()
starts = [start for start, _ in functions]
names = {}
for address in sorted(executed):
    i = bisect.bisect_right(starts, address) - 1
    # Every name of that function (a constructor's complete and base forms share one body).
    while i >= 0 and starts[i] == starts[bisect.bisect_right(starts, address) - 1]:
        names.setdefault(functions[i][1], None)
        i -= 1
print("\n".join(names))
EOF
echo "startup-order: $(wc -l <"$root/src/app/startup_order.txt") functions" >&2
