#pragma once
// The stream information a tag editor shows beside the tags: one text per
// format, lines ended by "\n", built from the stream properties of a song
// whose reader has run.

#include <cstdint>
#include <string>

class CSongFileInfo;

namespace songcore {

// Empty for a song whose format has no such text or whose stream cannot be
// read. fileSize is the song file's length in bytes.
std::string StreamText(CSongFileInfo& song, uint64_t fileSize);

}  // namespace songcore
