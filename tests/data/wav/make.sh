#!/bin/sh
# Makes the WAV sample files: a fraction of a second of a sine tone written
# by ffmpeg (its LIST/INFO chunk from -metadata), with ID3 chunks written by
# mutagen. Run from this folder; needs ffmpeg and python3-mutagen.
set -eu
cd "$(dirname "$0")"
tone="sine=frequency=440:duration=0.2"
wav() {
    out=$1
    shift
    ffmpeg -v error -y -f lavfi -i "$tone" -ac 1 -ar 8000 -fflags +bitexact -flags:a +bitexact \
        "$@" "$out"
}

# INFO only: the fallback.
wav info.wav -metadata title="Info Title" -metadata artist="Info Artist" \
    -metadata album="Info Album" -metadata date=1987 -metadata genre=Blues \
    -metadata comment="Info comment" -metadata track=3
# No chunk but fmt and data.
wav bare.wav -map_metadata -1
# 32-bit float, which ffmpeg writes as WAVE_FORMAT_EXTENSIBLE.
wav float.wav -map_metadata -1 -c:a pcm_f32le
# RF64, its sizes in the ds64 chunk.
wav rf64.wav -map_metadata -1 -rf64 always
# 8-bit samples of an odd count: the data chunk has a pad byte.
ffmpeg -v error -y -f lavfi -i "sine=frequency=440:duration=0.2001" -ac 1 -ar 8000 \
    -fflags +bitexact -flags:a +bitexact -map_metadata -1 -c:a pcm_u8 odd.wav
cp info.wav tagged.wav

/usr/bin/python3 - <<'PY'
from mutagen.wave import WAVE
from mutagen.id3 import APIC, COMM, TALB, TCON, TIT2, TPE1, TRCK, TXXX

png = open("../pictures/back.png", "rb").read()

# An ID3v2.3 tag beside the INFO list, whose texts differ from it.
f = WAVE("tagged.wav")
f.add_tags()
f.tags.add(TIT2(encoding=1, text="Песня"))
f.tags.add(TPE1(encoding=0, text="Tagged Artist"))
f.tags.add(TALB(encoding=0, text="Tagged Album"))
f.tags.add(TRCK(encoding=0, text="5/9"))
f.tags.add(TCON(encoding=0, text="Jazz"))
f.tags.add(COMM(encoding=0, lang="eng", desc="", text="tagged comment"))
f.tags.add(TXXX(encoding=0, desc="MOOD", text="calm"))
f.tags.add(APIC(encoding=0, mime="image/png", type=3, desc="front", data=png))
f.save(v2_version=3)

f = WAVE("odd.wav")
f.add_tags()
f.tags.add(TIT2(encoding=0, text="Odd"))
f.save()
PY
