// The other items of a song's tag: which tag holds them, and the file-level
// entry points. Each format reads and edits its own in its source file.
#include "songcore/tags/SongItems.h"

#include <algorithm>
#include <cctype>

#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/TagKinds.h"

namespace songcore {

bool SameKeyIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x)) ==
               std::toupper(static_cast<unsigned char>(y));
    });
}

bool SameKeyExactly(std::string_view a, std::string_view b) {
    return a == b;
}

const TagItemEdit* FindItemEdit(const TagItemEdits& edits, std::string_view key,
                                bool (*equal)(std::string_view, std::string_view)) {
    for (auto edit = edits.rbegin(); edit != edits.rend(); ++edit) {
        if (equal(edit->key, key)) {
            return &*edit;
        }
    }
    return nullptr;
}

void AddItemValue(std::vector<TagItem>& items, std::string key, std::string value, bool editable,
                  bool (*equal)(std::string_view, std::string_view)) {
    for (TagItem& item : items) {
        if (equal(item.key, key)) {
            item.values.push_back(std::move(value));
            item.editable = item.editable && editable;
            return;
        }
    }
    items.push_back({std::move(key), {std::move(value)}, editable});
}

}  // namespace songcore

uint32_t CSongFileInfo::GetExtrasTagKind() const {
    uint32_t kind = GetWriteTagKind();
    if (kind == TAG_ID3V1 && (GetSongType() & SONG_TYPE_MPA)) {
        return TAG_ID3V2;
    }
    if (kind == 0 && (GetSongType() & SONG_TYPE_ASF)) {
        return TAG_ASF;
    }
    return kind == TAG_ID3V1 || kind == TAG_RM ? 0 : kind;
}

int CSongFileInfo::ReadItems(std::vector<songcore::TagItem>& out) {
    out.clear();
    GetSongInfo();
    switch (GetExtrasTagKind()) {
        case TAG_ID3V2:
            return ReadID3V2Items(out);
        case TAG_APEV2:
            return ReadAPEV2Items(out);
        case TAG_OGG:
            return ReadOGGItems(out);
        case TAG_FLAC:
            return ReadFlacItems(out);
        case TAG_MP4:
            return ReadMP4Items(out);
        case TAG_ASF:
            return ReadASFItems(out);
        case TAG_MATROSKA:
            return ReadMatroskaItems(out);
        default:
            return 1;
    }
}

int CSongFileInfo::WriteItems(songcore::TagItemEdits edits) {
    for (const songcore::TagItemEdit& edit : edits) {
        if (edit.key.empty()) {
            return Refuse("an item has no key");
        }
    }
    // The writers that honour item edits; any other would write the tag
    // without them and call it done.
    constexpr uint32_t kWithItems =
        TAG_ID3V2 | TAG_APEV2 | TAG_OGG | TAG_FLAC | TAG_MP4 | TAG_ASF | TAG_MATROSKA;
    const songcore::TagKind* kind = songcore::FindTagKindByMask(GetExtrasTagKind() & kWithItems);
    if (kind == nullptr) {
        return Refuse("this format has no place for other items");
    }
    pendingItems_ = std::move(edits);
    const int written = (this->*kind->write)();
    pendingItems_.reset();
    return written;
}

namespace songcore {

bool ReadSongItems(const std::string& path, std::vector<TagItem>& out, std::string& error) {
    CSongFileInfo song;
    if (!song.Open(path, 1, 0)) {
        error = FailureOf(song, "cannot open the file");
        return false;
    }
    if (!song.ReadItems(out)) {
        error = FailureOf(song, "cannot read the tag");
        return false;
    }
    return true;
}

}  // namespace songcore
