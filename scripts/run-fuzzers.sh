#!/usr/bin/env bash
# Runs every libFuzzer target of a build for a bounded time, each from a copy of its starting
# corpus: scripts/run-fuzzers.sh BUILD_DIR SECONDS
set -euo pipefail
build=$1
seconds=$2
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
found=0
for fuzzer in "$build"/fuzz/fuzz_*; do
    [ -x "$fuzzer" ] && [ -f "$fuzzer" ] || continue
    name=$(basename "$fuzzer")
    area=${name#fuzz_}
    # Only real libFuzzer binaries take -max_total_time; replayers would ignore it. (The help
    # text is captured first: a pipe into grep -q would cut the fuzzer off and, under
    # pipefail, read as "not found".)
    help=$("$fuzzer" -help=1 2>&1 || true)
    if [[ $help != *max_total_time* ]]; then
        echo "$name is a corpus replayer (no libFuzzer); replaying only"
        if [ -d "$root/fuzz/corpus/$area" ]; then
            "$fuzzer" -runs=0 "$root/fuzz/corpus/$area"
        fi
        continue
    fi
    found=1
    mkdir -p "$work/$area"
    cp -r "$root/fuzz/corpus/$area/." "$work/$area/" 2>/dev/null || true
    echo "-- $name for $seconds s"
    "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
        "$work/$area" 2>&1 | tail -n 30
done
[ $found -eq 1 ] || echo "note: no libFuzzer targets found in $build"
