#pragma once
// The items of an MP4 item list ("ilst"): each item atom is named after its
// key ("\xA9nam", "trkn", "covr", "----") and holds data atoms with a type
// word, a locale and the value.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "songcore/util/ByteWriter.h"

namespace songcore {

// Data type words of a data atom.
constexpr uint32_t kMp4DataBinary = 0;  // implicit: the item's name says
constexpr uint32_t kMp4DataUtf8 = 1;
constexpr uint32_t kMp4DataUtf16 = 2;

struct Mp4Data {
    uint32_t type = 0;
    std::vector<uint8_t> value;
};

struct Mp4Item {
    std::string name;          // four bytes, 0xA9 kept as a byte
    std::vector<uint8_t> raw;  // the whole item atom, as found
    // Its data atoms in their order; an item with several values ("\xA9ART"
    // A1, A2) has one for each.
    std::vector<Mp4Data> data;
};

// Parses the content of an item list atom; nothing when an item or one of
// its atoms is malformed.
std::optional<std::vector<Mp4Item>> ParseMp4ItemList(std::span<const uint8_t> content);

// One item atom holding one data atom.
void AppendMp4Item(ByteWriter& out, std::string_view name, uint32_t dataType,
                   std::span<const uint8_t> value);
void AppendMp4TextItem(ByteWriter& out, std::string_view name, std::string_view text);
// One item atom holding a UTF-8 data atom for each text.
void AppendMp4TextItem(ByteWriter& out, std::string_view name,
                       const std::vector<std::string>& texts);

// "gnre" numbers are one more than the genre table index; 0 and numbers past
// the table mean no genre, which is GENRE_NONE (148) as an index and 0 as a
// "gnre" number.
uint16_t Mp4GenreToIndex(uint32_t gnre);
uint16_t Mp4GenreFromIndex(uint32_t index);

}  // namespace songcore
