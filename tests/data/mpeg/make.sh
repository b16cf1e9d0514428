#!/usr/bin/env bash
# Makes the MPEG audio samples of the scanner tests. Needs ffmpeg, lame and
# Debian's python3 with mutagen. Run from anywhere; writes beside itself.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
py=/usr/bin/python3

tone() {  # tone SECONDS CHANNELS OUT.wav
    ffmpeg -v error -y -f lavfi -i "sine=frequency=440:duration=$1" -ac "$2" -ar 44100 "$3"
}
# A sweep gives the VBR encoder something to vary.
sweep() {  # sweep SECONDS OUT.wav
    ffmpeg -v error -y -f lavfi -i "aevalsrc=sin(2*PI*(200+900*t)*t)*(0.3+0.3*sin(7*t))|sin(2*PI*(300+400*t)*t)*0.4:d=$1:s=44100" "$2"
}

tone 0.5 2 "$work/s.wav"
tone 0.5 1 "$work/m.wav"
sweep 1.0 "$work/sweep.wav"

# -t: no XING/Info frame, a plain constant bit rate stream.
lame --quiet -t -b 128 -m s "$work/s.wav" cbr.mp3
lame --quiet -t -b 128 -m j "$work/s.wav" joint.mp3
lame --quiet -t -b 64 -m m "$work/m.wav" mono.mp3
# Constant bit rate with lame's "Info" frame.
lame --quiet -b 128 "$work/s.wav" info.mp3
# Variable bit rate with a XING frame: stereo (identifier at 36) and mono (21).
lame --quiet -V 5 "$work/sweep.wav" vbr.mp3
lame --quiet -V 7 -m m "$work/sweep.wav" vbr_mono.mp3
# MPEG 2 (22.05 kHz) and MPEG 2.5 (8 kHz) Layer III; a mono MPEG 2 VBR
# stream puts its XING identifier 13 bytes into the frame.
lame --quiet --resample 22.05 -b 64 "$work/s.wav" mpeg2.mp3
lame --quiet --resample 22.05 -V 7 -m m "$work/sweep.wav" mpeg2_mono_vbr.mp3
lame --quiet -t --resample 8 -b 16 -m m "$work/s.wav" mpeg25.mp3
# Header flags: copyright, CRC protection, not original, 50/15 ms emphasis.
lame --quiet -t -b 64 -m m -c -p -o -e 5 "$work/m.wav" flags.mp3
# Layer II.
ffmpeg -v error -y -i "$work/s.wav" -c:a mp2 -b:a 128k layer2.mp2

# An ID3v2 tag with a 24 KB picture in front of the audio: more than the
# frame search range.
cp cbr.mp3 id3v2_picture.mp3
"$py" - id3v2_picture.mp3 <<'PY'
import random, sys
from mutagen.id3 import ID3, APIC, TIT2
random.seed(6)
picture = bytes(random.getrandbits(8) for _ in range(24 * 1024))
tag = ID3()
tag.add(TIT2(encoding=3, text="Picture"))
tag.add(APIC(encoding=3, mime="image/jpeg", type=3, desc="cover", data=picture))
tag.save(sys.argv[1], v2_version=3)
PY

# APEv2 and ID3v1 tags after the audio.
cp cbr.mp3 tags_end.mp3
"$py" - tags_end.mp3 <<'PY'
import sys
from mutagen.apev2 import APEv2
path = sys.argv[1]
def field(text, size):
    return text.encode("latin-1")[:size].ljust(size, b"\0")
ape = APEv2()
ape["Title"] = "End"
ape["Comment"] = "A" * 300
ape.save(path)
id3v1 = (b"TAG" + field("End", 30) + field("Artist", 30) + field("Album", 30)
         + field("2024", 4) + field("", 28) + b"\0\x01" + bytes([12]))
with open(path, "ab") as out:
    out.write(id3v1)
PY

# A VBRI frame, as one encoder family writes it, in front of the CBR frames.
"$py" - cbr.mp3 vbri.mp3 <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
header = data[:4]
# MPEG 1 Layer III 128 kbit/s 44.1 kHz, padding cleared: 417 bytes.
header = bytes([header[0], header[1], header[2] & ~0x02, header[3]])
frame_size = 417
frame_count = 1
pos = 0
sizes = []
while pos + 4 <= len(data) and data[pos] == 0xFF:
    pad = (data[pos + 2] >> 1) & 1
    size = 417 + pad
    sizes.append(size)
    pos += size
frames = len(sizes) + 1
total = frame_size + len(data)
entries = 10
per_entry = -(-frames // entries)
table = []
for i in range(entries):
    chunk = sizes[i * per_entry:(i + 1) * per_entry]
    if i == 0:
        chunk = [frame_size] + chunk[:-1]
    table.append(sum(chunk))
body = bytearray(header + bytes(32))
body += b"VBRI" + struct.pack(">HHHIIHHHH", 1, 576, 75, total, frames,
                              entries - 1, 1, 2, per_entry)
body += b"".join(struct.pack(">H", t) for t in table)
body += bytes(frame_size - len(body))
open(sys.argv[2], "wb").write(bytes(body) + data)
PY

# ffmpeg's low-rate stream: its "Info" frame is written at a higher bit rate
# (56 kbit/s) than the audio after it (32 kbit/s).
ffmpeg -v error -y -f lavfi -i "sine=frequency=440:duration=2" -ac 1 -ar 22050 \
    -c:a libmp3lame -b:a 32k -map_metadata -1 -fflags +bitexact ffmpeg_low_rate.mp3

# Not MPEG audio at all, and a stream cut off in its third frame.
"$py" - garbage.mp3 <<'PY'
import random, sys
random.seed(66)
open(sys.argv[1], "wb").write(bytes(random.getrandbits(8) for _ in range(6000)))
PY
head -c 1000 cbr.mp3 > truncated.mp3

ls -l
