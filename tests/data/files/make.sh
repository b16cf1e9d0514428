#!/bin/sh
# A tenth of a second of silence as an 8 kbit/s MP3, without tags; the tests
# tag copies of it themselves. Run from this folder.
set -e
cd "$(dirname "$0")"
ffmpeg -loglevel error -y -f lavfi -i anullsrc=r=8000:cl=mono -t 0.1 silence.wav
lame --quiet -b 8 silence.wav silence.mp3
rm -f silence.wav
