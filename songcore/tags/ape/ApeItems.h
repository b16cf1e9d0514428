#pragma once
// The items of an APEv2 tag that no field reads and that hold no picture.

#include <string>
#include <vector>

#include "songcore/tags/TagItem.h"
#include "songcore/tags/ape/ApeTag.h"

namespace songcore {

// The text items under their keys, several values of one item apart; a
// binary or link item described, to be removed but not edited.
std::vector<TagItem> ApeOtherItems(const ApeTag& tag);

// Makes the edits to the tag: every item of an edit's key (in any letter
// case) goes, and one text item with its values NUL-separated takes the
// first one's place, or goes last. Why not, with the tag unchanged, when a
// key is no APEv2 key or is a field's or a picture's; empty when done.
std::string ApplyApeItemEdits(ApeTag& tag, const TagItemEdits& edits);

}  // namespace songcore
