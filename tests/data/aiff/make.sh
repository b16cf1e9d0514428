#!/bin/sh
# Makes the AIFF sample files: a fraction of a second of a sine tone written
# by ffmpeg (NAME, AUTH, ANNO and "(c) " chunks from -metadata, an ID3 chunk
# with -write_id3v2), and an ID3 chunk with a picture written by mutagen.
# Run from this folder; needs ffmpeg and python3-mutagen.
set -eu
cd "$(dirname "$0")"
aiff() {
    out=$1
    shift
    ffmpeg -v error -y -f lavfi -i "sine=frequency=440:duration=0.2" -ac 1 -ar 8000 \
        -fflags +bitexact -flags:a +bitexact "$@" "$out"
}

# The text chunks only: the fallback.
aiff text.aiff -metadata title="Text Title" -metadata author="Text Author" \
    -metadata comment="Text comment" -metadata copyright="(c) Text"
# ffmpeg's own ID3 chunk (version 2.4), after the sound data.
aiff ffmpeg.aiff -metadata title="Aiff Title" -metadata artist="Aiff Artist" \
    -metadata album="Aiff Album" -write_id3v2 1
# AIFF-C with 32-bit float samples.
aiff float.aifc -map_metadata -1 -c:a pcm_f32be
aiff bare.aiff -map_metadata -1
cp bare.aiff tagged.aiff

/usr/bin/python3 - <<'PY'
from mutagen.aiff import AIFF
from mutagen.id3 import APIC, TALB, TIT2, TPE1, TXXX

png = open("../pictures/back.png", "rb").read()

f = AIFF("tagged.aiff")
f.add_tags()
f.tags.add(TIT2(encoding=3, text="Überschrift"))
f.tags.add(TPE1(encoding=3, text=["First", "Second"]))
f.tags.add(TALB(encoding=0, text="Tagged Album"))
f.tags.add(TXXX(encoding=0, desc="MOOD", text="calm"))
f.tags.add(APIC(encoding=0, mime="image/png", type=3, desc="", data=png))
f.save()
PY
