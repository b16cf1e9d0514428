#include "songcore/online/CoverArtArchive.h"

#include "songcore/online/MusicBrainzRelease.h"
#include "songcore/online/WebClient.h"

namespace songcore {

std::optional<CoverSize> ParseCoverSize(std::string_view text) {
    if (text == "500") {
        return CoverSize::k500;
    }
    if (text == "1200") {
        return CoverSize::k1200;
    }
    if (text == "original") {
        return CoverSize::kOriginal;
    }
    return std::nullopt;
}

bool FetchFrontCover(const std::string& server, const std::string& releaseId, CoverSize size,
                     Picture& out, std::string& why, const std::function<bool()>& keepGoing) {
    if (!IsMbid(releaseId)) {
        why = "not a MusicBrainz release id: " + releaseId;
        return false;
    }
    const char* suffix = size == CoverSize::k500 ? "-500" : size == CoverSize::k1200 ? "-1200" : "";
    std::string base = server;
    while (!base.empty() && base.back() == '/') {
        base.pop_back();
    }
    WebResponse response = WebClient::Get(base + "/release/" + releaseId + "/front" + suffix,
                                          keepGoing, static_cast<size_t>(kMaxPictureSize));
    if (response.status == 404) {
        why = "the Cover Art Archive has no front cover of this release";
        return false;
    }
    if (!response.error.empty()) {
        why = "Cover Art Archive: " + response.error;
        return false;
    }
    std::string problem;
    std::optional<Picture> picture =
        PictureFromImage(std::vector<uint8_t>(response.body.begin(), response.body.end()),
                         kPictureFrontCover, &problem);
    if (!picture) {
        why = "Cover Art Archive: the front cover is not usable: " + problem;
        return false;
    }
    out = std::move(*picture);
    return true;
}

}  // namespace songcore
