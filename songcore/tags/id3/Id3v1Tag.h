#pragma once
// The byte layout of the 128-byte ID3v1 tag at the end of a file, parsed and
// built from buffers so that it can be tested and fuzzed without files.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace songcore {

struct Id3v1Tag {
    static constexpr size_t kSize = 128;

    // Texts in UTF-8, trimmed; stored in the legacy code page
    // (LegacyEncoding, ISO-8859-1 unless the user set another).
    std::string title, artist, album, year, comment;
    uint8_t track = 0;          // 0 in an ID3v1.0 tag, which has no track byte
    uint8_t genre = 255;        // raw genre byte; 255: none
    bool hasTrackByte = false;  // ID3v1.1 layout
    // The code page Serialize writes the texts in; empty for the legacy
    // encoding, which Parse reads them in.
    std::string codepage;

    // True when the block starts with "TAG" in any letter case, and, when it
    // is a whole 128-byte block, does not end in an APEv2 footer: an APEv2
    // tag of 131 bytes has the "TAG" of its header where an ID3v1 tag starts.
    static bool IsTag(std::span<const uint8_t> block);
    // Parses exactly 128 bytes; nothing when they are not a tag.
    static std::optional<Id3v1Tag> Parse(std::span<const uint8_t> block);
    // Always the ID3v1.1 layout: texts in the legacy code page ("?" for characters it
    // cannot hold), cut at 30/30/30/4/28 bytes.
    std::array<uint8_t, kSize> Serialize() const;
    // Whether Serialize keeps every text whole: no character outside
    // the legacy code page and none cut off.
    bool HoldsTextsWhole() const;
};

}  // namespace songcore
