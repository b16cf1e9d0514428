#!/usr/bin/env bash
# Builds the Release benchmark, runs every benchmark and prints the table.
# The full run also writes bench/RESULTS.md (the table, the machine and the
# commands, followed by bench/ANALYSIS.md). --quick uses a small corpus and
# small files, so that it keeps building and running in the tests; it leaves
# RESULTS.md alone.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

quick=0
if [ "${1:-}" = "--quick" ]; then
    quick=1
elif [ $# -gt 0 ]; then
    echo "usage: bench/run.sh [--quick]" >&2
    exit 2
fi

if [ $quick = 1 ]; then
    per_format=${TUNEMOSS_BENCH_FILES:-20}
    runs=1
    syscall_files=20
    write_mb=2
    write_repeats=1
    piece_seconds=3
    tree_songs=2000
    list_entries=2000
else
    per_format=${TUNEMOSS_BENCH_FILES:-2000}
    runs=${TUNEMOSS_BENCH_RUNS:-7}
    syscall_files=200
    write_mb=60
    write_repeats=3
    piece_seconds=20
    tree_songs=100000
    list_entries=1000000
fi

bash scripts/setup.sh

# TUNEMOSS_BENCH_BUILD names a build folder that is already configured with
# -DTUNEMOSS_BENCH=ON and is used as it is (the tests pass their sanitizer
# build for --quick); by default a Release build of its own.
if [ -n "${TUNEMOSS_BENCH_BUILD:-}" ]; then
    build=$TUNEMOSS_BENCH_BUILD
else
    build=$root/build-bench
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTUNEMOSS_TESTS=OFF \
        -DTUNEMOSS_BENCH=ON >/dev/null
fi
cmake --build "$build" -j "$(nproc)" --target tunemoss_bench tree_bench tunemoss >/dev/null
build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt")
bench="$build/bench/tunemoss_bench"
tunemoss="$build/cli/tunemoss"
tree_bench="$build/bench/tree_bench"

work=$(mktemp -d "${TMPDIR:-/tmp}/tunemoss-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
out="$work/table.md"
commands="$work/commands.md"
: >"$out"
: >"$commands"

say() { printf '%s\n' "$*" | tee -a "$out"; }
record() { printf -- '- `%s`\n' "$*" >>"$commands"; }
now_ns() { date +%s%N; }
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# --- 1. Corpus -------------------------------------------------------------
corpus="$work/corpus"
record "tunemoss_bench corpus tests/data CORPUS $per_format"
start=$(now_ns)
"$bench" corpus "$root/tests/data" "$corpus" "$per_format"
corpus_s=$(awk -v a="$start" -v b="$(now_ns)" 'BEGIN { printf "%.1f", (b - a) / 1e9 }')
files=$(find "$corpus" -type f | wc -l)

say "## Tag reading (GetSongInfo), files per second"
say ""
say "$per_format files per format ($files in all, made in ${corpus_s} s), page cache warm,"
say "one core, one warm-up pass, then the median of $runs passes; the readers take turns;"
say "$build_type build."
say ""
if ! pkg-config --exists taglib; then
    say "TagLib is not installed (Debian: libtag1-dev), so the peer columns stay empty."
    say ""
fi
record "tunemoss_bench read CORPUS $runs"
"$bench" read "$corpus" "$runs" | tee -a "$out"
say ""

# --- 3. System calls per file ------------------------------------------------
say "## System calls per file (GetSongInfo)"
say ""
if command -v strace >/dev/null; then
    record "strace -qq -o TRACE tunemoss_bench once CORPUS/FORMAT $syscall_files (less the same run over 0 files)"
    say "Over $syscall_files files per format, less a run that reads none."
    say ""
    say "| format | per file | calls |"
    say "|---|---:|---|"
    for folder in "$corpus"/*/; do
        name=$(basename "$folder")
        # A sanitizer build's leak check cannot run under ptrace.
        export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
        strace -qq -o "$work/trace0" "$bench" once "$folder" 0
        strace -qq -o "$work/trace1" "$bench" once "$folder" "$syscall_files"
        awk -v n="$syscall_files" -v name="$name" '
            match($0, /^[a-z_0-9]+\(/) {
                call = substr($0, 1, RLENGTH - 1)
                count[call] += (FILENAME == ARGV[1]) ? -1 : 1
            }
            END {
                list = ""; total = 0
                for (call in count) {
                    if (count[call] > 0) {
                        list = list sprintf("%s%s %.2f", list == "" ? "" : ", ", call, count[call] / n)
                        total += count[call]
                    }
                }
                printf "| %s | %.2f | %s |\n", name, total / n, list
            }' "$work/trace0" "$work/trace1" | tee -a "$out"
    done
else
    say "strace is not installed: skipped."
fi
say ""

# --- 4. Folder scan into the song tree ----------------------------------------
say "## Folder scan into the song tree"
say ""
say "The whole corpus ($files files), walked by a local search that inserts each"
say "song into a fresh tree: inline, and with the tree changes handed to a second"
say "(owner) thread through a dispatcher, as the desktop program does; against"
say "reading the same files' tags in a loop. Median of $runs passes, taking turns;"
say "not pinned, since the owner thread needs the second core."
say ""
record "tunemoss_bench scan CORPUS $runs"
"$bench" scan "$corpus" "$runs" | tee "$work/scan_table" | tee -a "$out"
say ""
record "tunemoss scan CORPUS >/dev/null, wall clock, median of $runs"
: >"$work/scan"
for ((i = 0; i < runs; i++)); do
    start=$(now_ns)
    "$tunemoss" scan "$corpus" >/dev/null
    echo $(($(now_ns) - start)) >>"$work/scan"
done
scan_s=$(median <"$work/scan" | awk '{ printf "%.3f", $1 / 1e9 }')
alone_s=$(awk -F'|' '/reading the tags alone/ { gsub(/ /, "", $4); print $4 }' "$work/scan_table")
say "\`tunemoss scan\` of the corpus, printing the tree to /dev/null, start-up included:"
say "$scan_s s (median of $runs), $(awk -v a="$scan_s" -v b="$alone_s" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')x reading the tags alone."
say ""

# --- 5. Song database -----------------------------------------------------------
say "## Song database ($tree_songs songs)"
say ""
say "Songs with known tags inserted into an empty tree, saved as a song database"
say "file, loaded into another empty tree, then 10,000 of them found by path"
say "(the time of one search)."
say ""
record "tree_bench $tree_songs"
"$tree_bench" "$tree_songs" | tee -a "$out"
say ""

# --- 5b. Play lists and the tree's memory ----------------------------------------
say "## Play lists ($list_entries entries) and the song tree's memory"
say ""
if [ -x /usr/bin/time ]; then
    awk -v n="$list_entries" 'BEGIN {
        print "#EXTM3U"
        for (i = 0; i < n; i++) {
            printf "#EXTINF:%d,Artist %d - Title %d\n/music/collection/artist %d/%d.mp3\n", i % 600, i % 1000, i, i % 1000, i
        }
    }' >"$work/big.m3u"
    list_mb=$(awk -v s="$(stat -c %s "$work/big.m3u")" 'BEGIN { printf "%.1f", s / 1e6 }')
    record "tunemoss playlist convert BIG.m3u BIG.pls and tunemoss playlist show BIG.m3u >/dev/null, timed by /usr/bin/time -f '%e %M'"
    say "An extended M3U of $list_entries entries ($list_mb MB); wall clock and peak memory."
    say ""
    say "| command | seconds | peak MB |"
    say "|---|---:|---:|"
    list_run() {  # label, then the command
        local label=$1
        shift
        /usr/bin/time -f '%e %M' -o "$work/list_time" "$@" >/dev/null
        awk -v l="$label" '{ printf "| %s | %.2f | %.1f |\n", l, $1, $2 / 1024 }' "$work/list_time" | tee -a "$out"
    }
    list_run "convert M3U to PLS" "$tunemoss" playlist convert "$work/big.m3u" "$work/big.pls"
    list_run "convert PLS to M3U" "$tunemoss" playlist convert "$work/big.pls" "$work/back.m3u"
    list_run "show M3U" "$tunemoss" playlist show "$work/big.m3u"
    rm -f "$work/big.m3u" "$work/big.pls" "$work/back.m3u"
    say ""
else
    say "/usr/bin/time is not installed: skipped."
fi
record "tree_bench memory $tree_songs"
say "Resident memory a tree of $tree_songs songs over 1,000 artists holds."
say ""
"$tree_bench" memory "$tree_songs" | tee -a "$out"
say ""

# --- 6. Writing -------------------------------------------------------------------
say "## Writing the title of a ${write_mb} MB file"
say ""
make_mp3() {
    # Real MPEG frames, repeated: the writer streams them without looking.
    ffmpeg -v error -f lavfi -i "anoisesrc=d=$piece_seconds:r=44100:a=0.3" -ac 2 -c:a libmp3lame -b:a 320k \
        -id3v2_version 0 -write_xing 0 -f mp3 "$work/piece.mp3"
    : >"$1"
    while [ "$(stat -c %s "$1")" -lt $((write_mb * 1000 * 1000)) ]; do
        cat "$work/piece.mp3" >>"$1"
    done
}
make_flac() {
    # This noise compresses to about 95 KB per second of stereo.
    local seconds=$((write_mb * 1000 * 1000 / 95000 + 1))
    ffmpeg -v error -f lavfi -i "anoisesrc=d=$seconds:r=44100:a=0.9" -ac 2 -sample_fmt s16 \
        -c:a flac -compression_level 0 "$1"
}
if command -v ffmpeg >/dev/null && [ -x /usr/bin/time ]; then
    make_mp3 "$work/big.mp3"
    make_flac "$work/big.flac"
    record "tunemoss write FILE --title TITLE, timed by /usr/bin/time -f %M (peak memory) and the wall clock"
    record "cp FILE COPY, and cp FILE COPY && sync COPY, timed the same way"
    say "Median of $write_repeats runs. The write flushes the new file to disk before it"
    say "replaces the old one (fsync), which cp does not; the last column shows cp with"
    say "the same flush."
    say ""
    say "| file | tag before | write s | peak MB | cp s | write/cp | cp+fsync s | write/(cp+fsync) |"
    say "|---|---|---:|---:|---:|---:|---:|---:|"
    timed() {  # prints "seconds peak_kb" for one command
        local start end
        start=$(now_ns)
        /usr/bin/time -f %M -o "$work/rss" "$@"
        end=$(now_ns)
        awk -v a="$start" -v b="$end" -v kb="$(tail -n1 "$work/rss")" \
            'BEGIN { printf "%.3f %d\n", (b - a) / 1e9, kb }'
    }
    for ext in mp3 flac; do
        for comment in 0 204800; do
            file="$work/song.$ext"
            cp "$work/big.$ext" "$file"
            "$bench" retag "$file" "Before" "$comment"
            size_mb=$(awk -v s="$(stat -c %s "$file")" 'BEGIN { printf "%.1f", s / 1e6 }')
            : >"$work/w"
            : >"$work/c"
            : >"$work/cs"
            for ((i = 0; i < write_repeats; i++)); do
                timed "$tunemoss" write "$file" --title "After $i" >>"$work/w"
                rm -f "$work/copy"
                timed cp "$file" "$work/copy" >>"$work/c"
                rm -f "$work/copy"
                timed sh -c 'cp "$1" "$2" && sync "$2"' sh "$file" "$work/copy" >>"$work/cs"
            done
            w=$(awk '{ print $1 }' "$work/w" | median)
            peak=$(awk '{ print $2 }' "$work/w" | sort -n | tail -n1)
            c=$(awk '{ print $1 }' "$work/c" | median)
            cs=$(awk '{ print $1 }' "$work/cs" | median)
            label=$([ "$comment" = 0 ] && echo "small" || echo "200 KB comment")
            awk -v f="$ext ($size_mb MB)" -v l="$label" -v w="$w" -v p="$peak" -v c="$c" -v cs="$cs" \
                'BEGIN { printf "| %s | %s | %.3f | %.1f | %.3f | %.2f | %.3f | %.2f |\n",
                         f, l, w, p / 1024, c, (c > 0 ? w / c : 0), cs, (cs > 0 ? w / cs : 0) }' |
                tee -a "$out"
        done
    done
else
    say "ffmpeg or /usr/bin/time is not installed: skipped."
fi
say ""

if [ $quick = 1 ]; then
    exit 0
fi

results="$root/bench/RESULTS.md"
{
    echo "# Benchmark results"
    echo ""
    echo "- date: $(date -u '+%Y-%m-%d %H:%M UTC')"
    echo "- machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'), load average $(cut -d' ' -f1-3 /proc/loadavg)"
    echo "- commit: $(git rev-parse --short HEAD 2>/dev/null || echo unknown)"
    echo "- run: \`bench/run.sh\` ($build_type build in $(basename "$build"))"
    echo ""
    cat "$out"
    echo "## Commands"
    echo ""
    cat "$commands"
    if [ -f "$root/bench/ANALYSIS.md" ]; then
        echo ""
        cat "$root/bench/ANALYSIS.md"
    fi
} >"$results"
echo "wrote $results"
