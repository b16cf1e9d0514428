#include "songcore/tags/mp4/Mp4Cover.h"

#include <array>
#include <utility>

#include "songcore/util/ByteWriter.h"

namespace songcore {

namespace {

constexpr std::array<std::pair<uint32_t, std::string_view>, 4> kImageTypes = {{
    {12, "image/gif"},
    {13, "image/jpeg"},
    {14, "image/png"},
    {27, "image/bmp"},
}};

}  // namespace

std::optional<Picture> ParseMp4Cover(const Mp4Data& data) {
    if (data.value.empty() || data.value.size() > kMaxPictureSize) {
        return std::nullopt;
    }
    Picture picture;
    picture.type = kPictureFrontCover;
    picture.data = data.value;
    for (const auto& [type, mime] : kImageTypes) {
        if (data.type == type) {
            picture.mime = mime;
        }
    }
    // Older writers mark covers as plain binary data.
    if (picture.mime.empty()) {
        picture.mime = SniffImageMime(picture.data);
    }
    return picture;
}

std::optional<std::vector<uint8_t>> BuildMp4CoverItem(const std::vector<Picture>& pictures,
                                                      std::string& why) {
    ByteWriter out;
    if (pictures.empty()) {
        return out.take();
    }
    uint64_t size = 8;
    std::vector<uint32_t> types;
    for (const Picture& picture : pictures) {
        // The bytes decide: a MIME type may be missing or wrong.
        std::string mime = SniffImageMime(picture.data);
        std::optional<uint32_t> found;
        for (const auto& [type, name] : kImageTypes) {
            if (mime == name) {
                found = type;
            }
        }
        if (!found) {
            why = "MP4 cover art can only be a JPEG, PNG, GIF or BMP image, not " +
                  (mime.empty() ? std::string("these bytes") : mime);
            return std::nullopt;
        }
        types.push_back(*found);
        size += 16 + picture.data.size();
    }
    if (size > UINT32_MAX) {
        why = "the covers do not fit one MP4 item (4 GiB)";
        return std::nullopt;
    }
    out.reserve(static_cast<size_t>(size));
    out.u32be(static_cast<uint32_t>(size));
    out.text(kMp4CoverItem);
    for (size_t i = 0; i < pictures.size(); ++i) {
        out.u32be(static_cast<uint32_t>(16 + pictures[i].data.size()));
        out.text("data");
        out.u32be(types[i]);
        out.u32be(0);  // locale
        out.bytes(pictures[i].data);
    }
    return out.take();
}

}  // namespace songcore
