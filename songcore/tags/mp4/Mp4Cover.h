#pragma once
// Cover art in an MP4 item list: one "covr" item whose data atoms hold an
// image each, their type word telling JPEG, PNG, GIF or BMP. MP4 keeps no
// role and no description: every cover reads as a front cover.

#include <optional>
#include <string>
#include <vector>

#include "songcore/tags/Picture.h"
#include "songcore/tags/mp4/Mp4ItemList.h"

namespace songcore {

constexpr std::string_view kMp4CoverItem = "covr";

// The picture a data atom of the cover item holds; nothing when it holds no
// bytes or more than kMaxPictureSize.
std::optional<Picture> ParseMp4Cover(const Mp4Data& data);

// The cover item holding the pictures, in their order (nothing to add for
// none). Nothing, and why, when a picture is not an image MP4 can mark.
std::optional<std::vector<uint8_t>> BuildMp4CoverItem(const std::vector<Picture>& pictures,
                                                      std::string& why);

}  // namespace songcore
