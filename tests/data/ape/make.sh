#!/bin/sh
# Makes the APEv2 sample files: a short MP3 made by lame and an ADTS AAC
# stream made by ffmpeg, tagged by mutagen. mutagen drops an ID3v1 tag when
# it writes an APEv2 tag, so the file with both gets its ID3v1 tag from
# mutagen's ID3 writer afterwards (and that writer's ID3v2 tag is removed).
# Run from this folder; needs ffmpeg, lame and python3-mutagen.
set -e
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=0.3" -ac 2 -ar 44100 "$tmp/s.wav"
lame --quiet -b 64 "$tmp/s.wav" "$tmp/base.mp3"
ffmpeg -v error -y -i "$tmp/s.wav" -c:a aac -b:a 32k -f adts "$tmp/base.aac"
cp "$tmp/base.mp3" ape.mp3
cp "$tmp/base.mp3" ape_id3v1.mp3
cp "$tmp/base.aac" ape.aac

/usr/bin/python3 - <<'PY'
from mutagen.apev2 import APEv2, APEValue, BINARY
from mutagen.id3 import ID3, TIT2, TPE1, TALB, delete

png = bytes.fromhex(
    "89504e470d0a1a0a0000000d4948445200000001000000010806000000"
    "1f15c4890000000d49444154789c6360f8cfc0f01f0005000201a5b1"
    "e3c50000000049454e44ae426082")

def fill(tag):
    tag["Title"] = "Песня о ветре"
    # Two values: the first is the field.
    tag["Artist"] = ["Café Orchestra", "Second Artist"]
    tag["Album"] = "風の歌"
    tag["Genre"] = "Rock"
    tag["Year"] = "2004"
    tag["Track"] = "7/10"
    tag["Comment"] = "  padded comment  "
    tag["Copyright"] = "(c) 2004 Somebody"
    tag["Composer"] = "Чайковский"
    tag["Publisher URL"] = "http://example.com/label"
    tag["Artist URL"] = "The Originals"
    tag["Publisher"] = "Example Records"
    tag["Lyrics"] = "Line one\nСтрока два"
    tag["REPLAYGAIN_TRACK_GAIN"] = "-6.20 dB"
    tag["Subtitle"] = "not a field"
    tag["Cover Art (Front)"] = APEValue(b"cover.png\x00" + png, BINARY)

for name in ("ape.mp3", "ape_id3v1.mp3"):
    tag = APEv2()
    fill(tag)
    tag.save(name)

t = APEv2()
t["Title"] = "AAC title"
t["Artist"] = "AAC artist"
t["Track"] = "4"
t.save("ape.aac")

v1 = ID3()
v1.add(TIT2(encoding=0, text="Version one title"))
v1.add(TPE1(encoding=0, text="Version one artist"))
v1.add(TALB(encoding=0, text="Version one album"))
v1.save("ape_id3v1.mp3", v1=2)
delete("ape_id3v1.mp3", delete_v1=False, delete_v2=True)
PY
