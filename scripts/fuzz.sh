#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs them.
#
#   scripts/fuzz.sh                    replay: every target over its seed corpus
#                                      (tests/data, fuzz/seeds/TARGET) and every
#                                      saved crash input (fuzz/regressions/TARGET),
#                                      then a short mutation run with a fixed seed
#                                      and a fixed number of runs. The same result
#                                      on every machine: this is what CI runs.
#   scripts/fuzz.sh --explore SECONDS  a random exploration of each target for
#                                      SECONDS; crashes are saved under
#                                      build-fuzz/findings/TARGET. Fix what it
#                                      finds and add the input to fuzz/regressions.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=$root/build-fuzz
mode=replay
seconds=0
case "${1:-}" in
    --explore)
        mode=explore
        seconds=${2:?usage: scripts/fuzz.sh --explore SECONDS}
        ;;
    "") ;;
    *)
        echo "usage: scripts/fuzz.sh [--explore SECONDS]" >&2
        exit 2
        ;;
esac
runs=${TUNEMOSS_FUZZ_RUNS:-2000}

CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTUNEMOSS_FUZZ=ON >/dev/null
cmake --build "$build" -j "$(nproc)"

status=0
for target in "$build"/fuzz/fuzz_*; do
    [ -x "$target" ] || continue
    name=$(basename "$target")
    corpus=$(mktemp -d)
    cp -r "$root"/tests/data/. "$corpus"/ 2>/dev/null || true
    inputs=("$corpus")
    [ -d "$root/fuzz/seeds/$name" ] && inputs+=("$root/fuzz/seeds/$name")
    [ -d "$root/fuzz/regressions/$name" ] && inputs+=("$root/fuzz/regressions/$name")
    common=(-rss_limit_mb=2048 -timeout=10 -print_final_stats=0)
    if [ "$mode" = replay ]; then
        echo "fuzz: $name: seeds and regressions, then $runs fixed-seed runs"
        # The first pass changes nothing in the corpus folders: it only runs
        # every input once. The second mutates from the copied corpus alone.
        if ! "$target" "${common[@]}" -runs=0 "${inputs[@]}" >"$corpus.log" 2>&1 ||
            ! "$target" "${common[@]}" -seed=1 -runs="$runs" "$corpus" >>"$corpus.log" 2>&1; then
            echo "fuzz: $name FAILED"
            tail -n 60 "$corpus.log"
            status=1
        fi
    else
        findings=$build/findings/$name
        mkdir -p "$findings"
        echo "fuzz: $name for ${seconds}s (findings in $findings)"
        if ! "$target" "${common[@]}" -max_total_time="$seconds" -artifact_prefix="$findings/" \
            "${inputs[@]}" >"$corpus.log" 2>&1; then
            echo "fuzz: $name FAILED"
            tail -n 60 "$corpus.log"
            status=1
        fi
    fi
    rm -rf "$corpus" "$corpus.log"
done
exit $status
