#pragma once
// The attributes of an ASF extended content description that no field reads
// and that hold no picture, as items named by the attribute name.

#include <string>
#include <vector>

#include "songcore/tags/TagItem.h"
#include "songcore/tags/asf/AsfObjects.h"

namespace songcore {

// Text attributes can be edited; numbers, flags and byte arrays are shown
// as text and can only be removed.
std::vector<TagItem> AsfOtherItems(const std::vector<AsfDescriptor>& descriptors);

// Makes the edits to the descriptors: those of an edit's name (in any letter
// case) go, and a text attribute for each value takes the first one's
// place, or goes last. Why not, with the descriptors unchanged, when a name
// is empty or a field's or the pictures'; empty when done.
std::string ApplyAsfItemEdits(std::vector<AsfDescriptor>& descriptors, const TagItemEdits& edits);

}  // namespace songcore
