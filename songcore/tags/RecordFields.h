#pragma once
// The fields of the song record that the APEv2 and ASF field tables map
// their items to, and the one form in which a writer compares a field's new
// value with what the reader made of the old tag: an item whose field did
// not change is carried over byte for byte.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class CSongFileInfo;

namespace songcore {

enum class SongField {
    Title,
    Artist,
    AlbumArtist,
    Album,
    Year,
    Comment,
    Genre,
    Track,
    Copyright,
    Composer,
    Url,
    OrigArtist,
    Organization,
    EncodedBy,
    Lyrics,
};
inline constexpr size_t kSongFieldCount = static_cast<size_t>(SongField::Lyrics) + 1;

enum class FieldKind {
    Text,   // one value, which may itself contain "; "
    List,   // several values (names of people), shown joined by "; "
    Genre,  // an id of the genre table, stored by its name
    Track,  // a number, stored in decimal
};

FieldKind KindOf(SongField field);

// The record's value in the compared form: text as it is; the genre's table
// name, "" for no genre; the track number in decimal, "" for none.
std::string GetFieldValue(const CSongFileInfo& song, SongField field);
// What the reader makes of an item's text, in the compared form: the text
// trimmed; a genre by its exact table name ("" when the name is not in the
// table); the leading track number ("" when there is none).
std::string NormalizeFieldValue(SongField field, std::string_view text);
// Stores a value in the compared form into the record.
void SetFieldValue(CSongFileInfo& song, SongField field, const std::string& value);

// The values a writer stores for a field: a list field's values split at
// "; ", any other field's value whole; nothing for an empty value.
std::vector<std::string> StoredValues(SongField field, const std::string& value);

}  // namespace songcore
