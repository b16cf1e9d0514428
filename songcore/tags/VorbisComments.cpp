#include "songcore/tags/VorbisComments.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "songcore/util/Base64.h"
#include "songcore/util/ByteReader.h"
#include "songcore/util/ByteWriter.h"
#include "songcore/util/Text.h"

namespace songcore {

bool VorbisComments::Parse(std::span<const uint8_t> data, VorbisComments& out, size_t* consumed,
                           Pictures pictures) {
    out = VorbisComments{};
    ByteReader reader(data);
    uint32_t vendorLength = reader.u32le();
    out.vendor = reader.string(vendorLength);
    uint32_t count = reader.u32le();
    if (!reader.ok()) {
        return false;
    }
    // Every item needs at least its length field, so a count beyond what the
    // data can hold ends in a failed read rather than a long loop.
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t length = reader.u32le();
        std::span<const uint8_t> bytes = reader.bytes(length);
        if (!reader.ok()) {
            return false;
        }
        std::string_view item(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        if (pictures == Pictures::kKeep || !IsPictureComment(item)) {
            out.items.emplace_back(item);
        }
    }
    if (consumed) {
        *consumed = reader.pos();
    }
    return true;
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

namespace {

bool KeyIsOneOf(std::string_view item, std::span<const std::string_view> keys) {
    std::string key = VorbisComments::KeyOf(item);
    return !key.empty() && std::find(keys.begin(), keys.end(), key) != keys.end();
}

}  // namespace

std::vector<std::string> CommentValues(const std::vector<std::string>& items,
                                       std::span<const std::string_view> keys) {
    std::vector<std::string> values;
    for (const std::string& item : items) {
        if (KeyIsOneOf(item, keys)) {
            values.push_back(item.substr(item.find('=') + 1));
        }
    }
    return values;
}

void ReplaceCommentValues(std::vector<std::string>& items, std::span<const std::string_view> keys,
                          std::string_view key, const std::vector<std::string>& values) {
    auto first = std::find_if(items.begin(), items.end(),
                              [keys](const std::string& item) { return KeyIsOneOf(item, keys); });
    size_t at = static_cast<size_t>(first - items.begin());
    std::erase_if(items, [keys](const std::string& item) { return KeyIsOneOf(item, keys); });
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
    size_t equals = item.substr(0, 32).find('=');
    return equals != std::string_view::npos && KeyIsOneOf(item.substr(0, equals + 1), kPictureKeys);
}

std::vector<Picture> CommentPictures(const std::vector<std::string>& items) {
    std::vector<Picture> pictures;
    for (const std::string& item : items) {
        std::string key = VorbisComments::KeyOf(std::string_view(item).substr(0, 32));
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
