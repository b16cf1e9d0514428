#include "songcore/tags/ApeTag.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "songcore/tags/FieldText.h"
#include "songcore/util/ByteReader.h"
#include "songcore/util/ByteWriter.h"
#include "songcore/util/Text.h"

namespace songcore {

const std::array<ApeFieldEntry, kApeFieldCount> kApeFields = {{
    {"Title", SongField::Title},
    {"Artist", SongField::Artist},
    {"Album Artist", SongField::AlbumArtist},
    {"Album", SongField::Album},
    {"Genre", SongField::Genre},
    {"Year", SongField::Year},
    {"Track", SongField::Track},
    {"Comment", SongField::Comment},
    {"Copyright", SongField::Copyright},
    {"Composer", SongField::Composer},
    {"Publisher URL", SongField::Url},
    {"Artist URL", SongField::OrigArtist},
    {"Publisher", SongField::Organization},
    {"Lyrics", SongField::Lyrics},
}};

namespace {

std::optional<size_t> FieldOfKey(const std::string& key) {
    for (size_t field = 0; field < kApeFieldCount; ++field) {
        if (EqualsIgnoreCaseAscii(key, kApeFields[field].key)) {
            return field;
        }
    }
    return std::nullopt;
}

void PutHeaderOrFooter(ByteWriter& out, uint32_t size, uint32_t count, uint32_t flags) {
    out.text("APETAGEX");
    out.u32le(2000);
    out.u32le(size);
    out.u32le(count);
    out.u32le(flags);
    out.zeros(8);
}

}  // namespace

std::optional<ApeTag> ApeTag::Parse(std::span<const uint8_t> bytes) {
    if (bytes.size() < kFooterSize) {
        return std::nullopt;
    }
    ByteReader footer(bytes.last(kFooterSize));
    if (!footer.peekMatches("APETAGEX")) {
        return std::nullopt;
    }
    footer.skip(8);
    ApeTag tag;
    tag.version = footer.u32le();
    uint32_t size = footer.u32le();
    uint32_t count = footer.u32le();
    uint32_t flags = footer.u32le();
    if (!footer.ok() || (flags & kIsHeader) || size < kFooterSize || size > bytes.size()) {
        return std::nullopt;
    }
    ByteReader reader(bytes.subspan(bytes.size() - size, size - kFooterSize));
    // Every item takes at least nine bytes, so the count cannot make the walk
    // run long, and nothing is reserved by it.
    for (uint32_t i = 0; i < count && !reader.atEnd(); ++i) {
        uint32_t length = reader.u32le();
        uint32_t itemFlags = reader.u32le();
        std::span<const uint8_t> rest = reader.data().subspan(reader.pos());
        auto zero = std::find(rest.begin(), rest.end(), uint8_t{0});
        if (!reader.ok() || zero == rest.end() || zero == rest.begin()) {
            tag.complete = false;
            break;
        }
        ApeItem item;
        item.key = reader.cString(rest.size());
        item.flags = itemFlags;
        if (length > reader.remaining()) {
            tag.complete = false;
            break;
        }
        std::span<const uint8_t> value = reader.bytes(length);
        item.value.assign(value.begin(), value.end());
        tag.items.push_back(std::move(item));
    }
    if (tag.items.size() < count) {
        tag.complete = false;
    }
    return tag;
}

std::optional<std::vector<uint8_t>> ApeTag::Serialize() const {
    ByteWriter out;
    PutHeaderOrFooter(out, 0, 0, 0);  // filled in below
    for (const ApeItem& item : items) {
        if (item.value.size() > std::numeric_limits<uint32_t>::max()) {
            return std::nullopt;
        }
        out.u32le(static_cast<uint32_t>(item.value.size()));
        out.u32le(item.flags);
        out.text(item.key);
        out.u8(0);
        out.bytes(item.value);
    }
    // The size counts the items and the footer, not the header.
    uint64_t size = out.size();
    if (size > std::numeric_limits<uint32_t>::max() ||
        items.size() > std::numeric_limits<uint32_t>::max()) {
        return std::nullopt;
    }
    uint32_t count = static_cast<uint32_t>(items.size());
    PutHeaderOrFooter(out, static_cast<uint32_t>(size), count, kHasHeader);
    std::vector<uint8_t> bytes = out.take();
    ByteWriter header;
    PutHeaderOrFooter(header, static_cast<uint32_t>(size), count, kHasHeader | kIsHeader);
    std::copy(header.buffer().begin(), header.buffer().end(), bytes.begin());
    return bytes;
}

std::array<std::optional<size_t>, kApeFieldCount> ApeTag::FieldItems() const {
    std::array<std::optional<size_t>, kApeFieldCount> found;
    for (size_t index = 0; index < items.size(); ++index) {
        std::optional<size_t> field = FieldOfKey(items[index].key);
        if (field && (items[index].flags & kTypeMask) != kTypeBinary) {
            found[*field] = index;
        }
    }
    return found;
}

std::array<std::optional<std::string>, kApeFieldCount> ApeTag::ReadFields() const {
    std::array<std::optional<std::string>, kApeFieldCount> values;
    std::array<std::optional<size_t>, kApeFieldCount> found = FieldItems();
    for (size_t field = 0; field < kApeFieldCount; ++field) {
        if (found[field]) {
            const std::vector<uint8_t>& value = items[*found[field]].value;
            std::vector<std::string> pieces;
            for (auto begin = value.begin();;) {
                auto end = std::find(begin, value.end(), uint8_t{0});
                std::string piece = Trim(std::string(begin, end));
                if (!piece.empty()) {
                    pieces.push_back(std::move(piece));
                }
                if (end == value.end()) {
                    break;
                }
                begin = end + 1;
            }
            values[field] = JoinValues(pieces);
        }
    }
    return values;
}

ApeTag ApeTag::Rebuild(const ApeTag* old, const ApeFieldValues& values, const KeepMask& keep) {
    ApeTag tag;
    std::array<std::optional<size_t>, kApeFieldCount> found;
    if (old) {
        found = old->FieldItems();
    }
    for (size_t field = 0; field < kApeFieldCount; ++field) {
        if (keep[field] && found[field]) {
            tag.items.push_back(old->items[*found[field]]);
        } else if (std::vector<std::string> stored =
                       StoredValues(kApeFields[field].field, values[field]);
                   !stored.empty()) {
            ApeItem item{kApeFields[field].key, 0, {}};
            for (const std::string& value : stored) {
                if (!item.value.empty()) {
                    item.value.push_back(0);
                }
                item.value.insert(item.value.end(), value.begin(), value.end());
            }
            tag.items.push_back(std::move(item));
        }
    }
    if (old) {
        for (const ApeItem& item : old->items) {
            if (!FieldOfKey(item.key)) {
                tag.items.push_back(item);
            }
        }
    }
    return tag;
}

}  // namespace songcore
