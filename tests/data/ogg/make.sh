#!/bin/sh
# Makes the Ogg sample files: a fraction of a second of a sine tone encoded by
# oggenc (and ffmpeg for the other codecs), tagged by oggenc and mutagen.
set -eu
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

ffmpeg -y -loglevel error -f lavfi -i "sine=frequency=440:duration=0.3" -ac 1 -ar 8000 -fflags +bitexact -flags:a +bitexact "$tmp/tone.wav"
ffmpeg -y -loglevel error -f lavfi -i "sine=frequency=660:duration=0.3" -ac 1 -ar 8000 -fflags +bitexact -flags:a +bitexact "$tmp/tone2.wav"

# oggenc puts the comment and setup headers on one page.
oggenc -Q -q 0 -o plain.ogg \
    -t "Plain Title" -a "Plain Artist" -l "Plain Album" -N 3 -d 2001 -G Rock \
    -c "COMMENT=first comment" -c "DESCRIPTION=a description" -c "VERSION=Radio Edit" \
    -c "REPLAYGAIN_TRACK_GAIN=-3.20 dB" -c "musicbrainz_trackid=0f6a3c0e-1111-2222-3333-444455556666" \
    -c "performer=Lower Key" \
    "$tmp/tone.wav"

# A comment header spread over several pages: long lyrics and a picture item,
# written by mutagen, which pages headers at about 4 KB.
oggenc -Q -q 0 -o spanning.ogg -t "Spanning" -a "Many Pages" "$tmp/tone.wav"
/usr/bin/python3 - spanning.ogg <<'PY'
import base64, sys
from mutagen.oggvorbis import OggVorbis
from mutagen.flac import Picture
f = OggVorbis(sys.argv[1])
f["LYRICS"] = "\n".join("line %d of the long song text" % i for i in range(200))
pic = Picture()
pic.type = 3
pic.mime = "image/png"
pic.desc = "cover"
pic.data = bytes(range(256)) * 12
f["METADATA_BLOCK_PICTURE"] = base64.b64encode(pic.write()).decode("ascii")
f["REPLAYGAIN_ALBUM_GAIN"] = "-1.00 dB"
f.save()
PY

# Opus and FLAC in Ogg made by their encoders alone, two Vorbis streams in
# one file, a Speex stream before a Vorbis one, and a Speex stream alone.
ffmpeg -y -loglevel error -i "$tmp/tone.wav" -c:a libopus -b:a 16k opus.ogg
flac -s -f --ogg -o oggflac.ogg "$tmp/tone.wav"
ffmpeg -y -loglevel error -i "$tmp/tone.wav" -i "$tmp/tone2.wav" -map 0 -map 1 -c:a libvorbis \
    -q:a 0 multiplexed.ogg
ffmpeg -y -loglevel error -i "$tmp/tone.wav" -i "$tmp/tone2.wav" -map 0 -map 1 \
    -c:a:0 libspeex -c:a:1 libvorbis -q:a 0 -fflags +bitexact speex_first.ogg
ffmpeg -y -loglevel error -i "$tmp/tone.wav" -c:a libspeex -fflags +bitexact speex.ogg

# Many small audio pages (ffmpeg pages every 50 ms), to see later pages kept
# or renumbered.
ffmpeg -y -loglevel error -f lavfi -i "sine=frequency=440:duration=0.5" -ac 1 -ar 8000 \
    -c:a libvorbis -q:a 0 -page_duration 50000 -fflags +bitexact -flags:a +bitexact \
    -metadata title="Paged" -metadata REPLAYGAIN_TRACK_PEAK=0.5 paged.ogg

# Opus and FLAC in Ogg, tagged by mutagen: the fields of the table, items
# outside it and a picture. The Opus file has an output gain of 1.5 dB (set by
# hand, as encoders leave it 0) that a tag write must keep.
ffmpeg -y -loglevel error -i "$tmp/tone.wav" -c:a libopus -b:a 16k -fflags +bitexact \
    -flags:a +bitexact "$tmp/plain.opus"
cp "$tmp/plain.opus" tagged.opus
# A 16 by 16 grey PNG for the pictures.
/usr/bin/python3 - "$tmp/cover.png" <<'PY'
import struct, sys, zlib
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
rows = b"".join(b"\0" + b"\x80" * 16 for _ in range(16))
png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 16, 16, 8, 0, 0, 0, 0)) +
       chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))
open(sys.argv[1], "wb").write(png)
PY
flac -s -f --ogg --padding=256 --picture="3||cover||$tmp/cover.png" -o tagged.oga "$tmp/tone.wav"
/usr/bin/python3 - tagged.opus tagged.oga "$tmp/cover.png" <<'PY'
import base64, sys
from mutagen.ogg import OggPage
from mutagen.oggopus import OggOpus
from mutagen.oggflac import OggFLAC
from mutagen.flac import Picture

def tag(f, name):
    f["TITLE"] = name + " Title"
    f["ARTIST"] = name + " Artist"
    f["ALBUM"] = name + " Album"
    f["TRACKNUMBER"] = "5"
    f["DATE"] = "1999"
    f["GENRE"] = "Jazz"
    f["COMMENT"] = "a comment"
    f["REPLAYGAIN_TRACK_GAIN"] = "-2.50 dB"
    f["musicbrainz_albumid"] = "11111111-2222-3333-4444-555555555555"

opus = OggOpus(sys.argv[1])
tag(opus, "Opus")
pic = Picture()
pic.type = 3
pic.mime = "image/png"
pic.desc = "cover"
pic.width = pic.height = 16
pic.depth = 8
pic.data = open(sys.argv[3], "rb").read()
opus["METADATA_BLOCK_PICTURE"] = base64.b64encode(pic.write()).decode("ascii")
opus.save()

with open(sys.argv[1], "r+b") as f:
    page = OggPage(f)
    head = bytearray(page.packets[0])
    head[16:18] = (384).to_bytes(2, "little")
    page.packets[0] = bytes(head)
    f.seek(0)
    f.write(page.write())

oga = OggFLAC(sys.argv[2])
tag(oga, "Ogg FLAC")
oga.save()
PY
