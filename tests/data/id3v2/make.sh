#!/bin/sh
# Makes the ID3v2 sample files: a short MP3 made by lame and an ADTS AAC
# stream made by ffmpeg, tagged by mutagen (2.3 and 2.4) and by a small
# script that lays out a 2.2 tag, which no current tool writes any more.
# Run from this folder; needs ffmpeg, lame and python3-mutagen.
set -e
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=0.3" -ac 2 -ar 44100 "$tmp/s.wav"
lame --quiet -b 64 "$tmp/s.wav" base.mp3
ffmpeg -v error -y -i "$tmp/s.wav" -c:a aac -b:a 32k -f adts base.aac
cp base.mp3 v23.mp3
cp base.mp3 v24.mp3
cp base.mp3 v22.mp3
cp base.aac tagged.aac

/usr/bin/python3 - <<'PY'
import struct
from mutagen.id3 import (ID3, TIT2, TPE1, TALB, TRCK, TDRC, COMM, TCON, TENC, TCOP,
                         WXXX, TCOM, TOPE, USLT, TXXX, APIC, TPOS, POPM, PRIV, Encoding)

# A one-pixel PNG: small, but real picture data to carry around.
png = bytes.fromhex(
    "89504e470d0a1a0a0000000d4948445200000001000000010806000000"
    "1f15c4890000000d49444154789c6360f8cfc0f01f0005000201a5b1"
    "e3c50000000049454e44ae426082")

def common(tags, enc):
    tags.add(TIT2(encoding=enc, text="Песня о ветре"))
    tags.add(TPE1(encoding=Encoding.LATIN1, text="Café Orchestra"))
    tags.add(TALB(encoding=enc, text="風の歌"))
    tags.add(TRCK(encoding=Encoding.LATIN1, text="5/12"))
    tags.add(TDRC(encoding=Encoding.LATIN1, text="2004"))
    # The comment with a description comes first: the one without wins.
    tags.add(COMM(encoding=Encoding.LATIN1, lang="eng", desc="iTunNORM", text=" 0000021A 00000210"))
    tags.add(COMM(encoding=enc, lang="eng", desc="", text="Записано вживую"))
    tags.add(TENC(encoding=Encoding.LATIN1, text="lame 3.100"))
    tags.add(TCOP(encoding=Encoding.LATIN1, text="(c) 2004 Somebody"))
    tags.add(WXXX(encoding=Encoding.LATIN1, desc="", url="http://example.com/song"))
    tags.add(TCOM(encoding=enc, text="Чайковский"))
    tags.add(TOPE(encoding=Encoding.LATIN1, text="The Originals"))
    tags.add(USLT(encoding=enc, lang="eng", desc="", text="Line one\nСтрока два\n"))
    tags.add(TXXX(encoding=Encoding.UTF8, desc="MusicBrainz Album Id", text="0b5ef5b2-1f0e-4a3b-9e63-3d1f3c2a4f01"))
    tags.add(APIC(encoding=Encoding.LATIN1, mime="image/png", type=3, desc="Cover", data=png))
    tags.add(TPOS(encoding=Encoding.LATIN1, text="1/2"))
    tags.add(POPM(email="someone@example.com", rating=196, count=3))
    tags.add(PRIV(owner="example.com", data=b"\x00\x01\x02\xff\x00"))

t = ID3()
common(t, Encoding.UTF16)
t.add(TCON(encoding=Encoding.LATIN1, text="(17)Rock"))
t.save("v23.mp3", v2_version=3)

t = ID3()
common(t, Encoding.UTF8)
# 2.4 writes a genre id as a bare number.
t.add(TCON(encoding=Encoding.LATIN1, text="17"))
t.save("v24.mp3", v2_version=4)

t = ID3()
t.add(TIT2(encoding=Encoding.UTF8, text="AAC title"))
t.add(TPE1(encoding=Encoding.UTF8, text="AAC artist"))
t.add(TRCK(encoding=Encoding.LATIN1, text="3"))
t.save("tagged.aac", v2_version=4)

# A 2.2 tag: three-letter IDs, 6-byte frame headers, a picture with a
# three-letter image format, and an encrypted meta frame that 2.3 has no
# form for.
def frame(fid, body):
    return fid + struct.pack(">I", len(body))[1:] + body
def text(value, enc=0):
    return bytes([enc]) + (value.encode("latin-1") if enc == 0 else value.encode("utf-16"))
frames = b"".join([
    frame(b"TT2", text("Old Title")),
    frame(b"TP1", text("Вася", 1)),
    frame(b"TAL", text("Old Album")),
    frame(b"TRK", text("9/10")),
    frame(b"TYE", text("1999")),
    frame(b"COM", b"\x00eng\x00Old comment"),
    frame(b"TCO", text("(13)")),
    frame(b"TEN", text("Old Encoder")),
    frame(b"TCR", text("1999 Old")),
    frame(b"WXX", b"\x00\x00http://example.org/old"),
    frame(b"TCM", text("Old Composer")),
    frame(b"TOA", text("Old Original")),
    frame(b"ULT", b"\x00engOld\x00Old lyrics"),
    frame(b"TPA", text("2/3")),
    frame(b"TXX", b"\x00Mood\x00Calm"),
    frame(b"PIC", b"\x00PNG\x03Front\x00" + png),
    frame(b"CRM", b"owner@example.org\x00explanation\x00\x01\x02\x03"),
])
padding = b"\x00" * 64
body = frames + padding
size = len(body)
header = b"ID3\x02\x00\x00" + bytes([(size >> 21) & 0x7F, (size >> 14) & 0x7F, (size >> 7) & 0x7F, size & 0x7F])
audio = open("v22.mp3", "rb").read()
open("v22.mp3", "wb").write(header + body + audio)
PY
