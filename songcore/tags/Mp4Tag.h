#pragma once
// The song fields an MP4 item list carries, read from parsed items and built
// into a new item list that keeps every item this program does not write.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "songcore/tags/Mp4ItemList.h"

namespace songcore {

struct Mp4Tag {
    // Texts, byte for byte as the file holds them (UTF-8).
    std::string title, composer, artist, album, comment, year, url, copyright, encodedBy, lyrics;
    uint16_t genre = 148;  // the "gnre" number, one more than the genre index
    uint32_t track = 0;    // number in the low 16 bits, total in the high 16
    uint32_t disc = 0;
    uint16_t tempo = 0;
    uint8_t compilation = 0;

    // Fills the fields from the items it knows; the others are ignored.
    void ReadItems(const std::vector<Mp4Item>& items);
    // The content of the new item list: the fields (texts only when not
    // empty, the genre only when set), then every old item with a name this
    // program does not write, unchanged and in its old order.
    std::vector<uint8_t> BuildItemList(const std::vector<Mp4Item>& old) const;

    // True for the item names that BuildItemList writes from the fields.
    static bool IsWrittenName(std::string_view name);
};

}  // namespace songcore
