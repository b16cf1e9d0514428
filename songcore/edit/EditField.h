#pragma once
// The song fields a user edits, by one name each, with their values as text:
// what a batch edit, a name pattern and the edit history hand around. The
// text of a field is what the user sees: a genre by its name (empty for
// none), track and disc as plain numbers, whatever the format keeps.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class CSongFileInfo;

namespace songcore {

enum class EditField {
    Title,
    Artist,
    AlbumArtist,
    Album,
    Year,
    Comment,
    Genre,
    Track,
    Disc,
    Composer,
    OrigArtist,
    Copyright,
    Url,
    EncodedBy,
    Performer,
    Organization,
    Location,
    Contact,
    License,
    Lyrics,
};

struct EditFieldName {
    EditField field;
    const char* key;    // "orig-artist": command-line options and stored history
    const char* label;  // "Original artist"
};

// Every field, in the order forms show them.
const std::vector<EditFieldName>& EditFieldNames();
const EditFieldName& NameOf(EditField field);
std::optional<EditField> FindEditField(std::string_view key);

// Field changes in the order they were given; a field appears at most once.
using FieldValues = std::vector<std::pair<EditField, std::string>>;

// Sets field to text in values, replacing an earlier value of it.
void PutFieldValue(FieldValues& values, EditField field, std::string text);
const std::string* FindFieldValue(const FieldValues& values, EditField field);

// The field of a song read by its tag reader.
std::string GetFieldText(const CSongFileInfo& info, EditField field);
// The same, saying whether the values are packed the MP4 way (see below).
std::string GetFieldText(const CSongFileInfo& info, EditField field, bool mp4);
// Sets the field; false with a reason for a genre that is no genre or a
// track or disc that is no number. mp4 says the tag written is MP4, which
// keeps the genre as its "gnre" number and the totals of track and disc in
// the high 16 bits: its track text reads "3/12" when it has a total, and
// setting "5" keeps the total while "5/13" sets it.
// Why text cannot be a value of field; empty when it can.
std::string FieldTextProblem(EditField field, const std::string& text);
bool SetFieldText(CSongFileInfo& info, EditField field, const std::string& text, bool mp4,
                  std::string& problem);

}  // namespace songcore
