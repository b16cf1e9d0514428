#pragma once
// The pictures of a song file, read and written apart from its other tags:
// the tag readers that fill the song tree never touch picture bytes, so a
// picture costs nothing until somebody asks for it. They live in the tag the
// song's fields are written to (an MP3 whose only tag is ID3v1 gets an ID3v2
// tag for them).

#include <string>
#include <vector>

#include "songcore/tags/Picture.h"

namespace songcore {

// The pictures of the song at path, in the order the tag holds them. A
// damaged picture entry is left out. False, and why, when the file cannot be
// read.
bool ReadSongPictures(const std::string& path, std::vector<Picture>& out, std::string& error);

// Replaces the song's pictures by these (none: removes them all), keeping
// every other tag item as it is. False, and why, when the format has no
// place for pictures, a picture is refused (over 16 MB, or a type the format
// cannot store), or the file cannot be written; the file is then unchanged.
bool WriteSongPictures(const std::string& path, const std::vector<Picture>& pictures,
                       std::string& error);

}  // namespace songcore
