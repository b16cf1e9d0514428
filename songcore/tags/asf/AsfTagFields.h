#pragma once
// The ASF field table: which texts of the content description and which
// extended content descriptors fill which fields of the song record. The
// reader derives the fields from them; the writer edits them so that the
// texts and descriptors of a field whose value did not change stay as they
// are, byte for byte.

#include <array>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "songcore/tags/SongValues.h"
#include "songcore/tags/asf/AsfObjects.h"

namespace songcore {

enum class AsfRule {
    Overwrite,       // the last descriptor of the header wins
    WhileEmpty,      // fills the field only while it is still empty
    ZeroBasedTrack,  // the old zero-based track, only while there is no track
};

struct AsfDescriptorEntry {
    const char* name;  // compared without regard to letter case
    SongField field;
    AsfRule rule;
};
extern const std::array<AsfDescriptorEntry, 19> kAsfDescriptors;

// The name a new value of each field is stored under, in the order the
// writer adds them.
struct AsfWrittenName {
    SongField field;
    const char* name;
    // The value holds the field's total too ("1/2").
    bool withTotal = false;
};
extern const std::array<AsfWrittenName, 11> kAsfWrittenNames;

// The fields of the content description's title, author, copyright and
// description; they fill a field only while it is still empty.
extern const std::array<SongField, 4> kAsfContentFields;

// The table entry of a descriptor name, if there is one.
const AsfDescriptorEntry* FindAsfDescriptor(const std::string& name);

// True when a descriptor of that name fills field and so goes when field
// gets a new value (hasValue: whether the new value is a value, not none).
bool AsfDescriptorFeeds(const std::string& name, SongField field, bool hasValue);

// The tag objects of a header, in the order they stand in it.
using AsfTagObject = std::variant<AsfContentDescription, AsfExtendedContentDescription>;

// The record's fields as the reader derives them. Several descriptors of one
// name give several values.
SongValues DeriveAsfFields(const std::vector<AsfTagObject>& objects);

// Sets the texts of the fields whose value differs from what was derived.
void EditAsfContent(AsfContentDescription& content, const SongValues& derived,
                    const SongValues& values);
// The descriptors with every field whose value differs from what was
// derived rewritten: all its descriptors, of any name, replaced by its
// values under the written name (in the spelling of the old descriptor of
// that name, when there was one), where the first of them stood (at the end
// when there was none). A field at its "none" value gets no descriptor, nor
// does a field of the content description.
std::vector<AsfDescriptor> EditAsfDescriptors(std::vector<AsfDescriptor> descriptors,
                                              const SongValues& derived, const SongValues& values);

// Removes the whole-file records of every field whose value differs from
// what was derived (its new values go to the extended content description);
// true when a record went.
bool DropChangedAsfRecords(std::vector<AsfMetadataRecord>& records, const SongValues& derived,
                           const SongValues& values);

}  // namespace songcore
