#pragma once
// The ASF header as the tag reader needs it: every object, but with the
// WM/Picture attributes left out of the descriptions, read past rather than
// read, so that a large cover costs the ordinary read nothing.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "songcore/tags/Picture.h"
#include "songcore/util/ReadExact.h"

namespace songcore {

// Headers hold pictures, but never anything near this; a larger size is
// damage, and would only make us allocate for nothing.
constexpr uint64_t kMaxAsfHeaderSize = 64u << 20;

// The whole header object at the start of the file. Nothing (and why, in
// plain words) when the file is too short for one, does not start with one,
// or the header claims more than kMaxAsfHeaderSize bytes or runs past the
// end of the file.
std::optional<std::vector<uint8_t>> ReadAsfHeader(const ReadExactFn& read,
                                                  std::string* why = nullptr);

// The header object at the start of the file, as its bytes would be without
// the picture attributes (its sizes and counts adjusted). An object that
// cannot be walked so is taken as it stands, for the parsers to judge.
// Nothing when there is no header, it claims more than maxSize bytes, or it
// runs past the end of the file.
std::optional<std::vector<uint8_t>> ReadAsfHeaderWithoutPictures(const ReadExactFn& read,
                                                                 uint64_t maxSize);

// The WM/Picture attributes of a whole header object, in the order readers
// take them: the extended content descriptions, then the metadata objects,
// then the metadata libraries. A damaged one is left out.
std::vector<Picture> ReadAsfPictures(std::span<const uint8_t> header);

}  // namespace songcore
