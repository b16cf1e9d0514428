#include "songcore/tags/mkv/MatroskaCover.h"

#include "songcore/tags/mkv/Ebml.h"
#include "songcore/util/Text.h"

namespace songcore {

std::optional<Picture> MatroskaCoverPicture(std::span<const uint8_t> body) {
    std::string name, mime, description;
    std::span<const uint8_t> data;
    for (const EbmlElement& child : EbmlChildren(body)) {
        std::span<const uint8_t> value = EbmlBody(body, 0, child);
        if (child.id == ebml::kFileName) {
            name = EbmlString(value);
        } else if (child.id == ebml::kFileMimeType) {
            mime = EbmlString(value);
        } else if (child.id == ebml::kFileDescription) {
            description = EbmlString(value);
        } else if (child.id == ebml::kFileData) {
            data = value;
        }
    }
    const bool cover = EqualsIgnoreCaseAscii(name, "cover.jpg") ||
                       EqualsIgnoreCaseAscii(name, "cover.jpeg") ||
                       EqualsIgnoreCaseAscii(name, "cover.png");
    if (!cover || data.empty() || data.size() > kMaxPictureSize) {
        return std::nullopt;
    }
    std::string sniffed = SniffImageMime(data);
    if (sniffed.empty()) {
        return std::nullopt;
    }
    Picture picture;
    picture.type = kPictureFrontCover;
    picture.mime = mime.empty() ? sniffed : mime;
    picture.description = description;
    picture.data.assign(data.begin(), data.end());
    return picture;
}

}  // namespace songcore
