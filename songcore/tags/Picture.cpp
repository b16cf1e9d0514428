#include "songcore/tags/Picture.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "songcore/util/ByteReader.h"
#include "songcore/util/ByteWriter.h"

namespace songcore {

namespace {

constexpr std::array<std::string_view, kPictureTypeCount> kTypeNames = {"other",
                                                                        "icon",
                                                                        "other-icon",
                                                                        "front",
                                                                        "back",
                                                                        "leaflet",
                                                                        "media",
                                                                        "lead-artist",
                                                                        "artist",
                                                                        "conductor",
                                                                        "band",
                                                                        "composer",
                                                                        "lyricist",
                                                                        "location",
                                                                        "during-recording",
                                                                        "during-performance",
                                                                        "screen",
                                                                        "fish",
                                                                        "illustration",
                                                                        "band-logo",
                                                                        "publisher-logo"};

bool StartsWith(std::span<const uint8_t> data, std::string_view magic) {
    return data.size() >= magic.size() &&
           std::equal(magic.begin(), magic.end(), data.begin(),
                      [](char a, uint8_t b) { return static_cast<uint8_t>(a) == b; });
}

std::optional<ImageDimensions> JpegSize(std::span<const uint8_t> data) {
    ByteReader in(data);
    in.skip(2);
    // Walks the marker segments to the first frame header (SOF0..SOF15
    // except the DHT, JPG and DAC markers); each step moves forward, so the
    // walk ends.
    while (in.ok() && in.has(4)) {
        if (in.u8() != 0xFF) {
            return std::nullopt;
        }
        uint8_t marker = in.u8();
        if (marker == 0xFF || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            if (marker == 0xFF) {
                in.seek(in.pos() - 1);  // fill byte: the marker follows
            }
            continue;
        }
        uint16_t length = in.u16be();
        if (length < 2) {
            return std::nullopt;
        }
        bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            in.skip(1);  // sample precision
            uint16_t height = in.u16be();
            uint16_t width = in.u16be();
            if (!in.ok()) {
                return std::nullopt;
            }
            return ImageDimensions{width, height};
        }
        in.skip(length - 2u);
    }
    return std::nullopt;
}

// The canvas of the three kinds of WebP image: lossy ("VP8 "), lossless
// ("VP8L") and extended ("VP8X").
std::optional<ImageDimensions> WebpSize(std::span<const uint8_t> data) {
    ByteReader in(data);
    in.seek(12);
    std::string chunk = in.fourcc();
    in.skip(4);  // the chunk's size
    if (chunk == "VP8 ") {
        in.skip(6);  // frame tag and start code
        uint16_t width = in.u16le() & 0x3FFF;
        uint16_t height = in.u16le() & 0x3FFF;
        return in.ok() ? std::optional(ImageDimensions{width, height}) : std::nullopt;
    }
    if (chunk == "VP8L") {
        if (in.u8() != 0x2F) {
            return std::nullopt;
        }
        uint32_t bits = in.u32le();
        uint32_t width = (bits & 0x3FFF) + 1;
        uint32_t height = ((bits >> 14) & 0x3FFF) + 1;
        return in.ok() ? std::optional(ImageDimensions{width, height}) : std::nullopt;
    }
    if (chunk == "VP8X") {
        in.skip(4);  // flags and reserved bits
        uint32_t width = in.u24le() + 1;
        uint32_t height = in.u24le() + 1;
        return in.ok() ? std::optional(ImageDimensions{width, height}) : std::nullopt;
    }
    return std::nullopt;
}

}  // namespace

std::string_view PictureTypeName(uint8_t type) {
    return type < kTypeNames.size() ? kTypeNames[type] : kTypeNames[kPictureOther];
}

std::optional<uint8_t> PictureTypeFromName(std::string_view name) {
    for (size_t i = 0; i < kTypeNames.size(); ++i) {
        if (kTypeNames[i] == name) {
            return static_cast<uint8_t>(i);
        }
    }
    unsigned number = 0;
    auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), number);
    if (error == std::errc() && end == name.data() + name.size() && !name.empty() &&
        number < kPictureTypeCount) {
        return static_cast<uint8_t>(number);
    }
    return std::nullopt;
}

std::vector<std::string_view> PictureTypeNames() {
    return {kTypeNames.begin(), kTypeNames.end()};
}

std::string SniffImageMime(std::span<const uint8_t> data) {
    if (StartsWith(data, "\xFF\xD8\xFF")) {
        return "image/jpeg";
    }
    if (StartsWith(data, "\x89PNG\r\n\x1A\n")) {
        return "image/png";
    }
    if (StartsWith(data, "GIF87a") || StartsWith(data, "GIF89a")) {
        return "image/gif";
    }
    if (StartsWith(data, "BM") && data.size() >= 26) {
        return "image/bmp";
    }
    if (StartsWith(data, "RIFF") && data.size() >= 12 && StartsWith(data.subspan(8), "WEBP")) {
        return "image/webp";
    }
    return {};
}

std::optional<ImageDimensions> ImageSize(std::span<const uint8_t> data) {
    std::string mime = SniffImageMime(data);
    ByteReader in(data);
    if (mime == "image/jpeg") {
        return JpegSize(data);
    }
    if (mime == "image/png") {
        // The IHDR chunk comes first: length, "IHDR", width, height.
        in.seek(12);
        if (!in.peekMatches("IHDR")) {
            return std::nullopt;
        }
        in.skip(4);
        uint32_t width = in.u32be();
        uint32_t height = in.u32be();
        return in.ok() ? std::optional(ImageDimensions{width, height}) : std::nullopt;
    }
    if (mime == "image/gif") {
        // The logical screen descriptor: width, height, flags, background
        // colour and aspect ratio.
        in.seek(6);
        uint16_t width = in.u16le();
        uint16_t height = in.u16le();
        in.skip(3);
        return in.ok() ? std::optional(ImageDimensions{width, height}) : std::nullopt;
    }
    if (mime == "image/bmp") {
        in.seek(18);
        uint32_t width = in.u32le();
        uint32_t height = in.u32le();
        // A negative height marks a top-down bitmap.
        int32_t signedHeight = static_cast<int32_t>(height);
        height = signedHeight < 0 ? static_cast<uint32_t>(-int64_t{signedHeight}) : height;
        return in.ok() ? std::optional(ImageDimensions{width, height}) : std::nullopt;
    }
    if (mime == "image/webp") {
        return WebpSize(data);
    }
    return std::nullopt;
}

std::optional<Picture> PictureFromImage(std::vector<uint8_t> data, uint8_t type, std::string* why) {
    auto refuse = [why](std::string reason) -> std::optional<Picture> {
        if (why) {
            *why = std::move(reason);
        }
        return std::nullopt;
    };
    if (data.size() > kMaxPictureSize) {
        return refuse("the picture is larger than 16 MB");
    }
    std::string mime = SniffImageMime(data);
    if (mime.empty()) {
        return refuse("not a JPEG, PNG, GIF, BMP or WebP image");
    }
    // An image whose header is cut short, or claims no pixels, would be
    // embedded as a cover that no player can show.
    std::optional<ImageDimensions> size = ImageSize(data);
    if (!size || size->width == 0 || size->height == 0) {
        return refuse("the image is cut short: its header gives no image size");
    }
    Picture picture;
    picture.type = type;
    picture.mime = std::move(mime);
    picture.width = size->width;
    picture.height = size->height;
    picture.data = std::move(data);
    return picture;
}

std::optional<Picture> ParseFlacPicture(std::span<const uint8_t> body) {
    ByteReader in(body);
    Picture picture;
    uint32_t type = in.u32be();
    picture.type = type < kPictureTypeCount ? static_cast<uint8_t>(type) : kPictureOther;
    uint32_t mimeLength = in.u32be();
    if (!in.has(mimeLength)) {
        return std::nullopt;
    }
    picture.mime = in.string(mimeLength);
    uint32_t descriptionLength = in.u32be();
    if (!in.has(descriptionLength)) {
        return std::nullopt;
    }
    picture.description = in.string(descriptionLength);
    picture.width = in.u32be();
    picture.height = in.u32be();
    in.skip(8);  // colour depth and palette size
    uint32_t dataLength = in.u32be();
    if (!in.ok() || dataLength > kMaxPictureSize || !in.has(dataLength)) {
        return std::nullopt;
    }
    auto data = in.bytes(dataLength);
    picture.data.assign(data.begin(), data.end());
    return picture;
}

std::vector<uint8_t> SerializeFlacPicture(const Picture& picture) {
    ByteWriter out;
    out.reserve(32 + picture.mime.size() + picture.description.size() + picture.data.size());
    out.u32be(picture.type);
    out.u32be(static_cast<uint32_t>(picture.mime.size()));
    out.text(picture.mime);
    out.u32be(static_cast<uint32_t>(picture.description.size()));
    out.text(picture.description);
    uint32_t width = picture.width, height = picture.height;
    if (width == 0 || height == 0) {
        if (auto size = ImageSize(picture.data)) {
            width = size->width;
            height = size->height;
        }
    }
    out.u32be(width);
    out.u32be(height);
    // Colour depth and palette size: 24 bits for the true-colour images
    // covers are; 0 says "unknown" where the image has a palette.
    out.u32be(picture.mime == "image/gif" ? 0 : 24);
    out.u32be(0);
    out.u32be(static_cast<uint32_t>(picture.data.size()));
    out.bytes(picture.data);
    return out.take();
}

}  // namespace songcore
