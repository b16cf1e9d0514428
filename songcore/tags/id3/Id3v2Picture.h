#pragma once
// The picture frames of an ID3v2 tag: APIC in versions 2.3 and 2.4, PIC in
// 2.2 (which names the image format in three letters instead of a MIME type).

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "songcore/tags/Picture.h"
#include "songcore/tags/id3/Id3v2Tag.h"

namespace songcore {

// Whether a frame of a tag of this version holds a picture.
bool IsId3v2PictureFrame(std::string_view id, uint8_t major);

// The MIME type a 2.2 image format stands for ("JPG" gives image/jpeg); empty
// when the format names none (the bytes tell the type then).
std::string Id3v2ImageFormatMime(std::string_view format);

// The picture in a picture frame's content (as Id3v2Tag::Content gives it).
// Nothing when the frame is damaged, only links to an image elsewhere, has
// no image bytes, or they are larger than kMaxPictureSize.
std::optional<Picture> ParseId3v2Picture(std::span<const uint8_t> content, uint8_t major);

// The APIC frame of a 2.3 or 2.4 tag; the description is written in an
// encoding that holds it.
Id3v2Frame MakeId3v2PictureFrame(const Picture& picture, uint8_t major);

// Why these pictures cannot all stand in one tag; empty when they can. A
// tag keeps one picture for each role and description, and one of each of
// the two file icons.
std::string Id3v2PicturesRefusal(const std::vector<Picture>& pictures);

// Puts pictures in place of every picture frame of a 2.3 or 2.4 tag, after
// its other frames. Why not, with the tag unchanged, when they cannot all
// stand in it; empty when done.
std::string ReplaceId3v2Pictures(Id3v2Tag& tag, const std::vector<Picture>& pictures);

}  // namespace songcore
