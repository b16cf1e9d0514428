#pragma once
// An embedded picture (a cover, most often) as every tag format stores one:
// its role, MIME type, description and bytes. The helpers here are the one
// home of what the formats share: the role names, telling an image's type
// and size from its first bytes, and the FLAC picture structure that FLAC,
// Ogg and Opus files carry.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace songcore {

// Larger pictures are refused on writing and skipped on reading: no real
// cover comes near it, and it bounds what a damaged length can allocate.
constexpr uint64_t kMaxPictureSize = 16 * 1024 * 1024;

// The picture roles of ID3v2 APIC, which FLAC, Ogg and ASF share.
constexpr uint8_t kPictureOther = 0;
constexpr uint8_t kPictureFrontCover = 3;
constexpr uint8_t kPictureBackCover = 4;
constexpr uint8_t kPictureTypeCount = 21;

struct Picture {
    uint8_t type = kPictureFrontCover;
    std::string mime;  // "image/jpeg"; may be empty when the tag gives none
    std::string description;
    std::vector<uint8_t> data;
    // Dimensions the tag states (FLAC, Ogg); 0 when unknown. ImageSize tells
    // them from the bytes otherwise.
    uint32_t width = 0;
    uint32_t height = 0;

    bool operator==(const Picture&) const = default;
};

// The short name of a role ("front", "back", "artist", ...); "other" for a
// number outside the table.
std::string_view PictureTypeName(uint8_t type);
// The role a short name or number names ("front", "3"); nothing otherwise.
std::optional<uint8_t> PictureTypeFromName(std::string_view name);
// Every short name in role order, for help texts.
std::vector<std::string_view> PictureTypeNames();

// The MIME type of JPEG, PNG, GIF, BMP and WebP images, told by their first
// bytes; empty for anything else.
std::string SniffImageMime(std::span<const uint8_t> data);

struct ImageDimensions {
    uint32_t width = 0;
    uint32_t height = 0;
};
// The width and height written in a JPEG, PNG, GIF or BMP image; nothing
// when the bytes are not one of those or are cut short.
std::optional<ImageDimensions> ImageSize(std::span<const uint8_t> data);

// A picture made from image file bytes: its MIME type sniffed, its role as
// given. Nothing (and why) when the bytes are not an image or too large.
std::optional<Picture> PictureFromImage(std::vector<uint8_t> data, uint8_t type,
                                        std::string* why = nullptr);

// The body of a FLAC PICTURE block (also what Ogg's METADATA_BLOCK_PICTURE
// holds, base64-encoded). Nothing when a length runs past the end or the
// picture is larger than kMaxPictureSize.
std::optional<Picture> ParseFlacPicture(std::span<const uint8_t> body);
std::vector<uint8_t> SerializeFlacPicture(const Picture& picture);

}  // namespace songcore
