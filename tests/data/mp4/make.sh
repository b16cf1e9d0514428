#!/bin/sh
# Makes the MP4 sample files: a quarter second of AAC in an M4A container,
# once with the movie atom after the media data (ffmpeg's default) and once
# before it (faststart), each plain and tagged by mutagen with the usual
# items plus cover art and freeform items.
set -eu
cd "$(dirname "$0")"

encode() {
    ffmpeg -v error -y -f lavfi -i "sine=frequency=440:duration=0.25:sample_rate=22050" \
        -ac 1 -c:a aac -b:a 24k -map_metadata -1 -fflags +bitexact -flags:a +bitexact \
        "$@"
}
encode end.m4a
encode -movflags +faststart faststart.m4a
encode -movflags frag_keyframe+empty_moov fragmented.m4a

cp end.m4a tagged_end.m4a
cp faststart.m4a tagged_faststart.m4a
# A real picture, because ffmpeg decodes cover art as a video stream.
ffmpeg -v error -y -f lavfi -i color=c=red:s=4x4 -frames:v 1 -fflags +bitexact cover.png
/usr/bin/python3 - tagged_end.m4a tagged_faststart.m4a <<'PY'
import sys
from mutagen.mp4 import MP4, MP4Cover, MP4FreeForm, AtomDataType
cover = MP4Cover(open("cover.png", "rb").read(), imageformat=MP4Cover.FORMAT_PNG)
for path in sys.argv[1:]:
    f = MP4(path)
    f["\xa9nam"] = "Fixture Song"
    f["\xa9ART"] = "Fixture Artist"
    f["\xa9alb"] = "Fixture Album"
    f["\xa9day"] = "2003"
    f["\xa9cmt"] = "made by make.sh"
    f["\xa9wrt"] = "Fixture Composer"
    f["trkn"] = [(3, 12)]
    f["disk"] = [(1, 2)]
    f["tmpo"] = [120]
    f["cpil"] = True
    f["aART"] = "Fixture Album Artist"
    f["\xa9gen"] = "Jazz"
    f["\xa9too"] = "make.sh"
    f["soar"] = "Artist, Fixture"
    f["covr"] = [cover]
    f["----:com.apple.iTunes:MusicBrainz Track Id"] = [
        MP4FreeForm(b"0d3e3e1a-1111-2222-3333-444455556666", AtomDataType.UTF8)]
    f["----:com.apple.iTunes:replaygain_track_gain"] = [MP4FreeForm(b"-6.50 dB")]
    f.save()
PY
rm -f cover.png
