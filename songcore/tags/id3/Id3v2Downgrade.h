#pragma once
// An ID3v2.4 tag as ID3v2.3, for the players that read no other version
// (car stereos, old portable players): texts in UTF-8 or UTF-16BE become
// UTF-16 with a byte order mark (or ISO-8859-1 where that holds them),
// several values of a text frame one text joined by "; ", the recording
// time TDRC becomes TYER, TDAT and TIME, the original year TDOR becomes TORY,
// the people lists TIPL and TMCL become IPLS, and the frame flags take 2.3's
// layout. Other frames are kept as they are: 2.3 readers pass over ids they
// do not know.

#include <optional>

#include "songcore/tags/id3/Id3v2Tag.h"

namespace songcore {

// Nothing when a frame cannot be carried over without losing it (compressed
// or encrypted, or of a kind whose text this does not convert, in UTF-8):
// the tag then stays 2.4.
std::optional<Id3v2Tag> Id3v2As23(const Id3v2Tag& tag);

}  // namespace songcore
