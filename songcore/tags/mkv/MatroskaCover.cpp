#include "songcore/tags/mkv/MatroskaCover.h"

#include <algorithm>

#include "songcore/tags/mkv/Ebml.h"
#include "songcore/util/Fnv1a.h"
#include "songcore/util/Text.h"

namespace songcore {

namespace {

bool IsCoverName(const std::string& name) {
    return EqualsIgnoreCaseAscii(name, "cover.jpg") || EqualsIgnoreCaseAscii(name, "cover.jpeg") ||
           EqualsIgnoreCaseAscii(name, "cover.png");
}

// The attached file's name; its UID is added to uids.
std::string NameOf(std::span<const uint8_t> body, std::vector<uint64_t>& uids) {
    std::string name;
    for (const EbmlElement& child : EbmlChildren(body)) {
        if (child.id == ebml::kFileName) {
            name = EbmlString(EbmlBody(body, 0, child));
        } else if (child.id == ebml::kFileUid) {
            uids.push_back(EbmlUnsigned(EbmlBody(body, 0, child)).value_or(0));
        }
    }
    return name;
}

}  // namespace

std::optional<std::vector<uint8_t>> MatroskaAttachmentsWithCovers(
    std::span<const uint8_t> body, const std::vector<Picture>& pictures, std::string& why) {
    if (pictures.size() > 1) {
        why = "a Matroska file holds one cover (cover.jpg or cover.png), not " +
              std::to_string(pictures.size()) + " pictures";
        return std::nullopt;
    }
    ByteWriter out;
    std::vector<uint64_t> uids;
    for (const EbmlElement& child : EbmlChildren(body)) {
        std::span<const uint8_t> whole = body.subspan(static_cast<size_t>(child.offset),
                                                      static_cast<size_t>(child.totalLength()));
        // The covers go, and with them their UIDs.
        std::vector<uint64_t> uid;
        if (child.id == ebml::kAttachedFile && IsCoverName(NameOf(EbmlBody(body, 0, child), uid))) {
            continue;
        }
        uids.insert(uids.end(), uid.begin(), uid.end());
        if (child.id != ebml::kVoid && child.id != ebml::kCrc32) {
            out.bytes(whole);
        }
    }
    for (const Picture& picture : pictures) {
        const std::string mime = SniffImageMime(picture.data);
        if (picture.type != kPictureFrontCover || (mime != "image/jpeg" && mime != "image/png")) {
            why = "a Matroska file holds only a front cover, in JPEG or PNG";
            return std::nullopt;
        }
        // The UID comes from the image, so that the same cover written
        // again gives the same bytes.
        Fnv1a hash;
        hash.add(picture.data);
        uint64_t uid = hash.value() | 1;
        while (std::find(uids.begin(), uids.end(), uid) != uids.end()) {
            uid += 2;
        }
        ByteWriter file;
        if (!picture.description.empty()) {
            AppendEbmlString(file, ebml::kFileDescription, picture.description);
        }
        AppendEbmlString(file, ebml::kFileName, mime == "image/png" ? "cover.png" : "cover.jpg");
        AppendEbmlString(file, ebml::kFileMimeType, mime);
        AppendEbmlElement(file, ebml::kFileData, picture.data);
        AppendEbmlUnsigned(file, ebml::kFileUid, uid);
        AppendEbmlElement(out, ebml::kAttachedFile, file.buffer());
    }
    return out.take();
}

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
    if (!IsCoverName(name) || data.empty() || data.size() > kMaxPictureSize) {
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
