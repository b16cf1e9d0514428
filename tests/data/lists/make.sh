#!/bin/sh
# Writes play lists laid out the way other players write them: VLC's UTF-8
# M3U with relative paths, file:// locations and option lines; Winamp-style
# lists with Windows line ends; a plain list of paths; a PLS file without
# Title keys; and a small song database file. Run from this folder.
set -e
cd "$(dirname "$0")"

# VLC: header, EXTINF with -1 for unknown lengths, #EXTVLCOPT lines between
# the information and the path, relative paths and percent-encoded file URIs.
printf '%s\n' \
    '#EXTM3U' \
    '#EXTINF:215,Jay-Z - Song' \
    '#EXTVLCOPT:network-caching=1000' \
    'Music/Jay-Z - Song.mp3' \
    '#EXTINF:-1,Björk - Jóga' \
    '../Other/Jóga.flac' \
    '#EXTINF:12,Spaced Out' \
    'file:///srv/music/Spaced%20Out.ogg' \
    '#EXTINF:0,Radio - Stream' \
    'http://radio.example/stream.mp3' > vlc.m3u8

# Winamp: CR LF line ends, Windows paths, lengths in seconds.
printf '#EXTM3U\r\n#EXTINF:200,Artist - Title\r\nC:\\Music\\a.mp3\r\n#EXTINF:-1,AC-DC - Thunder\r\nthunder.mp3\r\n' > winamp.m3u

# A plain list: nothing but paths, and a blank line.
printf '%s\n' 'one.mp3' '' '/abs/two.ogg' 'sub/three.flac' > plain.m3u

# A PLS file as many players write it: lower-case section, no Title keys.
printf '%s\n' '[playlist]' 'File1=one.mp3' 'Length1=-1' \
    'File2=/abs/two.ogg' 'Length2=30' 'NumberOfEntries=2' 'Version=2' > notitle.pls

# Winamp PLS with CR LF.
printf '[playlist]\r\nFile1=C:\\Music\\a.mp3\r\nTitle1=Artist - Song\r\nLength1=200\r\nFile2=b.mp3\r\nTitle2=AC-DC - Thunder\r\nLength2=abc\r\nNumberOfEntries=2\r\nVersion=2\r\n' > winamp.pls

# A song database: "SDF", version 1, two records (title, type, artist,
# album, file), the second cut short.
printf 'SDF\001\000\000\000' > two.sdf
printf '\004\000\000\000Song\301\000\000\000\001\000\000\000A\000\000\000\000\010\000\000\000/m/s.mp3' >> two.sdf
printf '\003\000\000\000Cut\301\000\000\000\005\000\000\000Art' >> two.sdf
