#pragma once
// The frames of an ID3v2 tag (2.3 or 2.4) that no field reads and that hold
// no picture, as items: text and URL frames by their id, frames that carry
// a description (TXXX, WXXX, COMM, USLT) or an owner (UFID, POPM, PRIV) by
// "ID:description".

#include <string>
#include <vector>

#include "songcore/tags/TagItem.h"
#include "songcore/tags/id3/Id3v2Tag.h"

namespace songcore {

std::vector<TagItem> Id3v2OtherItems(const Id3v2Tag& tag);

// Makes the edits to a 2.3 or 2.4 tag: the frames of an edit's key go, and
// one new frame with its values takes the first one's place, or goes last.
// Text frames, TXXX, URL frames, WXXX, COMM, USLT and UFID can be written;
// any other frame only removed. Why not, with the tag unchanged, when a key
// is none of those or names a field or the pictures; empty when done.
std::string ApplyId3v2ItemEdits(Id3v2Tag& tag, const TagItemEdits& edits);

}  // namespace songcore
