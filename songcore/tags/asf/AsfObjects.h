#pragma once
// The contents of the ASF header objects that carry tags and stream facts:
// content description, extended content description, codec list, file and
// stream properties. Parsed from and built into byte buffers (object bodies,
// as AsfHeader::Object::Body gives them).

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "songcore/tags/Picture.h"

namespace songcore {

struct AsfContentDescription {
    // Texts in UTF-8, as stored (not trimmed).
    std::string title, author, copyright, description;
    // The rating as stored (UTF-16LE, terminator included), so that a
    // rewrite can keep it.
    std::vector<uint8_t> rating;
    // The four texts as stored, in the order above. Build writes a stored
    // text in place of its UTF-8 form, so that a field the writer does not
    // change keeps its bytes; clear it when the text changes.
    std::array<std::optional<std::vector<uint8_t>>, 4> stored;

    static std::optional<AsfContentDescription> Parse(std::span<const uint8_t> body);
    // The whole object, header included; nothing when a text is too long
    // for the 16-bit lengths.
    std::optional<std::vector<uint8_t>> Build() const;
};

struct AsfDescriptor {
    enum Type : uint16_t { kText = 0, kBytes = 1, kBool = 2, kDword = 3, kQword = 4, kWord = 5 };

    std::string name;              // UTF-8
    std::vector<uint8_t> rawName;  // as stored, so that it is carried over exactly
    uint16_t type = kText;
    std::vector<uint8_t> value;

    static AsfDescriptor Text(std::string_view name, std::string_view text);
    // The value as text: UTF-16 text converted, a byte array byte for byte
    // (invalid UTF-8 replaced), numbers in decimal. Nothing when the value is
    // shorter than its type needs or the type is unknown.
    std::optional<std::string> AsText() const;
};

struct AsfExtendedContentDescription {
    std::vector<AsfDescriptor> descriptors;

    static std::optional<AsfExtendedContentDescription> Parse(std::span<const uint8_t> body);
    // The whole object; nothing when there are more than 65535 descriptors or
    // a name or value is longer than the 16-bit lengths allow.
    std::optional<std::vector<uint8_t>> Build() const;
};

// The records of a metadata object or metadata library object (inside the
// header extension): descriptors that may belong to one stream (0: the whole
// file) and, in the library, to a language. Writers put the second and later
// values of a name here.
struct AsfMetadataRecord {
    uint16_t language = 0;  // index into the language list; reserved in a metadata object
    uint16_t stream = 0;
    AsfDescriptor descriptor;
};

struct AsfMetadata {
    std::vector<AsfMetadataRecord> records;

    static std::optional<AsfMetadata> Parse(std::span<const uint8_t> body);
    // The whole object under guid; nothing when there are more than 65535
    // records or a name is longer than its 16-bit length allows.
    std::optional<std::vector<uint8_t>> Build(const std::array<uint8_t, 16>& guid) const;
};

// WM/Picture, the attribute a picture is stored in (a byte array: role,
// 32-bit length, MIME type and description in UTF-16 with terminators, then
// the image). The extended content description holds values of up to 64 KB;
// larger ones go to the metadata library.
constexpr std::string_view kAsfPictureName = "WM/Picture";
constexpr size_t kAsfMaxExtendedValue = 0xFFFF;
bool IsAsfPicture(const AsfDescriptor& descriptor);
// Nothing when the value is cut short, a text has no terminator, or the image
// is larger than kMaxPictureSize.
std::optional<Picture> ParseAsfPicture(std::span<const uint8_t> value);
AsfDescriptor AsfPictureDescriptor(const Picture& picture);

struct AsfCodecEntry {
    static constexpr uint16_t kAudio = 2;
    uint16_t type = 0;
    std::string name, description;  // UTF-8, as stored
};

std::optional<std::vector<AsfCodecEntry>> ParseAsfCodecList(std::span<const uint8_t> body);

struct AsfFileProperties {
    uint64_t fileSize = 0;
    uint64_t playDuration = 0;  // 100-nanosecond units, preroll included
    uint64_t preroll = 0;       // milliseconds
    uint32_t maxBitrate = 0;    // bits per second

    static std::optional<AsfFileProperties> Parse(std::span<const uint8_t> body);
    double LengthSeconds() const;
};

// The audio format of a stream properties object (WAVEFORMATEX); nothing for
// other stream types.
struct AsfAudioFormat {
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint32_t bytesPerSecond = 0;

    static std::optional<AsfAudioFormat> Parse(std::span<const uint8_t> streamPropertiesBody);
};

}  // namespace songcore
