#include "songcore/tags/id3/Id3v2Picture.h"

#include <cctype>

#include "songcore/util/ByteReader.h"
#include "songcore/util/ByteWriter.h"
#include "songcore/util/Text.h"

namespace songcore {

namespace {

// What a writer puts in place of the MIME type when the frame only points
// at an image elsewhere; there are no bytes to show.
constexpr std::string_view kLinkedImage = "-->";
constexpr uint8_t kFileIcon = 1;
constexpr uint8_t kOtherFileIcon = 2;

}  // namespace

bool IsId3v2PictureFrame(std::string_view id, uint8_t major) {
    return id == (major == 2 ? "PIC" : "APIC");
}

std::string Id3v2ImageFormatMime(std::string_view format) {
    // The three bytes are the writer's to fill: a shorter name ends in NULs,
    // and whatever they hold must not put a NUL or a control byte into the
    // MIME type a 2.3 frame stores as a terminated string.
    format = format.substr(0, format.find('\0'));
    std::string upper = ToUpperAscii(std::string(format));
    if (upper == kLinkedImage) {
        return std::string(kLinkedImage);
    }
    if (upper == "JPG") {
        return "image/jpeg";
    }
    if (upper == "PNG") {
        return "image/png";
    }
    std::string name;
    for (char c : format) {
        if (std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.') {
            name += c;
        }
    }
    return name.empty() ? std::string() : "image/" + FoldCase(name);
}

std::optional<Picture> ParseId3v2Picture(std::span<const uint8_t> content, uint8_t major) {
    ByteReader in(content);
    uint8_t encoding = in.u8();
    Picture picture;
    if (major == 2) {
        std::string format = in.string(3);
        if (!in.ok() || format == kLinkedImage) {
            return std::nullopt;
        }
        picture.mime = Id3v2ImageFormatMime(format);
    } else {
        if (in.atEnd()) {
            return std::nullopt;
        }
        picture.mime = Latin1ToUtf8(in.cString(in.remaining()));
        if (picture.mime == kLinkedImage) {
            return std::nullopt;
        }
    }
    picture.type = in.u8();
    if (!in.ok()) {
        return std::nullopt;
    }
    auto description = DecodeId3v2String(encoding, content.subspan(in.pos()));
    if (!description) {
        return std::nullopt;
    }
    picture.description = std::move(description->first);
    in.skip(description->second);
    std::span<const uint8_t> data = in.bytes(in.remaining());
    if (data.empty() || data.size() > kMaxPictureSize) {
        return std::nullopt;
    }
    picture.data.assign(data.begin(), data.end());
    if (picture.mime.empty()) {
        picture.mime = SniffImageMime(picture.data);
    }
    return picture;
}

Id3v2Frame MakeId3v2PictureFrame(const Picture& picture, uint8_t major) {
    uint8_t encoding = ChooseId3v2Encoding(picture.description, major);
    std::string mime = picture.mime.empty() ? SniffImageMime(picture.data) : picture.mime;
    ByteWriter out;
    out.reserve(picture.data.size() + mime.size() + picture.description.size() * 2 + 8);
    out.u8(encoding);
    out.text(Utf8ToLatin1(mime));
    out.u8(0);
    out.u8(picture.type);
    out.bytes(EncodeId3v2String(encoding, picture.description, true));
    out.bytes(picture.data);
    return Id3v2Frame{"APIC", 0, out.take()};
}

std::string Id3v2PicturesRefusal(const std::vector<Picture>& pictures) {
    for (size_t i = 0; i < pictures.size(); ++i) {
        for (size_t j = 0; j < i; ++j) {
            const Picture& a = pictures[i];
            const Picture& b = pictures[j];
            if (a.type == b.type && (a.type == kFileIcon || a.type == kOtherFileIcon)) {
                return "an ID3v2 tag holds only one picture of the role " +
                       std::string(PictureTypeName(a.type));
            }
            if (a.type == b.type && a.description == b.description) {
                return "two pictures have the same role (" + std::string(PictureTypeName(a.type)) +
                       ") and description; an ID3v2 tag holds only one of them";
            }
        }
    }
    return {};
}

std::string ReplaceId3v2Pictures(Id3v2Tag& tag, const std::vector<Picture>& pictures) {
    if (std::string why = Id3v2PicturesRefusal(pictures); !why.empty()) {
        return why;
    }
    std::erase_if(tag.frames, [&tag](const Id3v2Frame& frame) {
        return IsId3v2PictureFrame(frame.id, tag.major);
    });
    for (const Picture& picture : pictures) {
        tag.frames.push_back(MakeId3v2PictureFrame(picture, tag.major));
    }
    return {};
}

}  // namespace songcore
