#pragma once
// Front covers of MusicBrainz releases from the Cover Art Archive, in one of
// the sizes it keeps.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "songcore/tags/Picture.h"

namespace songcore {

enum class CoverSize { k500, k1200, kOriginal };

// "500", "1200" or "original".
std::optional<CoverSize> ParseCoverSize(std::string_view text);

// The front cover of the release at server (https://coverartarchive.org or a
// mirror). False, with why, when the release has none, the image is not one
// or is larger than the pictures songs take (kMaxPictureSize).
bool FetchFrontCover(const std::string& server, const std::string& releaseId, CoverSize size,
                     Picture& out, std::string& why,
                     const std::function<bool()>& keepGoing = nullptr);

}  // namespace songcore
