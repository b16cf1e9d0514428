#pragma once
// What the ordinary tag read takes from the header packets of an Ogg Vorbis,
// Opus or FLAC stream: the identification packet, and the comment list left
// in the file, to be parsed from there without the bytes of its pictures.

#include <cstdint>
#include <optional>
#include <string>

#include "songcore/tags/ogg/OggCodec.h"
#include "songcore/tags/ogg/OggPage.h"
#include "songcore/util/ReadExact.h"

namespace songcore {

struct OggTagHeaders {
    OggCodec codec = OggCodec::kNone;
    OggPage first;  // the page that holds only the identification packet
    uint64_t firstOffset = 0;
    // Reads the comment list, offsets counted from its start; it holds the
    // read it was made with.
    ReadExactFn list;
    uint64_t listSize = 0;
};

// Refuses exactly the files ReadOggHeaders(read, false) refuses (a page with
// two faults may be refused for the other one, as its body is not read
// first), but reads of the pages after the first only their headers and
// lacing values, and of the comment packet only the codec's header before
// the list. Neither walk checks page checksums.
std::optional<OggTagHeaders> ReadOggTagHeaders(const ReadExactFn& read, std::string* why = nullptr);

}  // namespace songcore
