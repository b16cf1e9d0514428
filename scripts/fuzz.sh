#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for the given number
# of seconds (default 20), seeded from tests/data.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-20}
build=$root/build-fuzz

CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTUNEMOSS_FUZZ=ON >/dev/null
cmake --build "$build" -j "$(nproc)"

status=0
for target in "$build"/fuzz/fuzz_*; do
    [ -x "$target" ] || continue
    name=$(basename "$target")
    corpus=$(mktemp -d)
    cp -r "$root"/tests/data/. "$corpus"/ 2>/dev/null || true
    extra=()
    [ -d "$root/fuzz/seeds/$name" ] && extra+=("$root/fuzz/seeds/$name")
    echo "fuzz: $name for ${seconds}s"
    if ! "$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
        -print_final_stats=0 "$corpus" "${extra[@]}" >"$corpus.log" 2>&1; then
        echo "fuzz: $name FAILED"
        tail -n 60 "$corpus.log"
        status=1
    fi
    rm -rf "$corpus" "$corpus.log"
done
exit $status
