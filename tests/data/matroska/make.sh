#!/bin/sh
# Makes the Matroska and WebM sample files: a fraction of a second of a sine
# tone encoded by ffmpeg (Opus, Vorbis, FLAC), tagged by ffmpeg's -metadata
# or by mkvpropedit (package mkvtoolnix), one with a cover attachment. Run
# from this folder.
set -eu
cd "$(dirname "$0")"
tone="sine=frequency=440:duration=0.2"
enc() {
    out=$1
    shift
    ffmpeg -v error -y -f lavfi -i "$tone" -ac 1 -fflags +bitexact -flags:a +bitexact "$@" "$out"
}

# ffmpeg's own tags: one tag without a target level, its names.
enc ffmpeg.mka -c:a libopus -b:a 16k -metadata title="Ffmpeg Title" -metadata artist="Ffmpeg Artist" \
    -metadata album="Ffmpeg Album" -metadata date=2003 -metadata track=4 -metadata genre=Blues \
    -metadata comment="Ffmpeg comment"
enc ffmpeg.webm -c:a libvorbis -ar 8000 -metadata title="Webm Title" -metadata artist="Webm Artist"
enc flac.mka -c:a flac -ar 8000 -metadata title="Flac Title"
# No tags of its own (ffmpeg still writes its track's encoder tag).
enc bare.mka -c:a libopus -b:a 16k -map_metadata -1

# Album and track levels as mkvpropedit writes them (the album level's
# TargetTypeValue 50 left out as the default); the tags outgrow their place
# and go to the end of the file.
cp bare.mka levels.mka
cat >levels.xml <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<Tags>
  <Tag>
    <Targets><TargetTypeValue>50</TargetTypeValue></Targets>
    <Simple><Name>TITLE</Name><String>Level Album</String></Simple>
    <Simple><Name>ARTIST</Name><String>Level Album Artist</String></Simple>
    <Simple><Name>TOTAL_PARTS</Name><String>12</String></Simple>
    <Simple><Name>DATE_RELEASED</Name><String>1999</String></Simple>
    <Simple><Name>CATALOG_NUMBER</Name><String>CAT-1</String></Simple>
  </Tag>
  <Tag>
    <Targets><TargetTypeValue>30</TargetTypeValue></Targets>
    <Simple><Name>TITLE</Name><String>Level Title</String></Simple>
    <Simple><Name>ARTIST</Name><String>Level Artist</String></Simple>
    <Simple><Name>PART_NUMBER</Name><String>7</String></Simple>
    <Simple><Name>GENRE</Name><String>Jazz</String></Simple>
    <Simple><Name>MOOD</Name><String>Calm</String><Simple><Name>URL</Name><String>x</String></Simple></Simple>
  </Tag>
</Tags>
XML
mkvpropedit -q levels.mka --tags global:levels.xml
rm levels.xml

# A cover attachment, as mkvpropedit adds one, after another attachment
# that is no picture.
ffmpeg -v error -y -f lavfi -i color=c=red:s=8x8 -frames:v 1 -fflags +bitexact cover.jpg
printf 'liner notes\n' >notes.txt
cp ffmpeg.mka cover.mka
mkvpropedit -q cover.mka --attachment-mime-type text/plain --add-attachment notes.txt \
    --attachment-mime-type image/jpeg --attachment-name cover.jpg --add-attachment cover.jpg
rm cover.jpg notes.txt
