#pragma once
// The text fields of a song that may show bytes decoded with the wrong
// encoding, each with the bytes it stands for: legacy 8-bit text (ID3v1, an
// ID3v2 frame in ISO-8859-1, RealMedia) is turned back into its bytes, an
// APEv2 or Vorbis value that is not UTF-8 is its bytes, and a Unicode text
// that was made from UTF-8 bytes read as ISO-8859-1 or windows-1252 ("Ã©")
// gives those bytes back.

#include <string>
#include <vector>

#include "songcore/tags/SongField.h"

class CSongFileInfo;

namespace songcore {

struct MisreadField {
    SongField field;
    std::string shown;  // the text as read (valid UTF-8)
    std::string bytes;  // what the tag holds, in some encoding
};

// The fields of the record that hold text outside ASCII whose encoding is
// in doubt; fields that only come from the file (its vendor) and web
// addresses are left out.
std::vector<MisreadField> MisreadFieldsOf(const CSongFileInfo& info);

}  // namespace songcore
