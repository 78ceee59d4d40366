#!/usr/bin/env bash
# Runs every libFuzzer target of a fuzz build for a while and fails if any of them finds a crash,
# a sanitizer report or a leak.
#
#   scripts/run-fuzzers.sh BUILD_DIR SECONDS
#
# BUILD_DIR is a build configured with -DLINKVANE_FUZZ=ON (see fuzz/CMakeLists.txt). Every
# executable BUILD_DIR/fuzz/fuzz_<area> runs for SECONDS, starting from a temporary copy of
# fuzz/corpus/<area>/ (so the repository is never written) and with fuzz/dict/<area>.dict when
# that exists. The inputs of failures are kept in BUILD_DIR/fuzz-artifacts/<target>/.
set -euo pipefail

if [[ $# -ne 2 || ! $2 =~ ^[0-9]+$ ]]; then
    echo "usage: $0 BUILD_DIR SECONDS" >&2
    exit 2
fi
build_dir=$(cd "$1" && pwd)
seconds=$2
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

shopt -s nullglob
fuzzers=()
for candidate in "$build_dir"/fuzz/fuzz_*; do
    [[ -f $candidate && -x $candidate ]] && fuzzers+=("$candidate")
done
if [[ ${#fuzzers[@]} -eq 0 ]]; then
    echo "No fuzz_* targets in $build_dir/fuzz: build them first (-DLINKVANE_FUZZ=ON)." >&2
    exit 2
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/linkvane-fuzz.XXXXXX")
trap 'rm -rf "$work"' EXIT

failed=()
for fuzzer in "${fuzzers[@]}"; do
    name=$(basename "$fuzzer")
    area=${name#fuzz_}
    corpus="$work/$name/corpus"
    artifacts="$work/$name/artifacts"
    mkdir -p "$corpus" "$artifacts"
    if [[ -d $repo/fuzz/corpus/$area ]]; then
        cp -R "$repo/fuzz/corpus/$area/." "$corpus/"
    fi
    options=(-max_total_time="$seconds" -artifact_prefix="$artifacts/" -print_final_stats=1)
    if [[ -f $repo/fuzz/dict/$area.dict ]]; then
        options+=(-dict="$repo/fuzz/dict/$area.dict")
    fi

    echo "== $name: ${seconds}s from $(ls "$corpus" | wc -l) seed(s)"
    log="$work/$name/log"
    if "$fuzzer" "${options[@]}" "$corpus" >"$log" 2>&1; then
        grep -E '^stat::(number_of_executed_units|peak_rss_mb)|cov:' "$log" | tail -3 || true
    else
        failed+=("$name")
        keep="$build_dir/fuzz-artifacts/$name"
        mkdir -p "$keep"
        cp -R "$artifacts/." "$keep/"
        tail -n 60 "$log"
        echo "!! $name failed; inputs kept in $keep" >&2
    fi
done

if [[ ${#failed[@]} -gt 0 ]]; then
    echo "Fuzzers that failed: ${failed[*]}" >&2
    exit 1
fi
echo "All ${#fuzzers[@]} fuzzer(s) ran ${seconds}s without a failure."
