#pragma once
// The song fields an MP4 item list carries, in MP4's own form: the "gnre"
// code, and the track and disc numbers with their totals packed in one
// number each. One table from item names to song fields serves the reader
// and the writer, so that the writer can tell which items the user changed:
// it starts from the old item list and replaces, adds or removes only those,
// and every other item stays byte for byte. MP4's forms are turned into the
// record's here and nowhere else.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "songcore/tags/SongValues.h"
#include "songcore/tags/mp4/Mp4ItemList.h"

namespace songcore {

struct Mp4Tag {
    // Texts, byte for byte as the file holds them (UTF-8); the values of an
    // item with several data atoms are joined by "; ".
    std::string title, composer, artist, albumArtist, album, comment, year, url, copyright,
        encodedBy, lyrics;
    // The genre as text ("\xA9gen", as most programs write it), and as the
    // "gnre" number, one more than the genre index (0: none).
    std::string genreText;
    uint32_t genre = 0;
    uint32_t track = 0;  // number in the low 16 bits, total in the high 16
    uint32_t disc = 0;
    uint32_t tempo = 0;        // 16 bits
    uint32_t compilation = 0;  // one byte

    // Fills the fields from the items it knows; the others are ignored.
    // Several items of one name read as one: their texts are all joined, a
    // number comes from the first.
    void ReadItems(const std::vector<Mp4Item>& items);
    // The content of the new item list: the old items in their order, where
    // an item whose field differs from what ReadItems makes of the old list
    // is replaced by the field's item (or dropped when the field is at its
    // "none" value: empty text, no genre, 0), followed by the items of the
    // changed fields the old list lacked. A field at "none" adds nothing.
    std::vector<uint8_t> BuildItemList(const std::vector<Mp4Item>& old) const;

    // True for the item names that come from the fields.
    static bool IsWrittenName(std::string_view name);

    // The record's form of the fields.
    void ToFields(SongValues& fields) const;
    // MP4's form of the record's fields: before's items where a field did
    // not change, new values where it did. Empty, or why a value does not
    // fit (a track number over 65535).
    std::string FromFields(const SongValues& fields, const Mp4Tag& before);
};

}  // namespace songcore
