#!/bin/sh
# Makes the FLAC sample files: a fraction of a second of a sine tone encoded by
# flac, with their metadata blocks arranged by metaflac and mutagen.
set -eu
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

ffmpeg -y -loglevel error -f lavfi -i "sine=frequency=440:duration=0.2" -ac 1 -ar 8000 \
    -fflags +bitexact -flags:a +bitexact "$tmp/tone.wav"
ffmpeg -y -loglevel error -f lavfi -i "color=c=red:s=8x8" -frames:v 1 "$tmp/cover.png"

# Stream information, seek table, comments, padding (last): flac's own layout.
flac -s -f --padding=256 -S 1s -o plain.flac \
    -T "TITLE=Plain Title" -T "ARTIST=Plain Artist" -T "ALBUM=Plain Album" \
    -T "TRACKNUMBER=4/9" -T "DATE=1999" -T "GENRE=Jazz" -T "DESCRIPTION=a description" \
    -T "VERSION=Live" -T "REPLAYGAIN_TRACK_GAIN=-2.10 dB" -T "comment=lower case key" \
    "$tmp/tone.wav"

# A picture block and the comment block last, no padding.
cp plain.flac picture.flac
metaflac --remove --block-type=PADDING --dont-use-padding picture.flac
metaflac --import-picture-from="3|image/png|cover||$tmp/cover.png" picture.flac

# Only the stream information block.
cp plain.flac bare.flac
metaflac --remove-all --dont-use-padding bare.flac

# Two comment blocks (mutagen and metaflac keep one; the bytes are spliced).
/usr/bin/python3 - plain.flac twocomments.flac <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
pos, blocks = 4, []
while True:
    head = data[pos]
    length = int.from_bytes(data[pos + 1:pos + 4], "big")
    blocks.append([head & 0x7F, data[pos + 4:pos + 4 + length]])
    pos += 4 + length
    if head & 0x80:
        break
def comments(vendor, items):
    out = struct.pack("<I", len(vendor)) + vendor + struct.pack("<I", len(items))
    for item in items:
        out += struct.pack("<I", len(item)) + item
    return out
second = comments(b"second block", [b"TITLE=Second Title", b"MUSICBRAINZ_ALBUMID=abc-123"])
at = max(i for i, b in enumerate(blocks) if b[0] == 4) + 1
blocks.insert(at, [4, second])
out = b"fLaC"
for i, (kind, body) in enumerate(blocks):
    last = 0x80 if i == len(blocks) - 1 else 0
    out += bytes([kind | last]) + len(body).to_bytes(3, "big") + body
open(sys.argv[2], "wb").write(out + data[pos:])
PY
