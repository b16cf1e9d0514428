#!/usr/bin/env bash
# Makes the ID3v1 sample files. Needs ffmpeg, lame and python3-mutagen.
# The outputs are committed; tests never run this.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=0.2" -ac 1 -ar 22050 "$work/s.wav"
lame --quiet -b 32 "$work/s.wav" none.mp3

# mutagen builds the 128-byte tags; appended to copies of the untagged file.
/usr/bin/python3 - <<'PY'
from mutagen.id3 import TIT2, TPE1, TALB, TDRC, COMM, TRCK, TCON
from mutagen.id3._id3v1 import MakeID3v1
import shutil

def frames(track):
    f = {
        "TIT2": TIT2(encoding=0, text=["Caf\u00e9 del Mar"]),
        "TPE1": TPE1(encoding=0, text=["Jos\u00e9 Padilla"]),
        "TALB": TALB(encoding=0, text=["Chill Out"]),
        "TDRC": TDRC(encoding=0, text=["1999"]),
        "COMM": COMM(encoding=0, lang="eng", desc="", text=["first pressing"]),
        "TCON": TCON(encoding=0, text=["Ambient"]),
    }
    if track:
        f["TRCK"] = TRCK(encoding=0, text=[track])
    return f

def tagged(name, tag):
    shutil.copy("none.mp3", name)
    with open(name, "ab") as out:
        out.write(tag)

tagged("v11.mp3", MakeID3v1(frames("7")))

# ID3v1.0: a 30-byte comment runs through byte 125, so there is no track byte.
v10 = bytearray(MakeID3v1(frames(None)))
v10[97:127] = b"a comment of thirty bytes long"
tagged("v10.mp3", bytes(v10))

# The tag marker in lower case, as some old taggers wrote it.
lower = bytearray(MakeID3v1(frames("3")))
lower[0:3] = b"tag"
tagged("lowercase.mp3", bytes(lower))

# Two tags stacked at the end, left by a tool that always appended.
tagged("two_tags.mp3", MakeID3v1(frames("1")) + MakeID3v1(frames("2")))

with open("short.mp3", "wb") as out:
    out.write(b"TAG" + b"x" * 60)
PY
