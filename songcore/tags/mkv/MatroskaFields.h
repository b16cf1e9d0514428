#pragma once
// The song fields as Matroska SimpleTags: one table, read and written.
//
// A file whose tags have a track level (TargetTypeValue 30) is read by
// level: the track's TITLE, ARTIST and PART_NUMBER are the song's, the
// album level's (50, the default) TITLE, ARTIST and TOTAL_PARTS the album's,
// and the other fields come from the track level, else the album level.
// A file with the album level alone is read as ffmpeg writes and reads it:
// that one tag holds the song's fields under ffmpeg's names (TITLE, ALBUM,
// ALBUM_ARTIST, PART_NUMBER...), a list as one text joined by "; " (ffmpeg
// reads only the last of several SimpleTags of one name). A file without
// tags gets such a tag.

#include <string>
#include <string_view>

#include "songcore/tags/SongValues.h"
#include "songcore/tags/mkv/MatroskaTags.h"

namespace songcore {

// segmentTitle, the Info's Title, stands in for a title no tag gives.
void ReadMatroskaFields(const MatroskaTags& tags, const std::string& segmentTitle, SongValues& out);

// Changes tags so that they read as values: the SimpleTags of every field
// whose value differs from what the tags read as are replaced (at the first
// one's place, under its name), the others stay as they are.
void WriteMatroskaFields(const SongValues& values, const std::string& segmentTitle,
                         MatroskaTags& tags);

// Drops every SimpleTag the table reads; tags left without SimpleTags go.
void RemoveMatroskaFields(MatroskaTags& tags);

// The level whose tag holds the song's own fields: the track's (30) when
// the file has one, else the album's (50), ffmpeg's one tag.
uint64_t MatroskaSongLevel(const MatroskaTags& tags);

// Whether a field reads, or would write, a SimpleTag of name in a tag of
// level that is about the whole song, in tags whose MatroskaSongLevel is
// songLevel.
bool IsMatroskaFieldName(uint64_t songLevel, uint64_t level, std::string_view name);

}  // namespace songcore
