#pragma once
// The ASF header object as a list of the objects it holds, walked and rebuilt
// in byte buffers so that it can be tested and fuzzed without files. The
// objects' contents are decoded by AsfObjects.h.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace songcore {

using AsfGuid = std::array<uint8_t, 16>;

// GUIDs in their stored byte order (first three groups little-endian).
namespace asfguid {
inline constexpr AsfGuid kHeader = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                    0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
inline constexpr AsfGuid kContentDescription = {0x33, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                                0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
inline constexpr AsfGuid kExtendedContentDescription = {
    0x40, 0xA4, 0xD0, 0xD2, 0x07, 0xE3, 0xD2, 0x11, 0x97, 0xF0, 0x00, 0xA0, 0xC9, 0x5E, 0xA8, 0x50};
inline constexpr AsfGuid kCodecList = {0x40, 0x52, 0xD1, 0x86, 0x1D, 0x31, 0xD0, 0x11,
                                       0xA3, 0xA4, 0x00, 0xA0, 0xC9, 0x03, 0x48, 0xF6};
inline constexpr AsfGuid kFileProperties = {0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9, 0xCF, 0x11,
                                            0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
inline constexpr AsfGuid kStreamProperties = {0x91, 0x07, 0xDC, 0xB7, 0xB7, 0xA9, 0xCF, 0x11,
                                              0x8E, 0xE6, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
inline constexpr AsfGuid kHeaderExtension = {0xB5, 0x03, 0xBF, 0x5F, 0x2E, 0xA9, 0xCF, 0x11,
                                             0x8E, 0xE3, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
inline constexpr AsfGuid kPadding = {0x74, 0xD4, 0x06, 0x18, 0xDF, 0xCA, 0x09, 0x45,
                                     0xA4, 0xBA, 0x9A, 0xAB, 0xCB, 0x96, 0xAA, 0xE8};
inline constexpr AsfGuid kMetadata = {0xEA, 0xCB, 0xF8, 0xC5, 0xAF, 0x5B, 0x77, 0x48,
                                      0x84, 0x67, 0xAA, 0x8C, 0x44, 0xFA, 0x4C, 0xCA};
inline constexpr AsfGuid kMetadataLibrary = {0x94, 0x1C, 0x23, 0x44, 0x98, 0x94, 0xD1, 0x49,
                                             0xA1, 0x41, 0x1D, 0x13, 0x4E, 0x45, 0x70, 0x54};
inline constexpr AsfGuid kAudioMedia = {0x40, 0x9E, 0x69, 0xF8, 0x4D, 0x5B, 0xCF, 0x11,
                                        0xA8, 0xFD, 0x00, 0x80, 0x5F, 0x5C, 0x44, 0x2B};
}  // namespace asfguid

struct AsfHeader {
    static constexpr size_t kPreambleSize = 30;      // GUID, size, count, two reserved bytes
    static constexpr size_t kObjectHeaderSize = 24;  // GUID, size

    struct Object {
        AsfGuid guid{};
        size_t offset = 0;  // of the object header, within the header object
        size_t size = 0;    // the whole object, its header included
        std::span<const uint8_t> Body(std::span<const uint8_t> header) const {
            return header.subspan(offset + kObjectHeaderSize, size - kObjectHeaderSize);
        }
    };

    uint64_t size = 0;   // of the whole header object
    uint32_t count = 0;  // number of objects it says it holds
    std::vector<Object> objects;
    // The objects fill the header exactly and are as many as it says; only
    // such a header is rewritten.
    bool exact = false;

    // The size of the header object whose first 30 bytes are given; nothing
    // when they do not start an ASF header object.
    static std::optional<uint64_t> ParseSize(std::span<const uint8_t> preamble);
    // Walks the whole header object. Fails when an object is smaller than its
    // own header or reaches past the header object.
    static std::optional<AsfHeader> Parse(std::span<const uint8_t> header);

    // Padding the header gets when it grows beyond its padding.
    static constexpr size_t kGrowthPadding = 1024;

    // Builds a new header object: the old objects in their old order, the
    // new extended content description and content description in place of
    // the first old ones (other old ones dropped), or first when the header
    // had none; an empty description is left out. When the header holds a
    // padding object (at the top, else inside the header extension), the
    // size difference is taken out of it so that the header keeps its size
    // and the data stays where it is; when it does not fit, the padding
    // becomes kGrowthPadding bytes. The file properties' file size becomes
    // the new header's size plus tailLength (the data object and what
    // follows it). newExtension, when given, replaces the header extension
    // object. Fails when the header is not exact.
    std::optional<std::vector<uint8_t>> Rebuild(std::span<const uint8_t> header,
                                                std::span<const uint8_t> newExtended,
                                                std::span<const uint8_t> newContent,
                                                uint64_t tailLength,
                                                std::span<const uint8_t> newExtension = {}) const;

    // The objects inside a header extension object (the whole object), as
    // offsets and sizes within it; nothing when they do not fill its data
    // exactly.
    static std::optional<std::vector<std::pair<size_t, size_t>>> ExtensionObjects(
        std::span<const uint8_t> extension);
    // The header extension object with its objects replaced by objects.
    static std::optional<std::vector<uint8_t>> BuildExtension(
        std::span<const uint8_t> extension, const std::vector<std::span<const uint8_t>>& objects);
};

}  // namespace songcore
