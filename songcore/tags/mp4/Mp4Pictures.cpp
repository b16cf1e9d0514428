// Cover art of the MP4 item list. The whole movie atom is read here, unlike
// the field reader, which leaves the cover item out.
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/mp4/Mp4Cover.h"
#include "songcore/tags/mp4/Mp4ItemList.h"
#include "songcore/tags/mp4/Mp4MovieFile.h"

int CSongFileInfo::ReadMP4Pictures(std::vector<songcore::Picture>& out) {
    out.clear();
    songcore::Mp4MovieInFile file;
    std::string why;
    if (!songcore::LoadMp4Movie(*this, file, &why)) {
        return why.empty() ? 0 : Refuse(why);
    }
    if (!file.movie->hasItemList()) {
        return 1;
    }
    auto items = songcore::ParseMp4ItemList(file.movie->itemListContent());
    if (!items) {
        return Refuse("the file's atoms are damaged: an item of the item list is malformed");
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
