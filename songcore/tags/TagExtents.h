#pragma once
// Where the tags of a file lie: an ID3v2 tag at the start, an APEv2 tag and
// an ID3v1 tag at the end. The audio is what lies between them. Shared by
// the tag readers and writers and the MPEG frame scanner.

#include <cstdint>
#include <span>

class CSongFile;

namespace songcore {

// Total length (header, frames, padding, footer) of the ID3v2 tag whose
// first bytes are given; 0 when they are not an ID3v2 header.
uint64_t Id3v2TagLength(std::span<const uint8_t> header);

// Total length of the APEv2 tag whose 32-byte footer is given (the header
// included when the footer says there is one); 0 when it is not a footer.
uint64_t ApeTagLength(std::span<const uint8_t> footer);

struct TagExtents {
    uint64_t fileLength = 0;
    uint64_t id3v2Length = 0;  // at offset 0
    uint64_t apeOffset = 0;    // start of the APEv2 tag (header included)
    uint64_t apeLength = 0;
    uint64_t id3v1Length = 0;  // 128 per ID3v1 tag at the very end
    uint64_t audioBegin() const { return id3v2Length; }
    uint64_t audioEnd() const;
};

// Measures the tags of an open file; false when the file cannot be read.
// An APEv2 tag is found directly before the ID3v1 tags or at the very end.
bool FindTagExtents(CSongFile& file, TagExtents& extents);

}  // namespace songcore
