#pragma once
// The SimpleTags of a Matroska file that no field reads, as items.
//
// A key is a tag name, led by what the tag is about when that is not the
// song's own level (MatroskaSongLevel):
//   "REPLAYGAIN_GAIN"         the tag of the song's own level;
//   "50:CATALOG_NUMBER"       the tag of another level (TargetTypeValue),
//                             here the album's in a file that has a track
//                             level;
//   "50 track=1:ENCODER"      a tag whose Targets name parts of the file
//                             (track, edition, chapter, attachment UIDs).
// Names compare in any letter case, as the field table reads them.

#include <string>
#include <vector>

#include "songcore/tags/TagItem.h"
#include "songcore/tags/mkv/MatroskaTags.h"

namespace songcore {

// Every top-level SimpleTag no field reads, in the file's order; a binary
// one is described and can only be removed. Nested SimpleTags go with the
// one that holds them.
std::vector<TagItem> MatroskaOtherItems(const MatroskaTags& tags);

// Makes the edits to the tags: the SimpleTags of an edit's key go, and one
// SimpleTag per value takes the first one's place (keeping its language and
// nested SimpleTags), or goes last in the first tag of the key's level, a
// new one when there is none. Why not, with the tags unchanged, when a key
// is a field's, names no tag (a targeted one that is not there), gives a
// binary SimpleTag a text, or would give a file whose fields are in
// ffmpeg's one tag a track level (which would change how they read); empty
// when done.
std::string ApplyMatroskaItemEdits(MatroskaTags& tags, const TagItemEdits& edits);

}  // namespace songcore
