#pragma once
// The tag kinds of a song file by name ("id3v2", as tunemoss --tag takes
// it), with their readers, writers and removers.

#include <cstdint>
#include <string>
#include <vector>

#include "songcore/tags/SongFileInfo.h"

namespace songcore {

struct TagKind {
    const char* option;  // "id3v1", as --tag takes it
    const char* label;   // "ID3V1", as show prints it
    uint32_t mask;
    int (CSongFileInfo::*read)();
    int (CSongFileInfo::*write)();
    int (CSongFileInfo::*remove)();  // null when the kind cannot be removed
};

const std::vector<TagKind>& TagKinds();
const TagKind* FindTagKindByOption(const std::string& option);
// The kind of the lowest set bit of a tag kind mask; null for 0.
const TagKind* FindTagKindByMask(uint32_t mask);
// "id3v1, id3v2, ..." for messages.
std::string TagKindOptions(bool removableOnly);

// The one wording of the failures of a tag write, for "PATH: failure":
// "cannot open for writing: why", "could not write the MP4 tag: why" ("could
// not remove ..." with removing), each with the song's error message.
std::string OpenForWritingFailure(const CSongFileInfo& song);
// The song's error message, or fallback when it has none.
std::string FailureOf(const CSongFileInfo& song, const char* fallback);
std::string TagWriteFailure(const TagKind& kind, const CSongFileInfo& song, bool removing = false);

}  // namespace songcore
