#include "songcore/tags/ogg/VorbisComments.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "songcore/util/Base64.h"
#include "songcore/util/BlockSource.h"
#include "songcore/util/ByteReader.h"
#include "songcore/util/ByteWriter.h"
#include "songcore/util/Text.h"

namespace songcore {

namespace {

// Enough of an item to tell a picture item's key by.
constexpr size_t kKeyWindow = 32;

// The list's bytes held in memory.
class SpanSource {
public:
    explicit SpanSource(std::span<const uint8_t> data) : reader_(data) {}
    uint64_t remaining() const { return reader_.remaining(); }
    uint64_t pos() const { return reader_.pos(); }
    // The next count bytes, left unread; empty when fewer remain.
    std::span<const uint8_t> peek(size_t count) const {
        return count <= reader_.remaining() ? reader_.data().subspan(reader_.pos(), count)
                                            : std::span<const uint8_t>();
    }
    bool take(size_t count, std::string& out) {
        std::span<const uint8_t> bytes = reader_.bytes(count);
        out.assign(bytes.begin(), bytes.end());
        return reader_.ok();
    }
    bool take(size_t count, std::string_view& out) {
        std::span<const uint8_t> bytes = reader_.bytes(count);
        out = std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return reader_.ok();
    }
    bool u32le(uint32_t& value) {
        value = reader_.u32le();
        return reader_.ok();
    }
    bool skip(size_t count) { return reader_.skip(count); }

private:
    ByteReader reader_;
};

// The list's bytes read on demand, a window at a time: the many small length
// fields and items cost few reads, and what is skipped is not read at all.
class ReadSource {
public:
    ReadSource(const ReadExactFn& read, uint64_t size)
        : blocks_(read, size, kWindowSize), size_(size) {}
    uint64_t remaining() const { return size_ - pos_; }
    uint64_t pos() const { return pos_; }
    bool take(size_t count, std::string& out) {
        if (count > remaining()) {
            return false;
        }
        if (count == 0) {
            return true;
        }
        std::span<const uint8_t> bytes = blocks_.get(pos_, count);
        if (bytes.size() != count) {
            return false;
        }
        out.assign(bytes.begin(), bytes.end());
        pos_ += count;
        return true;
    }
    std::span<const uint8_t> peek(size_t count) {
        if (count > remaining()) {
            return {};
        }
        std::span<const uint8_t> bytes = blocks_.get(pos_, count);
        return bytes.size() == count ? bytes : std::span<const uint8_t>();
    }
    bool u32le(uint32_t& value) {
        std::span<const uint8_t> bytes = peek(4);
        if (bytes.empty()) {
            return false;
        }
        value = ByteReader(bytes).u32le();
        pos_ += 4;
        return true;
    }
    bool skip(size_t count) {
        if (count > remaining()) {
            return false;
        }
        pos_ += count;
        return true;
    }

private:
    static constexpr size_t kWindowSize = 4096;
    BlockSource blocks_;
    uint64_t size_;
    uint64_t pos_ = 0;
};

// Out is VorbisComments, which copies the vendor and the items, or
// VorbisCommentViews, which takes views of them from a SpanSource.
template <class Source, class Out>
bool ParseList(Source& source, Out& out, uint64_t* consumed, VorbisComments::Pictures pictures) {
    out = Out{};
    uint32_t vendorLength = 0;
    if (!source.u32le(vendorLength) || vendorLength > source.remaining() ||
        !source.take(vendorLength, out.vendor)) {
        return false;
    }
    uint32_t count = 0;
    if (!source.u32le(count)) {
        return false;
    }
    // Each item takes at least its 4-byte length.
    out.items.reserve(std::min<uint64_t>(count, source.remaining() / 4));
    // Every item needs at least its length field, so a count beyond what the
    // data can hold ends in a failed read rather than a long loop.
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t length = 0;
        if (!source.u32le(length) || length > source.remaining()) {
            return false;
        }
        if (pictures == VorbisComments::Pictures::kLeaveOut) {
            std::span<const uint8_t> head = source.peek(std::min<size_t>(length, kKeyWindow));
            if (head.empty() && length != 0) {
                return false;
            }
            if (IsPictureComment(
                    std::string_view(reinterpret_cast<const char*>(head.data()), head.size()))) {
                source.skip(length);
                continue;
            }
        }
        typename decltype(out.items)::value_type item;
        if (!source.take(length, item)) {
            return false;
        }
        out.items.push_back(std::move(item));
    }
    if (consumed) {
        *consumed = source.pos();
    }
    return true;
}

}  // namespace

bool VorbisComments::Parse(std::span<const uint8_t> data, VorbisComments& out, size_t* consumed,
                           Pictures pictures) {
    SpanSource source(data);
    uint64_t used = 0;
    bool complete = ParseList(source, out, &used, pictures);
    if (complete && consumed) {
        *consumed = static_cast<size_t>(used);
    }
    return complete;
}

bool VorbisCommentViews::Parse(std::span<const uint8_t> data, VorbisCommentViews& out,
                               VorbisComments::Pictures pictures) {
    SpanSource source(data);
    return ParseList(source, out, nullptr, pictures);
}

bool VorbisComments::Parse(const ReadExactFn& read, uint64_t size, VorbisComments& out,
                           uint64_t* consumed, Pictures pictures) {
    ReadSource source(read, size);
    return ParseList(source, out, consumed, pictures);
}

bool VorbisComments::Fits() const {
    constexpr size_t kMax = std::numeric_limits<uint32_t>::max();
    if (vendor.size() > kMax || items.size() > kMax) {
        return false;
    }
    return std::all_of(items.begin(), items.end(),
                       [](const std::string& item) { return item.size() <= kMax; });
}

size_t VorbisComments::SerializedSize() const {
    size_t size = 4 + vendor.size() + 4;
    for (const std::string& item : items) {
        size += 4 + item.size();
    }
    return size;
}

void VorbisComments::AppendTo(std::vector<uint8_t>& out) const {
    ByteWriter writer;
    writer.reserve(SerializedSize());
    writer.u32le(static_cast<uint32_t>(vendor.size()));
    writer.text(vendor);
    writer.u32le(static_cast<uint32_t>(items.size()));
    for (const std::string& item : items) {
        writer.u32le(static_cast<uint32_t>(item.size()));
        writer.text(item);
    }
    const std::vector<uint8_t>& bytes = writer.buffer();
    out.insert(out.end(), bytes.begin(), bytes.end());
}

std::string VorbisComments::KeyOf(std::string_view item) {
    size_t equals = item.find('=');
    if (equals == std::string_view::npos) {
        return {};
    }
    return ToUpperAscii(item.substr(0, equals));
}

std::vector<std::string> CommentValues(const std::vector<std::string>& items,
                                       std::span<const std::string_view> keys) {
    std::vector<std::string> values;
    for (const std::string& item : items) {
        if (VorbisComments::KeyIsOneOf(item, keys)) {
            values.push_back(item.substr(item.find('=') + 1));
        }
    }
    return values;
}

void ReplaceCommentValues(std::vector<std::string>& items, std::span<const std::string_view> keys,
                          std::string_view key, std::span<const std::string> values) {
    auto first = std::find_if(items.begin(), items.end(), [keys](const std::string& item) {
        return VorbisComments::KeyIsOneOf(item, keys);
    });
    size_t at = static_cast<size_t>(first - items.begin());
    std::erase_if(
        items, [keys](const std::string& item) { return VorbisComments::KeyIsOneOf(item, keys); });
    std::vector<std::string> added;
    for (const std::string& value : values) {
        added.push_back(std::string(key) + "=" + value);
    }
    items.insert(items.begin() + static_cast<ptrdiff_t>(at), added.begin(), added.end());
}

namespace {

constexpr std::string_view kPictureKeys[] = {"METADATA_BLOCK_PICTURE", "COVERART", "COVERARTMIME"};
// A picture body holds, besides the image, its MIME type and description.
constexpr size_t kMaxPictureBody = kMaxPictureSize + 64 * 1024;

}  // namespace

bool IsPictureComment(std::string_view item) {
    // Only the key is looked at: the value may be megabytes long.
    size_t equals = item.substr(0, kKeyWindow).find('=');
    return equals != std::string_view::npos &&
           VorbisComments::KeyIsOneOf(item.substr(0, equals + 1), kPictureKeys);
}

std::vector<Picture> CommentPictures(const std::vector<std::string>& items) {
    std::vector<Picture> pictures;
    for (const std::string& item : items) {
        std::string key = VorbisComments::KeyOf(std::string_view(item).substr(0, kKeyWindow));
        std::string_view value = std::string_view(item).substr(item.find('=') + 1);
        if (key == "METADATA_BLOCK_PICTURE") {
            std::optional<std::vector<uint8_t>> body = DecodeBase64(value, kMaxPictureBody);
            if (std::optional<Picture> picture = body ? ParseFlacPicture(*body) : std::nullopt) {
                pictures.push_back(std::move(*picture));
            }
        } else if (key == "COVERART") {
            std::optional<std::vector<uint8_t>> data = DecodeBase64(value, kMaxPictureSize);
            if (data && !data->empty()) {
                Picture picture;
                picture.mime = SniffImageMime(*data);
                picture.data = std::move(*data);
                pictures.push_back(std::move(picture));
            }
        }
    }
    return pictures;
}

std::string PictureComment(const Picture& picture) {
    return "METADATA_BLOCK_PICTURE=" + EncodeBase64(SerializeFlacPicture(picture));
}

bool IsVorbisPacket(std::span<const uint8_t> packet, uint8_t type) {
    return packet.size() >= kVorbisCommonHeaderSize && packet[0] == type &&
           std::memcmp(packet.data() + 1, "vorbis", 6) == 0;
}

std::vector<uint8_t> BuildVorbisCommentPacket(const VorbisComments& comments) {
    std::vector<uint8_t> packet = {3, 'v', 'o', 'r', 'b', 'i', 's'};
    packet.reserve(kVorbisCommonHeaderSize + comments.SerializedSize() + 1);
    comments.AppendTo(packet);
    packet.push_back(1);  // framing bit: decoders reject a header without it
    return packet;
}

}  // namespace songcore
