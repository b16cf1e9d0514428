#!/bin/sh
# Makes the DSF sample files from the published DSF layout (no tool here
# writes DSF): a "DSD " chunk, a "fmt " chunk for two channels of 1-bit DSD
# at 2.8224 MHz, one block of 4096 bytes per channel, then the ID3v2 tag
# mutagen appends. Run from this folder; needs python3-mutagen.
set -eu
cd "$(dirname "$0")"
/usr/bin/python3 - <<'PY'
import struct
from mutagen.dsf import DSF
from mutagen.id3 import APIC, TALB, TIT2, TPE1, TRCK, TXXX

channels, rate, block = 2, 2822400, 4096
# A square wave's worth of bit patterns, different per channel.
data = b"".join(bytes([0xF0 if (i // 64) % 2 else 0x0F]) * 1 for i in range(block)) + \
       b"".join(bytes([0xCC if (i // 32) % 2 else 0x33]) * 1 for i in range(block))
samples = block * 8
fmt = struct.pack("<4sQIIIIIIQII", b"fmt ", 52, 1, 0, 2, channels, rate, 1, samples, block, 0)
body = fmt + struct.pack("<4sQ", b"data", 12 + len(data)) + data
total = 28 + len(body)
with open("bare.dsf", "wb") as f:
    f.write(struct.pack("<4sQQQ", b"DSD ", 28, total, 0) + body)

png = open("../pictures/back.png", "rb").read()
with open("tagged.dsf", "wb") as f:
    f.write(open("bare.dsf", "rb").read())
f = DSF("tagged.dsf")
f.add_tags()
f.tags.add(TIT2(encoding=3, text="Ruhe"))
f.tags.add(TPE1(encoding=3, text="DSD Artist"))
f.tags.add(TALB(encoding=0, text="DSD Album"))
f.tags.add(TRCK(encoding=0, text="2/4"))
f.tags.add(TXXX(encoding=0, desc="MOOD", text="calm"))
f.tags.add(APIC(encoding=0, mime="image/png", type=3, desc="", data=png))
f.save()
PY
