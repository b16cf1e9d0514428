#pragma once
// Pictures in an APEv2 tag: a binary item per role, named after it ("Cover
// Art (Front)"), whose value is a description (often the image's file name)
// ended by a NUL, then the image bytes. The tag says nothing of the image
// type, which is told from the bytes.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "songcore/tags/Picture.h"
#include "songcore/tags/ape/ApeTag.h"

namespace songcore {

// Whether an item of this key and these flags holds a picture: a binary
// item whose key starts "Cover Art", in any letter case.
bool IsApePictureItem(std::string_view key, uint32_t flags);

// The item key of a picture role; empty for a number outside the roles.
std::string ApePictureKey(uint8_t type);

// The picture an item holds; nothing when it is none, the description has no
// end, there are no image bytes, or they are larger than kMaxPictureSize. A
// key of no known role reads as the role "other".
std::optional<Picture> ParseApePicture(const ApeItem& item);

// Puts pictures in place of every picture item of the tag, after its other
// items. Why not, with the tag unchanged, when they cannot all stand in it
// (the tag holds one item per key, so one picture per role); empty when done.
std::string ReplaceApePictures(ApeTag& tag, const std::vector<Picture>& pictures);

}  // namespace songcore
