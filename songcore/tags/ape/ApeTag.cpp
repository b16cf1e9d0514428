#include "songcore/tags/ape/ApeTag.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "songcore/tags/FieldText.h"
#include "songcore/tags/ape/ApePicture.h"
#include "songcore/util/BlockSource.h"
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
    {"Track", SongField::Track, SongField::TrackTotal},
    {"Comment", SongField::Comment},
    {"Copyright", SongField::Copyright},
    {"Composer", SongField::Composer},
    {"Publisher URL", SongField::Url},
    {"Artist URL", SongField::OrigArtist},
    {"Publisher", SongField::Organization},
    {"Lyrics", SongField::Lyrics},
    {"Disc", SongField::Disc, SongField::DiscTotal},
}};

namespace {

// The values an item holds for a field's text: a list's split at "; ",
// anything else whole; none for an empty text.
std::vector<std::string> StoredValues(SongField field, const std::string& text) {
    if (InfoOf(field).kind == FieldKind::List) {
        return SplitValues(text);
    }
    return text.empty() ? std::vector<std::string>{} : std::vector<std::string>{text};
}

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

namespace {

struct Footer {
    uint32_t version = 0;
    uint32_t size = 0;  // the items and the footer
    uint32_t count = 0;
};

// The footer that ends a tag of length bytes; nothing when it is none or
// claims more bytes than there are.
std::optional<Footer> ParseFooter(std::span<const uint8_t> bytes, uint64_t length) {
    ByteReader footer(bytes);
    if (!footer.peekMatches("APETAGEX")) {
        return std::nullopt;
    }
    footer.skip(8);
    Footer out;
    out.version = footer.u32le();
    out.size = footer.u32le();
    out.count = footer.u32le();
    uint32_t flags = footer.u32le();
    if (!footer.ok() || (flags & ApeTag::kIsHeader) || out.size < ApeTag::kFooterSize ||
        out.size > length) {
        return std::nullopt;
    }
    return out;
}

}  // namespace

std::optional<ApeTag> ApeTag::Parse(std::span<const uint8_t> bytes) {
    if (bytes.size() < kFooterSize) {
        return std::nullopt;
    }
    std::optional<Footer> parsed = ParseFooter(bytes.last(kFooterSize), bytes.size());
    if (!parsed) {
        return std::nullopt;
    }
    ApeTag tag;
    tag.version = parsed->version;
    uint32_t size = parsed->size;
    uint32_t count = parsed->count;
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

std::optional<ApeTag> ApeTag::ReadWithoutPictures(ReadExactFn read, uint64_t length) {
    BlockSource source(std::move(read), length);
    std::optional<Footer> footer;
    if (length >= kFooterSize) {
        footer = ParseFooter(source.copy(length - kFooterSize, kFooterSize), length);
    }
    if (!footer) {
        return std::nullopt;
    }
    ApeTag tag;
    tag.version = footer->version;
    uint64_t pos = length - footer->size;
    const uint64_t end = length - kFooterSize;
    uint32_t walked = 0;
    // Every item takes at least nine bytes, so the count cannot make the
    // walk run long.
    for (; walked < footer->count && pos < end; ++walked) {
        ByteReader head(source.get(pos, std::min<uint64_t>(8, end - pos)));
        uint32_t valueLength = head.u32le();
        uint32_t flags = head.u32le();
        if (!head.ok()) {
            break;
        }
        uint64_t keyAt = pos + 8;
        // A real key and its terminator; a longer key is looked for further.
        std::span<const uint8_t> window = source.get(keyAt, std::min<uint64_t>(256, end - keyAt));
        auto zero = std::find(window.begin(), window.end(), uint8_t{0});
        if (zero == window.end() && window.size() < end - keyAt) {
            window = source.get(keyAt, std::min<uint64_t>(kMaxKeyScan, end - keyAt));
            zero = std::find(window.begin(), window.end(), uint8_t{0});
        }
        if (zero == window.end() && window.size() < end - keyAt) {
            // A key longer than any real one: the whole tag settles it.
            return Parse(source.copy(0, static_cast<size_t>(length)));
        }
        if (zero == window.end() || zero == window.begin()) {
            break;
        }
        ApeItem item;
        item.key.assign(window.begin(), zero);
        item.flags = flags;
        uint64_t valueAt = keyAt + item.key.size() + 1;
        bool picture = IsApePictureItem(item.key, flags);
        if (valueLength > end - valueAt) {
            // A damaged picture in the last item leaves every field whole.
            walked += picture && walked + 1 == footer->count ? 1 : 0;
            break;
        }
        pos = valueAt + valueLength;
        if (picture) {
            continue;
        }
        item.value = source.copy(valueAt, valueLength);
        if (item.value.size() != valueLength) {
            break;
        }
        tag.items.push_back(std::move(item));
    }
    tag.complete = walked == footer->count;
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
            // A list's values, NUL-separated in one item.
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
