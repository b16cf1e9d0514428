// Cover art and the other items of the MP4 item list: the item list is
// read with its cover items for the pictures, unlike the field reader.
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/mp4/Mp4Cover.h"
#include "songcore/tags/mp4/Mp4ItemList.h"
#include "songcore/tags/mp4/Mp4Items.h"
#include "songcore/tags/mp4/Mp4MovieFile.h"

namespace {

// The items of the file's item list (none without one); nothing when it
// cannot be read, with why when the file is at fault.
std::optional<std::vector<songcore::Mp4Item>> LoadItems(CSongFile& file,
                                                        songcore::Mp4CoverBytes covers,
                                                        std::string& why) {
    std::optional<songcore::Mp4TagBytes> bytes = songcore::LoadMp4TagBytes(file, covers, &why);
    if (!bytes) {
        return std::nullopt;
    }
    if (!bytes->itemList) {
        return std::vector<songcore::Mp4Item>();
    }
    auto items = songcore::ParseMp4ItemList(*bytes->itemList);
    if (!items) {
        why = "the file's atoms are damaged: an item of the item list is malformed";
    }
    return items;
}

}  // namespace

int CSongFileInfo::ReadMP4Pictures(std::vector<songcore::Picture>& out) {
    out.clear();
    std::string why;
    auto items = LoadItems(*this, songcore::Mp4CoverBytes::kRead, why);
    if (!items) {
        return why.empty() ? 0 : Refuse(why);
    }
    for (const songcore::Mp4Item& item : *items) {
        if (item.name != songcore::kMp4CoverItem) {
            continue;
        }
        for (const songcore::Mp4Data& data : item.data) {
            if (std::optional<songcore::Picture> picture = songcore::ParseMp4Cover(data)) {
                out.push_back(std::move(*picture));
            }
        }
    }
    return 1;
}

int CSongFileInfo::ReadMP4Items(std::vector<songcore::TagItem>& out) {
    out.clear();
    std::string why;
    auto items = LoadItems(*this, songcore::Mp4CoverBytes::kLeftOut, why);
    if (!items) {
        return why.empty() ? 0 : Refuse(why);
    }
    out = songcore::Mp4OtherItems(*items);
    return 1;
}
