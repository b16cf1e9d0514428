#pragma once
// The items of an MP4 item list that no field reads and that hold no cover:
// named by their atom name ("tmpo", "\xC2\xA9" for the 0xA9 byte) or, for a
// freeform item, "----:mean:name" ("----:com.apple.iTunes:MusicBrainz
// Album Id").

#include <string>
#include <vector>

#include "songcore/tags/TagItem.h"
#include "songcore/tags/mp4/Mp4ItemList.h"

namespace songcore {

std::vector<TagItem> Mp4OtherItems(const std::vector<Mp4Item>& items);

// Makes the edits to the old item list before the writer builds the new one
// from it: the items of an edit's key go, and one item with a UTF-8 data
// atom for each value takes the first one's place, or goes last. Why not,
// with the list unchanged, when a key is no atom name or freeform key, or
// is a field's or the cover's; empty when done.
std::string ApplyMp4ItemEdits(std::vector<Mp4Item>& items, const TagItemEdits& edits);

}  // namespace songcore
