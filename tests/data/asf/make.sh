#!/bin/sh
# Makes the Windows Media Audio samples: half a second of a sine tone coded
# with WMA v2 by ffmpeg's ASF muxer; mutagen adds the tags.
set -e
cd "$(dirname "$0")"
ffmpeg -v error -y -f lavfi -i sine=frequency=440:duration=0.5 -ar 22050 -ac 1 \
    -c:a wmav2 -b:a 32k -fflags +bitexact plain.wma
cp plain.wma tagged.wma
# A real picture, since decoders show it as an attached picture stream.
ffmpeg -v error -y -f lavfi -i color=c=red:s=4x4 -frames:v 1 -fflags +bitexact cover.png
/usr/bin/python3 - tagged.wma cover.png <<'PY'
import struct
import sys
from mutagen.asf import ASF, ASFByteArrayAttribute, ASFDWordAttribute, ASFBoolAttribute

f = ASF(sys.argv[1])
f["Title"] = "Sine Title"
f["Author"] = "Sine Author"
f["Copyright"] = "(c) Sine"
f["Description"] = "A comment"
f["WMFSDKVersion"] = "12.0.7601.17514"
f["WMFSDKNeeded"] = "0.0.0.0000"
f["WM/AlbumTitle"] = "Sine Album"
f["WM/AlbumArtist"] = "Sine Album Artist"
f["WM/Year"] = "2003"
f["WM/Genre"] = "Jazz"
f["WM/TrackNumber"] = ASFDWordAttribute(7)
f["WM/TRACK"] = ASFDWordAttribute(6)
f["WM/Composer"] = "Sine Composer"
f["WM/Lyrics"] = "la la la"
f["ReplayGain/Track_Gain"] = "-3.20 dB"
f["MusicBrainz/Track Id"] = "0f5e3a1c-1111-2222-3333-444455556666"
f["IsVBR"] = ASFBoolAttribute(False)
# A tiny picture: type 3 (front cover), size, MIME, description, data.
data = open(sys.argv[2], "rb").read()
mime = "image/png\0".encode("utf-16-le")
desc = "cover\0".encode("utf-16-le")
f["WM/Picture"] = ASFByteArrayAttribute(struct.pack("<bI", 3, len(data)) + mime + desc + data)
f.save()
PY
rm cover.png
