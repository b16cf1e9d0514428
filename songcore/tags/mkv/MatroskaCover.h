#pragma once
// Cover art in Matroska files: attachments named cover.jpg or cover.png
// (any letter case), as the Matroska conventions for cover art name them.

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "songcore/tags/Picture.h"

namespace songcore {

// The picture an AttachedFile body holds when it is a cover; nothing for
// any other attachment, or one whose data is no image or over the limit.
std::optional<Picture> MatroskaCoverPicture(std::span<const uint8_t> body);

// The children of a new Attachments element: the old one's (body) without
// its covers, then pictures as covers. A Matroska file names one cover, so
// at most one picture is taken, a front cover in JPEG or PNG; why says so
// otherwise (nothing returned then).
std::optional<std::vector<uint8_t>> MatroskaAttachmentsWithCovers(
    std::span<const uint8_t> body, const std::vector<Picture>& pictures, std::string& why);

}  // namespace songcore
