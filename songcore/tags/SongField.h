#pragma once
// The one vocabulary of song fields. Every field the song record keeps has
// one entry here: the name the command line, the settings and the edit
// history use for it, the label forms show, and its kind. The record keeps
// each field by this enum (CSongFileInfo::GetValues); each tag format's own
// table maps its keys (frame ids, comment names, atom names, ASF names, APE
// keys) to it, and nothing else.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace songcore {

// In the order listings show them; a total follows its number.
enum class SongField : uint8_t {
    Title,
    Artist,
    AlbumArtist,
    Album,
    Year,
    Comment,
    Genre,
    Track,
    TrackTotal,
    Disc,
    DiscTotal,
    Composer,
    OrigArtist,
    Copyright,
    Url,
    EncodedBy,
    Lyrics,
    Performer,
    Organization,
    Location,
    Contact,
    License,
    Version,
    Vendor,
    Tempo,
    Compilation,
};
inline constexpr size_t kSongFieldCount = static_cast<size_t>(SongField::Compilation) + 1;

enum class FieldKind : uint8_t {
    Text,    // one value, which may itself hold "; "
    List,    // several values (names, genres), shown and typed joined by "; "
    Number,  // a whole number; 0 is none
    Total,   // the total of the number field before it: track 6 of 12
};

struct FieldInfo {
    SongField field;
    const char* key;    // "album-artist"
    const char* label;  // "Album artist"
    FieldKind kind;
    // Set by the user; the others only come from the file (its vendor, ...).
    bool editable = true;
    // Kept exactly as given; every other text loses its outer blanks.
    bool exact = false;
};

const std::array<FieldInfo, kSongFieldCount>& FieldTable();
inline const FieldInfo& InfoOf(SongField field) {
    return FieldTable()[static_cast<size_t>(field)];
}
std::optional<SongField> FindField(std::string_view key);
// The number field a total belongs to, and the total of a number field.
std::optional<SongField> NumberOfTotal(SongField total);
std::optional<SongField> TotalOfNumber(SongField number);

}  // namespace songcore
