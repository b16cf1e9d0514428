// Pictures of the ID3v2 tag. The whole tag is read here, unlike the field
// reader, which passes over the picture frames.
#include <algorithm>

#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/id3/Id3v2Picture.h"
#include "songcore/tags/id3/Id3v2Tag.h"

int CSongFileInfo::ReadID3V2Pictures(std::vector<songcore::Picture>& out) {
    out.clear();
    std::optional<Id3v2Place> place = FindID3V2Place();
    if (!place) {
        return 0;
    }
    if (place->length == 0) {
        return 1;
    }
    std::vector<uint8_t> bytes;
    if (!ReadExact(place->offset, static_cast<size_t>(place->length), bytes)) {
        return 0;
    }
    std::optional<songcore::Id3v2Tag> tag = songcore::Id3v2Tag::Parse(bytes);
    if (!tag) {
        return 1;
    }
    for (const songcore::Id3v2Frame& frame : tag->frames) {
        if (!songcore::IsId3v2PictureFrame(frame.id, tag->major)) {
            continue;
        }
        // A compressed or encrypted frame has no content to show.
        std::optional<std::vector<uint8_t>> content = tag->Content(frame);
        if (!content) {
            continue;
        }
        if (std::optional<songcore::Picture> picture =
                songcore::ParseId3v2Picture(*content, tag->major)) {
            out.push_back(std::move(*picture));
        }
    }
    return 1;
}
