#!/bin/sh
# Makes the RealAudio samples: half a second of a sine tone at 8 kHz, coded
# with RealAudio 1.0 (14.4), written by ffmpeg's RealMedia muxer.
set -e
cd "$(dirname "$0")"
common="-v error -y -f lavfi -i sine=frequency=440:duration=0.5 -ar 8000 -ac 1 -c:a real_144 -fflags +bitexact"
# Content description with all four texts.
ffmpeg $common -metadata title="  Sine Title " -metadata author="Sine Author" \
    -metadata copyright="(c) Sine" -metadata comment=" A comment  " tagged.ra
# ffmpeg always writes a content description; this one is empty.
ffmpeg $common -map_metadata -1 plain.ra
