#!/usr/bin/env bash
# Makes the sample songs of the player tests (short tones, kept tiny).
# Needs ffmpeg, lame, oggenc and flac. The outputs are committed.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

ffmpeg -v error -f lavfi -i "sine=frequency=330:duration=2" -ac 1 -ar 8000 "$work/two.wav"
lame --quiet -b 8 "$work/two.wav" two_seconds.mp3
ffmpeg -v error -f lavfi -i "sine=frequency=550:duration=0.5" -ac 1 -ar 8000 -c:a pcm_u8 half_second.wav
ffmpeg -v error -f lavfi -i "sine=frequency=440:duration=1" -ac 1 -ar 8000 "$work/one.wav"
oggenc --quiet -q 0 -o one_second.ogg "$work/one.wav"
flac --silent -o half_second.flac half_second.wav
head -c 3000 /dev/urandom > garbage.mp3
