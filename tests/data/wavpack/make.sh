#!/bin/sh
# Makes the WavPack sample files: a fraction of a second of a sine tone made
# by ffmpeg, encoded by wavpack (its APEv2 tag from -w), at a rate of the
# header's table and at one outside it, and with an ID3v1 tag only. Run from
# this folder; needs ffmpeg, wavpack and python3-mutagen.
set -eu
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
tone() {
    ffmpeg -v error -y -f lavfi -i "sine=frequency=440:duration=0.2" -fflags +bitexact \
        -flags:a +bitexact -map_metadata -1 "$@"
}
tone -ac 1 -ar 8000 "$tmp/mono.wav"
tone -ac 2 -ar 7000 -c:a pcm_s24le "$tmp/odd_rate.wav"

wavpack -q -y -w "Title=Pack Title" -w "Artist=Pack Artist" -w "Album=Pack Album" \
    -w "Track=6/11" -w "Year=2011" -w "Subtitle=not a field" "$tmp/mono.wav" -o tagged.wv
wavpack -q -y "$tmp/mono.wav" -o bare.wv
# A rate outside the header's table and 24-bit stereo samples.
wavpack -q -y "$tmp/odd_rate.wav" -o odd_rate.wv
# Hybrid (lossy) at 128 kbps, without the correction file.
wavpack -q -y -b128 "$tmp/odd_rate.wav" -o hybrid.wv
cp bare.wv id3v1.wv

/usr/bin/python3 - <<'PY'
import struct
def field(text, size):
    return text.encode("latin-1").ljust(size, b"\0")
tag = (b"TAG" + field("One Title", 30) + field("One Artist", 30) + field("One Album", 30) +
       field("1999", 4) + field("a comment", 28) + b"\0" + bytes([4, 8]))
with open("id3v1.wv", "ab") as f:
    f.write(tag)
PY
