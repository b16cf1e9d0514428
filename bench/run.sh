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
    inplace_repeats=1
    piece_seconds=3
    batch_files=10
    batch_mb=1
    batch_repeats=1
    edit_songs=100
    cover_songs=2
    tree_songs=2000
    list_entries=2000
    loudness_files=2
    loudness_seconds=5
else
    per_format=${TUNEMOSS_BENCH_FILES:-2000}
    runs=${TUNEMOSS_BENCH_RUNS:-7}
    syscall_files=200
    write_mb=60
    write_repeats=${TUNEMOSS_BENCH_WRITES:-5}
    # A write in place takes a fraction of a millisecond: more of them.
    inplace_repeats=${TUNEMOSS_BENCH_INPLACE_WRITES:-20}
    piece_seconds=20
    batch_files=500
    batch_mb=5
    batch_repeats=${TUNEMOSS_BENCH_BATCHES:-3}
    edit_songs=5000
    cover_songs=20
    tree_songs=100000
    list_entries=1000000
    loudness_files=200
    loudness_seconds=30
fi

bash scripts/setup.sh
# TagLib is the yardstick of the full run; the tests do without it.
if [ $quick = 0 ] && ! pkg-config --exists taglib && command -v apt-get >/dev/null; then
    $([ "$(id -u)" = 0 ] || echo sudo) apt-get install -y libtag1-dev >/dev/null
fi

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
targets="tunemoss_bench tree_bench tunemoss empty_program"
if grep -q '^TAGLIB_FOUND:INTERNAL=1' "$build/CMakeCache.txt"; then
    targets="$targets taglib_write"
fi
cmake --build "$build" -j "$(nproc)" --target $targets >/dev/null
build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt")
bench="$build/bench/tunemoss_bench"
tunemoss="$build/bin/tunemoss"
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
say "$build_type build. The floor opens the file, reads its first and last 4 KB and closes"
say "it; the 64 KB floor opens it, reads 64 KB once and closes it. Goals: WAV, AIFF and"
say "WavPack read at least 2x TagLib's speed, DSF and Matroska at least half the 64 KB"
say "floor's."
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

# --- Start-up -------------------------------------------------------------------
say "## Start-up"
say ""
startup_runs=$([ $quick = 1 ] && echo 10 || echo 200)
record "tunemoss --version and empty_program, $startup_runs times each, taking turns, median of $runs"
: >"$work/start_ours"
: >"$work/start_empty"
for ((i = 0; i < runs; i++)); do
    start=$(now_ns)
    for ((n = 0; n < startup_runs; n++)); do "$tunemoss" --version >/dev/null; done
    echo $((($(now_ns) - start) / startup_runs)) >>"$work/start_ours"
    start=$(now_ns)
    for ((n = 0; n < startup_runs; n++)); do "$build/bench/empty_program" >/dev/null; done
    echo $((($(now_ns) - start) / startup_runs)) >>"$work/start_empty"
done
say "\`tunemoss --version\` against a C++ program that loads libstdc++, prints a line"
say "and exits (bench/EmptyProgram.cpp), $startup_runs processes of each in turn, the"
say "median of $runs rounds; wall clock per process. Goal: at most 1.5x the empty program."
say ""
say "| program | ms per process | x empty program | goal met |"
say "|---|---:|---:|---|"
awk -v o="$(median <"$work/start_ours")" -v e="$(median <"$work/start_empty")" 'BEGIN {
    printf "| tunemoss --version | %.2f | %.2f | %s |\n", o / 1e6, o / e, (o / e <= 1.5) ? "yes" : "**no**"
    printf "| empty_program | %.2f | 1.00 | |\n", e / 1e6
}' | tee -a "$out"
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
        # A list over the readers' size cap is refused, which is a figure too.
        if /usr/bin/time -f '%e %M' -o "$work/list_time" "$@" >/dev/null 2>"$work/list_error"; then
            awk -v l="$label" '{ printf "| %s | %.2f | %.1f |\n", l, $1, $2 / 1024 }' "$work/list_time" | tee -a "$out"
        else
            say "| $label | refused: $(sed -n 's/^tunemoss: [^:]*: //; s/; [^;]* is left as it was$//p' "$work/list_error" | head -n1) | - |"
        fi
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
# The undo journal of in-place writes lives with the run's files, not the user's.
export XDG_STATE_HOME="$work/state"
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
have_taglib=0
taglib_major=$(pkg-config --modversion taglib 2>/dev/null | cut -d. -f1)
taglib_major=${taglib_major:-0}
if grep -q '^TAGLIB_FOUND:INTERNAL=1' "$build/CMakeCache.txt" && [ -x "$build/bench/taglib_write" ]; then
    have_taglib=1
fi

make_mp3() {  # FILE MB: real MPEG frames, repeated; the writers stream them without looking
    ffmpeg -v error -y -f lavfi -i "anoisesrc=d=$piece_seconds:r=44100:a=0.3" -ac 2 -c:a libmp3lame \
        -b:a 320k -id3v2_version 0 -write_xing 0 -f mp3 "$work/piece.mp3"
    : >"$1"
    while [ "$(stat -c %s "$1")" -lt $(($2 * 1000 * 1000)) ]; do
        cat "$work/piece.mp3" >>"$1"
    done
}
make_flac() {  # this noise compresses to about 95 KB per second of stereo
    ffmpeg -v error -y -f lavfi -i "anoisesrc=d=$(($2 * 1000 * 1000 / 95000 + 1)):r=44100:a=0.9" -ac 2 \
        -sample_fmt s16 -c:a flac -compression_level 0 "$1"
}
make_m4a() {  # Apple Lossless, about 88 KB per second; the movie header before the audio
    ffmpeg -v error -y -f lavfi -i "anoisesrc=d=$(($2 * 1000 * 1000 / 88000 + 1)):r=44100:a=0.9" -ac 2 \
        -sample_fmt s16p -c:a alac -movflags +faststart "$1"
}
make_ogg() {  # Vorbis at its highest quality, about 50 KB per second of this noise
    ffmpeg -v error -y -f lavfi -i "anoisesrc=d=$(($2 * 1000 * 1000 / 50000 + 1)):r=44100:a=0.3" -ac 2 \
        -c:a libvorbis -q:a 10 "$1"
}
make_wav() {  # 16-bit stereo PCM at 44.1 kHz, 176,400 bytes per second
    ffmpeg -v error -y -f lavfi -i "anoisesrc=d=$(($2 * 1000 * 1000 / 176400 + 1)):r=44100:a=0.3" -ac 2 \
        -c:a pcm_s16le "$1"
}
make_aiff() {
    ffmpeg -v error -y -f lavfi -i "anoisesrc=d=$(($2 * 1000 * 1000 / 176400 + 1)):r=44100:a=0.3" -ac 2 \
        -c:a pcm_s16be "$1"
}
make_wv() {  # loud noise leaves WavPack little to take out, about 150 KB per second
    ffmpeg -v error -y -f lavfi -i "anoisesrc=d=$(($2 * 1000 * 1000 / 150000 + 1)):r=44100:a=0.9" -ac 2 \
        -sample_fmt s16p -c:a wavpack "$1"
}
make_mka() {  # FLAC in Matroska, as make_flac; ffmpeg puts the Tags after the Clusters
    ffmpeg -v error -y -f lavfi -i "anoisesrc=d=$(($2 * 1000 * 1000 / 95000 + 1)):r=44100:a=0.9" -ac 2 \
        -sample_fmt s16 -c:a flac -compression_level 0 "$1"
}
make_dsf() {  # no tool here writes DSF: its published layout, stereo DSD64 of a fixed pattern
    /usr/bin/python3 - "$1" "$2" <<'EOF'
import struct, sys
path, mb = sys.argv[1], int(sys.argv[2])
channels, rate, block = 2, 2822400, 4096
blocks = mb * 1000 * 1000 // (block * channels) + 1
data = (bytes([0x69]) * block) * channels
fmt = struct.pack("<4sQIIIIIIQII", b"fmt ", 52, 1, 0, 2, channels, rate, 1, blocks * block * 8,
                  block, 0)
size = 28 + len(fmt) + 12 + blocks * len(data)
with open(path, "wb") as f:
    f.write(struct.pack("<4sQQQ", b"DSD ", 28, size, 0) + fmt)
    f.write(struct.pack("<4sQ", b"data", 12 + blocks * len(data)))
    for _ in range(blocks):
        f.write(data)
EOF
}
# FILE PADDING COMMENT_BYTES: a title "Before" (and a comment) written by
# mutagen, with its own choice of padding ("default") or exactly PADDING bytes.
tag_file() {
    /usr/bin/python3 - "$@" <<'EOF'
import sys
import mutagen
from mutagen.id3 import ID3, COMM, TIT2
from mutagen.mp4 import MP4

path, padding, comment_bytes = sys.argv[1], sys.argv[2], int(sys.argv[3])
note = "A long liner note, repeated to fill the comment. "
comment = (note * (comment_bytes // len(note) + 1))[:comment_bytes]
if path.endswith('.mka'):
    # mutagen has no Matroska: mkvpropedit writes the tag, with its own padding.
    import subprocess, tempfile
    from xml.sax.saxutils import escape
    simple = '<Simple><Name>%s</Name><String>%s</String></Simple>'
    with tempfile.NamedTemporaryFile('w', suffix='.xml') as xml:
        xml.write('<Tags><Tag><Targets/>' + simple % ('TITLE', 'Before') +
                  (simple % ('COMMENT', escape(comment)) if comment else '') + '</Tag></Tags>')
        xml.flush()
        subprocess.run(['mkvpropedit', '-q', path, '--tags', 'global:' + xml.name], check=True)
    sys.exit()
song = mutagen.File(path)
if song.tags is None:
    song.add_tags()
if isinstance(song.tags, ID3):
    song.tags.add(TIT2(encoding=3, text="Before"))
    if comment:
        song.tags.add(COMM(encoding=3, lang="eng", desc="", text=comment))
elif isinstance(song, MP4):
    song.tags["\xa9nam"] = "Before"
    if comment:
        song.tags["\xa9cmt"] = comment
else:
    song.tags["title"] = "Before"
    if comment:
        song.tags["comment"] = comment
if padding == "default":
    song.save()
else:
    song.save(padding=lambda info: int(padding))
EOF
}
# Prints one field (1-based) of every line of a file, for median.
field() { awk -v n="$1" '{ print $n }' "$2"; }

write_formats="mp3 flac m4a ogg"
# The formats whose goal is a write in place (TagLib 1.x reads neither DSF
# nor Matroska); they are left out of the whole-file rewrites.
in_place_formats="wav aiff wv dsf"
command -v mkvpropedit >/dev/null && in_place_formats="$in_place_formats mka"
if command -v ffmpeg >/dev/null && [ -x /usr/bin/time ] && /usr/bin/python3 -c 'import mutagen' 2>/dev/null; then
    for ext in $write_formats; do
        "make_$ext" "$work/big.$ext" "$write_mb"
    done

    say "## Writing: a title change in a tag with room (${write_mb} MB files)"
    say ""
    say "Each file is made by ffmpeg and tagged by mutagen with its default padding"
    say "(ID3v2 padding, a FLAC PADDING block, an MP4 free atom, room in the Ogg comment"
    say "packet). songcore and TagLib each change the title of their own copy"
    say "(\`tunemoss_bench write-title\`: open, read the tag, set the title, write,"
    say "close, timed in the process), $((inplace_repeats + 1)) times in one process; the"
    say "first write is shown apart, the others as their median; page cache warm."
    say "The flushes to disk (fsync, fdatasync, syncfs) are timed apart in the same"
    say "process; TagLib makes none. \"in place\": the song kept its inode (only the tag"
    say "was written); \"rewrite\": a new file replaced it. \"work\" is the time less the"
    say "flushes; \"flushes skipped\": the same writes on a fresh copy in a process whose"
    say "flushes are counted but not made (one that waits for the disk resumes on cold"
    say "caches, which the first figure counts as work). Goal: the work alone (flushes"
    say "skipped) at most 1.5x TagLib's time, and at most 3 flushes; for $(echo $in_place_formats | sed 's/ /, /g')"
    say "(tagged by mutagen, Matroska by mkvpropedit): every write in place too."
    say ""
    if [ $have_taglib = 0 ]; then
        say "TagLib is not built in, so the TagLib columns stay empty."
        say ""
    fi
    say "| format | MB | first write, songcore ms | first write, TagLib ms | then written | songcore ms | flushes ms (calls) | work ms | work ms, flushes skipped | TagLib ms | work/TagLib | skipped/TagLib | goal met |"
    say "|---|---:|---|---:|---|---:|---:|---:|---:|---:|---:|---:|---|"
    record "tunemoss_bench write-title songcore|taglib FILE TITLE (files tagged by mutagen with its default padding)"
    for ext in $write_formats $in_place_formats; do
        goal=taglib
        if [[ " $in_place_formats " == *" $ext "* ]]; then
            goal=inplace
            "make_$ext" "$work/big.$ext" "$write_mb"
        fi
        cp "$work/big.$ext" "$work/room.$ext"
        tag_file "$work/room.$ext" default 0
        cp "$work/room.$ext" "$work/ours.$ext"
        cp "$work/room.$ext" "$work/peer.$ext"
        sync "$work/ours.$ext" "$work/peer.$ext"
        # One process per writer: the first write also pays for the first
        # calls into the libraries (and songcore's first write of a file
        # laid out by another program may rewrite it); the later ones are the
        # steady figure.
        "$bench" write-title songcore "$work/ours.$ext" "After" $((inplace_repeats + 1)) >"$work/ours_all"
        # Again on a fresh copy with the flushes counted but not made: after
        # each flush the process has slept while the disk wrote, and the
        # work that follows runs on cold caches; this is the work alone.
        cp "$work/room.$ext" "$work/ours.$ext"
        TUNEMOSS_BENCH_SKIP_FLUSHES=1 "$bench" write-title songcore "$work/ours.$ext" "After" \
            $((inplace_repeats + 1)) | tail -n +2 | awk '{ print $1 - $2 }' >"$work/ours_warm"
        : >"$work/peer_all"
        # TagLib before 2.0 has neither DSF nor Matroska, and its look at the
        # content may take them for another format and write into them.
        : >"$work/peer_all"
        if [ $have_taglib = 1 ] && { [ "$taglib_major" -ge 2 ] || [[ $ext != dsf && $ext != mka ]]; }; then
            "$bench" write-title taglib "$work/peer.$ext" "After" $((inplace_repeats + 1)) >"$work/peer_all"
        fi
        head -n1 "$work/ours_all" >"$work/ours_first"
        tail -n +2 "$work/ours_all" >"$work/ours"
        tail -n +2 "$work/peer_all" >"$work/peer"
        awk '{ print $1 - $2 }' "$work/ours" >"$work/ours_work"
        first=$(awk '{ sub(/-/, " ", $4); printf "%s, %.2f", $4, $1 * 1000 }' "$work/ours_first")
        peer_first=$(head -n1 "$work/peer_all" | awk '{ printf "%.2f", $1 * 1000 }')
        total=$(field 1 "$work/ours" | median)
        syncs=$(field 2 "$work/ours" | median)
        calls=$(field 3 "$work/ours" | sort -n | tail -n1)
        how=$(field 4 "$work/ours" | sort -u | sed 's/-/ /' | paste -sd, | sed 's/,/, /g')
        own=$(median <"$work/ours_work")
        warm=$(median <"$work/ours_warm")
        peer=$([ -s "$work/peer" ] && field 1 "$work/peer" | median || echo "")
        moved=$(grep -cv in-place "$work/ours_all" || true)
        awk -v f="$ext" -v mb="$(stat -c %s "$work/ours.$ext")" -v first="$first" -v pf="$peer_first" \
            -v how="$how" -v t="$total" -v s="$syncs" -v n="$calls" -v w="$own" -v p="$peer" -v k="$warm" \
            -v goal="$goal" -v moved="$moved" '
            BEGIN {
                ratio = (p > 0) ? sprintf("%.1f", w / p) : "-"
                skipped = (p > 0) ? sprintf("%.1f", k / p) : "-"
                met = (p > 0) ? ((k / p <= 1.5 && n <= 3) ? "yes" : "**no**") : "-"
                if (goal == "inplace")
                    met = (moved == 0 && (p <= 0 || k / p <= 1.5)) ? "yes" : "**no**"
                printf "| %s | %.1f | %s | %s | %s | %.3f | %.3f (%d) | %.3f | %.3f | %s | %s | %s | %s |\n",
                       f, mb / 1e6, first, (pf == "") ? "-" : pf, how, t * 1000, s * 1000, n,
                       w * 1000, k * 1000, (p > 0) ? sprintf("%.3f", p * 1000) : "-",
                       ratio, skipped, met
            }' | tee -a "$out"
        if [ $goal = inplace ]; then
            rm -f "$work/big.$ext" "$work/room.$ext" "$work/ours.$ext" "$work/peer.$ext"
        fi
    done
    say ""

    # The batch: one process per file, songcore's command against a program
    # that calls TagLib alone, taking turns over the same files.
    say "## Writing: a batch of $batch_files files of $batch_mb MB (MP3, ID3v2 with padding)"
    say ""
    make_mp3 "$work/batch.mp3" "$batch_mb"
    tag_file "$work/batch.mp3" default 0
    mkdir -p "$work/batch"
    for ((n = 0; n < batch_files; n++)); do
        cp "$work/batch.mp3" "$work/batch/$(printf %04d $n).mp3"
    done
    sync
    first="$work/batch/0000.mp3"
    inode=$(stat -c %i "$first")
    : >"$work/batch_ours"
    : >"$work/batch_peer"
    record "for FILE in BATCH; do tunemoss write FILE --title TITLE; done (and taglib_write FILE TITLE), wall clock"
    for ((i = 0; i < batch_repeats; i++)); do
        start=$(now_ns)
        for file in "$work"/batch/*.mp3; do
            "$tunemoss" write "$file" --title "Batch title $i" >/dev/null
        done
        echo $(($(now_ns) - start)) >>"$work/batch_ours"
        if [ $have_taglib = 1 ]; then
            start=$(now_ns)
            for file in "$work"/batch/*.mp3; do
                "$build/bench/taglib_write" "$file" "Batch title $i"
            done
            echo $(($(now_ns) - start)) >>"$work/batch_peer"
        fi
    done
    how=$([ "$(stat -c %i "$first")" = "$inode" ] && echo "in place" || echo "rewrite")
    # The flushes of a sample of the batch, counted and timed by strace apart
    # from the timed runs (tracing slows every process it follows).
    sample=$((batch_files < 20 ? batch_files : 20))
    sync_calls="-"
    sync_ms="-"
    if command -v strace >/dev/null; then
        record "strace -f -T -e trace=fsync,fdatasync,syncfs over $sample of the batch's tunemoss write calls"
        : >"$work/sync_trace"
        for ((n = 0; n < sample; n++)); do
            strace -f -qq -T -e trace=fsync,fdatasync,syncfs -o "$work/one_trace" \
                "$tunemoss" write "$work/batch/$(printf %04d $n).mp3" --title "Traced title" >/dev/null
            cat "$work/one_trace" >>"$work/sync_trace"
        done
        read -r sync_calls sync_ms < <(awk -v n="$sample" '
            match($0, /<[0-9.]+>$/) { calls++; spent += substr($0, RSTART + 1, RLENGTH - 2) }
            END { printf "%.1f %.2f\n", calls / n, spent * 1000 / n }' "$work/sync_trace")
    fi
    # Start-up alone: a process that loads the libraries and exits at once.
    record "tunemoss --version and taglib_write (usage, exit 2), $batch_files times each, wall clock"
    start=$(now_ns)
    for ((n = 0; n < batch_files; n++)); do "$tunemoss" --version >/dev/null; done
    ours_start=$(($(now_ns) - start))
    peer_start=0
    if [ $have_taglib = 1 ]; then
        start=$(now_ns)
        for ((n = 0; n < batch_files; n++)); do "$build/bench/taglib_write" 2>/dev/null || true; done
        peer_start=$(($(now_ns) - start))
    fi
    ours=$(median <"$work/batch_ours")
    peer=$([ $have_taglib = 1 ] && median <"$work/batch_peer" || echo 0)
    say "\`tunemoss write FILE --title TITLE\` once per file against \`taglib_write FILE"
    say "TITLE\` (a program linked with TagLib alone, FileRef, setTitle, save) once"
    say "per file, taking turns over the same files; median of $batch_repeats batches."
    say "Flushes per file: counted and timed by strace over $sample of the files,"
    say "in a separate pass. Start-up: the same number of processes that load the"
    say "libraries and exit (\`tunemoss --version\`, \`taglib_write\` without arguments)."
    say "Goal: each one-file process within 2x TagLib's, flushes included."
    say ""
    say "| writer | written | batch s | per file ms | flushes per file (ms) | start-up alone s | x TagLib | goal met |"
    say "|---|---|---:|---:|---:|---:|---:|---|"
    awk -v n="$batch_files" -v o="$ours" -v p="$peer" -v how="$how" -v c="$sync_calls" -v ms="$sync_ms" \
        -v os="$ours_start" -v ps="$peer_start" '
        BEGIN {
            printf "| songcore | %s | %.2f | %.1f | %s (%s) | %.2f | %s | %s |\n", how, o / 1e9, o / 1e6 / n,
                   c, ms, os / 1e9, (p > 0) ? sprintf("%.2f", o / p) : "-",
                   (p > 0) ? ((o / p <= 2) ? "yes" : "**no**") : "-"
            if (p > 0)
                printf "| TagLib | in place | %.2f | %.1f | 0 | %.2f | 1.00 | |\n", p / 1e9, p / 1e6 / n, ps / 1e9
        }' | tee -a "$out"
    say ""

    # The same files in one process: songcore's command given them all,
    # against mutagen setting the title of each in one Python process.
    cat >"$work/mutagen_batch.py" <<'PYEOF'
import sys
import mutagen
from mutagen.id3 import TIT2

title = sys.argv[1]
for path in sys.argv[2:]:
    song = mutagen.File(path)
    song.tags.add(TIT2(encoding=3, text=title))
    song.save()
PYEOF
    record "tunemoss write BATCH... --title TITLE against /usr/bin/python3 mutagen_batch.py TITLE BATCH... (mutagen.File, TIT2, save), wall clock, taking turns"
    : >"$work/one_ours"
    : >"$work/one_peer"
    # Its edits (500 files each) go to a history of their own: the sections
    # after it measure their writes beside the usual history.
    for ((i = 0; i < batch_repeats; i++)); do
        start=$(now_ns)
        XDG_STATE_HOME="$work/state-one" "$tunemoss" write "$work"/batch/*.mp3 \
            --title "One process $i" >/dev/null
        echo $(($(now_ns) - start)) >>"$work/one_ours"
        start=$(now_ns)
        /usr/bin/python3 "$work/mutagen_batch.py" "One process $i" "$work"/batch/*.mp3
        echo $(($(now_ns) - start)) >>"$work/one_peer"
    done
    say "The same $batch_files files given to one \`tunemoss write\` process, against"
    say "mutagen setting the title of each in one Python process (which flushes"
    say "nothing); median of $batch_repeats batches, start-up included. Goal: at most mutagen's"
    say "time."
    say ""
    say "| writer | batch s | per file ms | x mutagen | goal met |"
    say "|---|---:|---:|---:|---|"
    awk -v n="$batch_files" -v o="$(median <"$work/one_ours")" -v p="$(median <"$work/one_peer")" 'BEGIN {
        printf "| songcore, one process | %.2f | %.2f | %.2f | %s |\n", o / 1e9, o / 1e6 / n, o / p,
               (o / p <= 1.0) ? "yes" : "**no**"
        printf "| mutagen, one process | %.2f | %.2f | 1.00 | |\n", p / 1e9, p / 1e6 / n
    }' | tee -a "$out"
    say ""

    say "## Writing: whole-file rewrites (${write_mb} MB files whose tag has no room)"
    say ""
    record "tunemoss write FILE --title TITLE (files tagged by mutagen without padding), timed by /usr/bin/time -f %M (peak memory) and the wall clock"
    record "cp FILE COPY, and cp FILE COPY && sync COPY, timed the same way"
    say "The tag is written by mutagen without any padding, so the longer title does"
    say "not fit and the file is rewritten; each write starts from that file again."
    say "\`tunemoss write\`, start-up included; median of $write_repeats runs. The"
    say "rewrite flushes the new file to disk before it replaces the old one (fsync),"
    say "which cp does not; the cp+fsync column is cp with the same flush. Goal: at"
    say "most 1.5x cp plus that flush, and under 64 MB of peak memory."
    say ""
    say "| file | tag before | written | write s | peak MB | cp s | write/cp | cp+fsync s | write/(cp+fsync) | goal met |"
    say "|---|---|---|---:|---:|---:|---:|---:|---:|---|"
    timed() {  # prints "seconds peak_kb" for one command
        local start end
        start=$(now_ns)
        /usr/bin/time -f %M -o "$work/rss" "$@"
        end=$(now_ns)
        awk -v a="$start" -v b="$end" -v kb="$(tail -n1 "$work/rss")" \
            'BEGIN { printf "%.3f %d\n", (b - a) / 1e9, kb }'
    }
    for ext in $write_formats; do
        for comment in 0 204800; do
            full="$work/full.$ext"
            file="$work/song.$ext"
            cp "$work/big.$ext" "$full"
            tag_file "$full" 0 "$comment"
            size_mb=$(awk -v s="$(stat -c %s "$full")" 'BEGIN { printf "%.1f", s / 1e6 }')
            : >"$work/w"
            : >"$work/c"
            : >"$work/cs"
            : >"$work/how"
            # Each timed command starts with nothing left to write back, so
            # that none of them pays for the files the one before left dirty.
            for ((i = 0; i < write_repeats; i++)); do
                cp "$full" "$file"
                sync
                inode=$(stat -c %i "$file")
                timed "$tunemoss" write "$file" --title "A longer title $i" >>"$work/w"
                [ "$(stat -c %i "$file")" = "$inode" ] && echo "in place" >>"$work/how" || echo "rewrite" >>"$work/how"
                rm -f "$work/copy"
                sync
                timed cp "$file" "$work/copy" >>"$work/c"
                rm -f "$work/copy"
                sync
                timed sh -c 'cp "$1" "$2" && sync "$2"' sh "$file" "$work/copy" >>"$work/cs"
            done
            w=$(field 1 "$work/w" | median)
            peak=$(field 2 "$work/w" | sort -n | tail -n1)
            c=$(field 1 "$work/c" | median)
            cs=$(field 1 "$work/cs" | median)
            how=$(sort -u "$work/how" | paste -sd, | sed 's/,/, /g')
            label=$([ "$comment" = 0 ] && echo "title only" || echo "200 KB comment")
            awk -v f="$ext ($size_mb MB)" -v l="$label" -v how="$how" -v w="$w" -v p="$peak" -v c="$c" -v cs="$cs" '
                BEGIN {
                    met = (cs > 0 && w / cs <= 1.5 && p < 64 * 1024) ? "yes" : "**no**"
                    printf "| %s | %s | %s | %.3f | %.1f | %.3f | %.2f | %.3f | %.2f | %s |\n",
                           f, l, how, w, p / 1024, c, (c > 0 ? w / c : 0), cs, (cs > 0 ? w / cs : 0), met
                }' | tee -a "$out"
        done
    done
else
    say "## Writing"
    say ""
    say "ffmpeg, /usr/bin/time or mutagen (/usr/bin/python3) is not installed: skipped."
fi
say ""

# --- 7. Batch edit -----------------------------------------------------------------
say "## Batch edit: title and album of $edit_songs songs"
say ""
say "The first $edit_songs songs of the corpus (every format), each read, changed and"
say "written by its own format's writer, one after another, as Edit Tags of Selected"
say "Songs does; then the old values kept in the edit history. Page cache warm."
say ""
say "| songs | seconds | songs/s | in place | history seconds |"
say "|---:|---:|---:|---:|---:|"
record "tunemoss_bench batch-edit CORPUS $edit_songs HISTORY"
"$bench" batch-edit "$corpus" "$edit_songs" "$work/state/edit-history" | tee -a "$out"
say ""

# --- Large covers -------------------------------------------------------------
say "## A 5 MB cover and the tag reader"
say ""
say "$cover_songs songs per format read by GetSongInfo (the song tree's reader), once"
say "without a picture and once with a 5 MB cover; best of three passes. The last column"
say "is ReadSongPictures, which reads the cover itself."
say ""
record "tunemoss_bench covers tests/data WORK $cover_songs"
"$bench" covers "$root/tests/data" "$work/covers" "$cover_songs" | tee -a "$out"
rm -rf "$work/covers"
say ""

# --- Loudness -------------------------------------------------------------------
if command -v ffmpeg >/dev/null && [ -x /usr/bin/time ]; then
    say "## Loudness analysis ($loudness_files MP3 files of $loudness_seconds s)"
    say ""
    say "Audio seconds measured per wall-clock second, and peak memory: \`tunemoss"
    say "loudness --album --dry-run\` (one song per core, measuring only), loudgain -a (one song at a time,"
    say "the same meter), and the decoding alone (\`ffmpeg -f null\`, one file at a"
    say "time). Median of $((runs < 3 ? runs : 3)) runs, page cache warm. Goals: at least 1.8x loudgain,"
    say "at most 1.3x the time of the decoding alone, under 100 MB."
    say ""
    mkdir -p "$work/loudness"
    ffmpeg -v error -y -f lavfi -i "anoisesrc=d=$loudness_seconds:a=0.3:c=pink" -ac 2 \
        -c:a libmp3lame -b:a 192k "$work/loudness/0000.mp3"
    for ((n = 1; n < loudness_files; n++)); do
        cp "$work/loudness/0000.mp3" "$work/loudness/$(printf %04d $n).mp3"
    done
    audio_seconds=$((loudness_files * loudness_seconds))
    say "| program | seconds | audio s per s | peak MB |"
    say "|---|---:|---:|---:|"
    loudness_run() {  # label, then the command
        local label=$1
        shift
        : >"$work/loudness_times"
        for ((i = 0; i < (runs < 3 ? runs : 3); i++)); do
            /usr/bin/time -f '%e %M' -o "$work/loudness_time" "$@" >/dev/null 2>&1 || true
            cat "$work/loudness_time" >>"$work/loudness_times"
        done
        local seconds peak
        seconds=$(awk '{ print $1 }' "$work/loudness_times" | median)
        peak=$(awk '{ print $2 }' "$work/loudness_times" | sort -n | tail -n1)
        awk -v l="$label" -v s="$seconds" -v a="$audio_seconds" -v m="$peak" \
            'BEGIN { printf "| %s | %.2f | %.0f | %.1f |\n", l, s, (s > 0 ? a / s : 0), m / 1024 }' |
            tee -a "$out"
    }
    record "tunemoss loudness --album --dry-run FILES; loudgain -a -q FILES; ffmpeg -i FILE -f null - for each FILE; timed by /usr/bin/time -f '%e %M'"
    loudness_run "tunemoss loudness --album --dry-run" "$tunemoss" loudness --album --dry-run "$work/loudness"
    if command -v loudgain >/dev/null; then
        loudness_run "loudgain -a" loudgain -a -q "$work"/loudness/*.mp3
    fi
    loudness_run "ffmpeg -f null (decoding alone)" sh -c \
        'for f in "$@"; do ffmpeg -v error -i "$f" -f null - || exit 1; done' sh "$work"/loudness/*.mp3
    rm -rf "$work/loudness"
    say ""
fi

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
