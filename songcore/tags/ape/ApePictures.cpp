// Pictures of the APEv2 tag. The whole tag is read here, unlike the field
// reader, which passes over the picture items.
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/TagExtents.h"
#include "songcore/tags/ape/ApePicture.h"
#include "songcore/tags/ape/ApeTag.h"

int CSongFileInfo::ReadAPEV2Pictures(std::vector<songcore::Picture>& out) {
    out.clear();
    songcore::TagExtents extents;
    if (!songcore::FindTagExtents(*this, extents)) {
        return 0;
    }
    if (extents.apeLength == 0) {
        return 1;
    }
    std::vector<uint8_t> bytes;
    if (!ReadExact(extents.apeOffset, static_cast<size_t>(extents.apeLength), bytes)) {
        return 0;
    }
    // A damaged tag gives the pictures before the damage.
    std::optional<songcore::ApeTag> tag = songcore::ApeTag::Parse(bytes);
    if (!tag) {
        return 1;
    }
    for (const songcore::ApeItem& item : tag->items) {
        if (std::optional<songcore::Picture> picture = songcore::ParseApePicture(item)) {
            out.push_back(std::move(*picture));
        }
    }
    return 1;
}
