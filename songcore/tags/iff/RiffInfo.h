#pragma once
// The "LIST" chunk of form type "INFO" in a WAV file: text items under
// four-letter ids (INAM, IART, ...), each a NUL-terminated text padded to
// an even length. Older programs read only these, so the writer keeps the
// items of the fields in step with the ID3v2 tag.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "songcore/tags/SongField.h"
#include "songcore/tags/SongValues.h"

namespace songcore {

struct RiffInfoItem {
    std::string id;
    std::vector<uint8_t> value;  // as stored, terminator and all
};

// An INFO id and the field it holds. The track ("7" or "7/12") has two
// ids: ITRK, and IPRT, which ffmpeg and TagLib write; the first id of a
// field that the list has is read, and a field gets a new item only under
// its first id.
struct RiffInfoField {
    const char* id;
    SongField field;
};
inline constexpr std::array<RiffInfoField, 8> kRiffInfoFields = {{
    {"INAM", SongField::Title},
    {"IART", SongField::Artist},
    {"IPRD", SongField::Album},
    {"ICRD", SongField::Year},
    {"IGNR", SongField::Genre},
    {"ICMT", SongField::Comment},
    {"ITRK", SongField::Track},
    {"IPRT", SongField::Track},
}};

struct RiffInfo {
    std::vector<RiffInfoItem> items;

    // Parses a LIST chunk's body; nothing when it is not an INFO list. The
    // items before damage are kept.
    static std::optional<RiffInfo> Parse(std::span<const uint8_t> body);
    // The LIST chunk's body ("INFO" and the items).
    std::vector<uint8_t> Serialize() const;

    // The first item of the id, or null.
    const RiffInfoItem* Find(const std::string& id) const;
    // An item's text: UTF-8 as it is, anything else read as ISO-8859-1,
    // without the terminator.
    static std::string Text(const RiffInfoItem& item);

    // The fields the items hold.
    SongValues Fields() const;
    // Brings the items of the fields in step with fields: an item whose text
    // reads as the field's value stays as it is, a changed one takes the new
    // text (UTF-8) in its place (under each id of the field the list has), a
    // new one goes last, and those of an emptied field go. Other items stay.
    void Update(const SongValues& fields);
};

}  // namespace songcore
