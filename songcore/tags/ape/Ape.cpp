// APEv2 tags at the end of AAC, Monkey's Audio, Musepack and MPEG audio
// files, directly before an ID3v1 tag when there is one. The tag is cut and
// rewritten in place; the audio before it is never moved.
#include <algorithm>

#include "songcore/songfile/ContentWriter.h"
#include "songcore/songfile/SongFileReader.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/TagExtents.h"
#include "songcore/tags/ape/ApeItems.h"
#include "songcore/tags/ape/ApePicture.h"
#include "songcore/tags/ape/ApeTag.h"
#include "songcore/util/Codepage.h"
#include "songcore/util/Text.h"

using songcore::ApeTag;

namespace {

// Tags stacked by writers that appended without removing; a bounded number
// is enough for real files.
constexpr int kMaxStackedTags = 16;

// Reads the APEv2 tag the extents found; nothing when there is none or it
// cannot be read.
std::optional<ApeTag> ReadTag(CSongFile& file, const songcore::TagExtents& extents) {
    std::vector<uint8_t> bytes;
    if (extents.apeLength == 0 ||
        !file.ReadExact(extents.apeOffset, static_cast<size_t>(extents.apeLength), bytes)) {
        return std::nullopt;
    }
    return ApeTag::Parse(bytes);
}

// Where the stack of APEv2 tags that ends at the extents' tag begins.
uint64_t StackStart(CSongFile& file, const songcore::TagExtents& extents) {
    uint64_t start = extents.apeOffset;
    std::vector<uint8_t> footer;
    for (int i = 1; i < kMaxStackedTags && start >= extents.id3v2Length + ApeTag::kFooterSize;
         ++i) {
        if (!file.ReadExact(start - ApeTag::kFooterSize, ApeTag::kFooterSize, footer)) {
            break;
        }
        uint64_t length = songcore::ApeTagLength(footer);
        if (length == 0 || length > start - extents.id3v2Length) {
            break;
        }
        start -= length;
    }
    return start;
}

// The record's fields as the reader derives them from the items; present
// tells which fields had an item.
songcore::SongValues Derive(const ApeTag& tag,
                            std::array<bool, songcore::kApeFieldCount>* present = nullptr,
                            std::array<bool, songcore::kApeFieldCount>* legacy = nullptr) {
    songcore::SongValues fields;
    std::array<std::optional<std::string>, songcore::kApeFieldCount> texts = tag.ReadFields();
    for (size_t row = 0; row < songcore::kApeFieldCount; ++row) {
        if (present) {
            (*present)[row] = texts[row].has_value();
        }
        if (!texts[row]) {
            continue;
        }
        bool inCodepage = false;
        texts[row] = songcore::UnicodeTagText(*texts[row], inCodepage);
        if (legacy) {
            (*legacy)[row] = inCodepage;
        }
        const songcore::SongField field = songcore::kApeFields[row].field;
        if (songcore::kApeFields[row].total) {
            fields.SetNumberOfTotal(field, *texts[row]);
        } else {
            fields.SetText(field, *texts[row]);
        }
    }
    return fields;
}

}  // namespace

int CSongFileInfo::HasAPEV2() {
    songcore::TagExtents extents;
    if (!songcore::FindTagExtents(*this, extents) || extents.apeLength == 0) {
        return 0;
    }
    return static_cast<int>(std::min<uint64_t>(extents.apeLength, INT32_MAX));
}

int CSongFileInfo::GetAPEV2Info() {
    Init();
    songcore::TagExtents extents;
    // A tag with nothing before it is not taken as a song's tag.
    if (!songcore::FindTagExtents(*this, extents) || extents.apeOffset == 0) {
        return 0;
    }
    // Picture items are passed over unread, so a large cover does not slow
    // the reading of a song tree.
    std::optional<ApeTag> tag = ApeTag::ReadWithoutPictures(
        songcore::SongFileReader(*this, extents.apeOffset), extents.apeLength);
    if (!tag) {
        return 0;
    }
    std::array<bool, songcore::kApeFieldCount> present{};
    std::array<bool, songcore::kApeFieldCount> legacy{};
    songcore::SongValues fields = Derive(*tag, &present, &legacy);
    std::bitset<songcore::kSongFieldCount> taken;
    for (size_t row = 0; row < songcore::kApeFieldCount; ++row) {
        if (present[row]) {
            const songcore::ApeFieldEntry& entry = songcore::kApeFields[row];
            legacyText_.set(static_cast<size_t>(entry.field), legacy[row]);
            taken.set(static_cast<size_t>(entry.field));
            if (entry.total) {
                taken.set(static_cast<size_t>(*entry.total));
            }
        }
    }
    fields_.TakeFields(std::move(fields), taken);
    // A damaged tag gives what was read before the damage, but is not taken
    // as read.
    if (!tag->complete) {
        return 0;
    }
    tagKind_ = TAG_APEV2;
    return 1;
}

bool CSongFileInfo::ReplaceAPEV2Tag(const std::vector<uint8_t>& replacement) {
    songcore::TagExtents extents;
    if (!songcore::FindTagExtents(*this, extents)) {
        return false;
    }
    uint64_t id3v1Start = extents.fileLength - extents.id3v1Length;
    uint64_t start = extents.apeLength > 0 ? StackStart(*this, extents) : id3v1Start;
    std::vector<uint8_t> id3v1;
    if (!ReadExact(id3v1Start, static_cast<size_t>(extents.id3v1Length), id3v1)) {
        return false;
    }
    // The new tag goes over the old ones, the ID3v1 tag after it; the audio
    // before start is kept as it is.
    return ReplaceContents([&](songcore::ContentWriter& out) {
               return CopyRange(out, 0, start) && out.append(replacement) && out.append(id3v1);
           }) != 0;
}

int CSongFileInfo::WriteAPEV2Info() {
    songcore::TagExtents extents;
    if (!songcore::FindTagExtents(*this, extents)) {
        return 0;
    }
    std::optional<ApeTag> old = ReadTag(*this, extents);
    songcore::ApeFieldValues values;
    for (size_t row = 0; row < songcore::kApeFieldCount; ++row) {
        const songcore::ApeFieldEntry& entry = songcore::kApeFields[row];
        values[row] = entry.total ? fields_.NumberOfTotal(entry.field) : GetText(entry.field);
    }
    // A field whose value is what the reader makes of its old item keeps
    // that item byte for byte: it may hold more than the field (another
    // spelling of the key, a genre outside the table, "7/10"). A field at its
    // "none" value gets no item, so a cleared field goes away.
    ApeTag::KeepMask keep{};
    if (old) {
        songcore::SongValues before = Derive(*old);
        for (size_t row = 0; row < songcore::kApeFieldCount; ++row) {
            const songcore::ApeFieldEntry& entry = songcore::kApeFields[row];
            keep[row] = before.Same(entry.field, fields_) &&
                        (!entry.total || before.Same(*entry.total, fields_));
        }
    }
    ApeTag rebuilt = ApeTag::Rebuild(old ? &*old : nullptr, values, keep);
    if (pendingPictures_) {
        if (std::string why = songcore::ReplaceApePictures(rebuilt, *pendingPictures_);
            !why.empty()) {
            return Refuse(std::move(why));
        }
    }
    if (pendingItems_) {
        if (std::string why = songcore::ApplyApeItemEdits(rebuilt, *pendingItems_); !why.empty()) {
            return Refuse(std::move(why));
        }
    }
    std::optional<std::vector<uint8_t>> bytes = rebuilt.Serialize();
    if (!bytes || bytes->size() > UINT32_MAX) {
        return Refuse("the tag would be larger than an APEv2 tag can be (4 GiB)");
    }
    return ReplaceAPEV2Tag(*bytes) ? 1 : 0;
}

int CSongFileInfo::ReadAPEV2Items(std::vector<songcore::TagItem>& out) {
    out.clear();
    songcore::TagExtents extents;
    if (!songcore::FindTagExtents(*this, extents)) {
        return 0;
    }
    if (extents.apeLength == 0) {
        return 1;
    }
    std::optional<ApeTag> tag = ApeTag::ReadWithoutPictures(
        songcore::SongFileReader(*this, extents.apeOffset), extents.apeLength);
    if (!tag) {
        return 0;
    }
    out = songcore::ApeOtherItems(*tag);
    return 1;
}

int CSongFileInfo::RemoveAPEV2Info() {
    // A file damaged by writers that appended after the ID3v1 tag holds one
    // tag on each side of it; each round removes the tags the extents see.
    for (int round = 0; round < kMaxStackedTags; ++round) {
        if (!HasAPEV2()) {
            return 1;
        }
        if (!ReplaceAPEV2Tag({})) {
            return 0;
        }
    }
    if (HasAPEV2()) {
        return Refuse(
            "more APEv2 tags are stacked at the end of the file than are removed at once");
    }
    return 1;
}
