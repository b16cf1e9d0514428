#!/bin/sh
# Makes the sample pictures: a small JPEG and PNG, and a PNG of an unusual
# size, made by ffmpeg so that no Tunemoss code judges its own images.
set -eu
cd "$(dirname "$0")"
ffmpeg -y -loglevel error -f lavfi -i "color=c=red:s=40x30" -frames:v 1 front.jpg
ffmpeg -y -loglevel error -f lavfi -i "testsrc=s=20x12" -frames:v 1 back.png
ffmpeg -y -loglevel error -f lavfi -i "color=c=blue:s=7x5" -frames:v 1 small.gif
