#pragma once
// The way back from one write of a song: the content the file had before a
// tag writer changed it, told as the bytes that the write took away and the
// ranges of the new content that it kept. Undo puts exactly these bytes back,
// so a tag (its pictures included) returns as it was, byte for byte, rather
// than written anew from its old values.

#include <cstdint>
#include <string>
#include <vector>

class CSongFile;

namespace songcore {

struct RestorePiece {
    bool kept = false;           // a range of the content the plan applies to
    uint64_t from = 0;           // of a kept range
    uint64_t length = 0;         // of a kept range
    std::vector<uint8_t> bytes;  // of the others
};

struct RestorePlan {
    // The length of the content the plan applies to; a file of another
    // length is not the one the write left.
    uint64_t currentLength = 0;
    std::vector<RestorePiece> pieces;

    uint64_t SavedBytes() const;
};

// Gives the song open for writing the content plan describes, through the
// write engine (journal, or a new file renamed over it). The inverse of this
// write is captured like any other.
bool ApplyRestorePlan(CSongFile& file, const RestorePlan& plan, std::string& error);

}  // namespace songcore
