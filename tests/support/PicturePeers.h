#pragma once
// mutagen's reading and writing of embedded pictures, the independent check
// of the picture tests (pictures_peer.py does the work).

#include <string>
#include <vector>

#include "songcore/tags/Picture.h"

namespace testsupport {

// One picture as a line of text: role, MIME type, description (hex of its
// UTF-8) and SHA-1 of the bytes, tab-separated; what the peer prints.
std::string PictureLine(const songcore::Picture& picture);

// The lines mutagen gives for the pictures of the tag kind ("id3", "ape",
// "flac", "ogg", "mp4", "asf"); a single line starting "error:" when
// mutagen fails.
std::vector<std::string> MutagenPictureLines(const std::string& kind, const std::string& path);

// Adds a picture with mutagen; "" when done, else mutagen's complaint.
std::string MutagenAddPicture(const std::string& kind, const std::string& path,
                              const std::string& image, int type, const std::string& description);

}  // namespace testsupport
