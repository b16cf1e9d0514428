#pragma once
// Cover art in Matroska files: attachments named cover.jpg or cover.png
// (any letter case), as the Matroska conventions for cover art name them.

#include <optional>
#include <span>

#include "songcore/tags/Picture.h"

namespace songcore {

// The picture an AttachedFile body holds when it is a cover; nothing for
// any other attachment, or one whose data is no image or over the limit.
std::optional<Picture> MatroskaCoverPicture(std::span<const uint8_t> body);

}  // namespace songcore
