#include "songcore/tags/asf/AsfObjects.h"

#include <algorithm>

#include "songcore/tags/asf/AsfHeader.h"
#include "songcore/util/ByteReader.h"
#include "songcore/util/ByteWriter.h"
#include "songcore/util/Text.h"

namespace songcore {
namespace {

constexpr size_t kMaxLength16 = 0xFFFF;

// UTF-16LE with its terminator, as ASF stores texts; empty text stays empty.
std::vector<uint8_t> ToAsfText(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    std::vector<uint8_t> bytes = Utf8ToUtf16Le(text);
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

void PutObjectHeader(ByteWriter& out, const AsfGuid& guid) {
    out.bytes(guid);
    out.u64le(0);  // size, filled in by FinishObject
}

std::vector<uint8_t> FinishObject(ByteWriter& out) {
    out.putU64le(16, out.size());
    return out.take();
}

}  // namespace

std::optional<AsfContentDescription> AsfContentDescription::Parse(std::span<const uint8_t> body) {
    ByteReader reader(body);
    uint16_t lengths[5];
    for (uint16_t& length : lengths) {
        length = reader.u16le();
    }
    std::span<const uint8_t> texts[5];
    for (int i = 0; i < 5; ++i) {
        texts[i] = reader.bytes(lengths[i]);
    }
    if (!reader.ok()) {
        return std::nullopt;
    }
    AsfContentDescription result;
    result.title = Utf16LeToUtf8(texts[0]);
    result.author = Utf16LeToUtf8(texts[1]);
    result.copyright = Utf16LeToUtf8(texts[2]);
    result.description = Utf16LeToUtf8(texts[3]);
    result.rating.assign(texts[4].begin(), texts[4].end());
    for (size_t i = 0; i < result.stored.size(); ++i) {
        result.stored[i].emplace(texts[i].begin(), texts[i].end());
    }
    return result;
}

std::optional<std::vector<uint8_t>> AsfContentDescription::Build() const {
    const std::string* utf8[4] = {&title, &author, &copyright, &description};
    std::vector<uint8_t> texts[5];
    for (size_t i = 0; i < 4; ++i) {
        texts[i] = stored[i] ? *stored[i] : ToAsfText(*utf8[i]);
    }
    texts[4] = rating;
    ByteWriter out;
    PutObjectHeader(out, asfguid::kContentDescription);
    for (const auto& text : texts) {
        if (text.size() > kMaxLength16) {
            return std::nullopt;
        }
        out.u16le(static_cast<uint16_t>(text.size()));
    }
    for (const auto& text : texts) {
        out.bytes(text);
    }
    return FinishObject(out);
}

AsfDescriptor AsfDescriptor::Text(std::string_view name, std::string_view text) {
    AsfDescriptor result;
    result.name = std::string(name);
    result.rawName = ToAsfText(name);
    result.type = kText;
    result.value = ToAsfText(text);
    return result;
}

std::optional<std::string> AsfDescriptor::AsText() const {
    ByteReader reader(value);
    switch (type) {
        case kText:
            return Utf16LeToUtf8(value);
        case kBytes: {
            auto end = std::find(value.begin(), value.end(), uint8_t{0});
            return SanitizeUtf8(std::string(value.begin(), end));
        }
        case kBool:
        case kDword: {
            uint32_t number = reader.u32le();
            return reader.ok() ? std::optional(std::to_string(number)) : std::nullopt;
        }
        case kQword: {
            uint64_t number = reader.u64le();
            return reader.ok() ? std::optional(std::to_string(number)) : std::nullopt;
        }
        case kWord: {
            uint16_t number = reader.u16le();
            return reader.ok() ? std::optional(std::to_string(number)) : std::nullopt;
        }
        default:
            return std::nullopt;
    }
}

std::optional<AsfExtendedContentDescription> AsfExtendedContentDescription::Parse(
    std::span<const uint8_t> body) {
    ByteReader reader(body);
    uint16_t count = reader.u16le();
    AsfExtendedContentDescription result;
    for (uint16_t i = 0; i < count && reader.ok(); ++i) {
        AsfDescriptor descriptor;
        std::span<const uint8_t> name = reader.bytes(reader.u16le());
        descriptor.type = reader.u16le();
        std::span<const uint8_t> value = reader.bytes(reader.u16le());
        if (!reader.ok()) {
            break;
        }
        descriptor.rawName.assign(name.begin(), name.end());
        descriptor.name = Utf16LeToUtf8(name);
        descriptor.value.assign(value.begin(), value.end());
        result.descriptors.push_back(std::move(descriptor));
    }
    if (!reader.ok()) {
        return std::nullopt;
    }
    return result;
}

std::optional<std::vector<uint8_t>> AsfExtendedContentDescription::Build() const {
    if (descriptors.size() > kMaxLength16) {
        return std::nullopt;
    }
    ByteWriter out;
    PutObjectHeader(out, asfguid::kExtendedContentDescription);
    out.u16le(static_cast<uint16_t>(descriptors.size()));
    for (const AsfDescriptor& descriptor : descriptors) {
        if (descriptor.rawName.size() > kMaxLength16 || descriptor.value.size() > kMaxLength16) {
            return std::nullopt;
        }
        out.u16le(static_cast<uint16_t>(descriptor.rawName.size()));
        out.bytes(descriptor.rawName);
        out.u16le(descriptor.type);
        out.u16le(static_cast<uint16_t>(descriptor.value.size()));
        out.bytes(descriptor.value);
    }
    return FinishObject(out);
}

std::optional<AsfMetadata> AsfMetadata::Parse(std::span<const uint8_t> body) {
    ByteReader reader(body);
    uint16_t count = reader.u16le();
    AsfMetadata result;
    // Every record takes at least 12 bytes, which bounds the loop by the body.
    for (uint16_t i = 0; i < count && reader.ok(); ++i) {
        AsfMetadataRecord record;
        record.language = reader.u16le();
        record.stream = reader.u16le();
        uint16_t nameLength = reader.u16le();
        record.descriptor.type = reader.u16le();
        uint32_t valueLength = reader.u32le();
        std::span<const uint8_t> name = reader.bytes(nameLength);
        std::span<const uint8_t> value = reader.bytes(valueLength);
        if (!reader.ok()) {
            break;
        }
        record.descriptor.rawName.assign(name.begin(), name.end());
        record.descriptor.name = Utf16LeToUtf8(name);
        record.descriptor.value.assign(value.begin(), value.end());
        result.records.push_back(std::move(record));
    }
    if (!reader.ok()) {
        return std::nullopt;
    }
    return result;
}

std::optional<std::vector<uint8_t>> AsfMetadata::Build(const std::array<uint8_t, 16>& guid) const {
    if (records.size() > kMaxLength16) {
        return std::nullopt;
    }
    ByteWriter out;
    PutObjectHeader(out, guid);
    out.u16le(static_cast<uint16_t>(records.size()));
    for (const AsfMetadataRecord& record : records) {
        const AsfDescriptor& descriptor = record.descriptor;
        if (descriptor.rawName.size() > kMaxLength16 || descriptor.value.size() > UINT32_MAX) {
            return std::nullopt;
        }
        out.u16le(record.language);
        out.u16le(record.stream);
        out.u16le(static_cast<uint16_t>(descriptor.rawName.size()));
        out.u16le(descriptor.type);
        out.u32le(static_cast<uint32_t>(descriptor.value.size()));
        out.bytes(descriptor.rawName);
        out.bytes(descriptor.value);
    }
    return FinishObject(out);
}

namespace {

// A UTF-16LE text up to its two-byte terminator, which is consumed; failure
// when there is none.
std::string ReadTerminatedUtf16(ByteReader& reader) {
    size_t start = reader.pos();
    while (reader.ok() && reader.u16le() != 0) {
    }
    if (!reader.ok()) {
        return {};
    }
    return Utf16LeToUtf8(reader.data().subspan(start, reader.pos() - start - 2));
}

}  // namespace

bool IsAsfPicture(const AsfDescriptor& descriptor) {
    return EqualsIgnoreCaseAscii(descriptor.name, kAsfPictureName);
}

std::optional<Picture> ParseAsfPicture(std::span<const uint8_t> value) {
    ByteReader reader(value);
    Picture picture;
    uint8_t type = reader.u8();
    picture.type = type < kPictureTypeCount ? type : kPictureOther;
    uint32_t length = reader.u32le();
    picture.mime = ReadTerminatedUtf16(reader);
    picture.description = ReadTerminatedUtf16(reader);
    if (!reader.ok() || length > kMaxPictureSize || !reader.has(length)) {
        return std::nullopt;
    }
    std::span<const uint8_t> data = reader.bytes(length);
    picture.data.assign(data.begin(), data.end());
    return picture;
}

AsfDescriptor AsfPictureDescriptor(const Picture& picture) {
    AsfDescriptor descriptor;
    descriptor.name = std::string(kAsfPictureName);
    descriptor.rawName = ToAsfText(kAsfPictureName);
    descriptor.type = AsfDescriptor::kBytes;
    ByteWriter out;
    out.u8(picture.type);
    out.u32le(static_cast<uint32_t>(picture.data.size()));
    // Both texts keep their terminator even when empty: readers look for it.
    out.bytes(Utf8ToUtf16Le(picture.mime));
    out.u16le(0);
    out.bytes(Utf8ToUtf16Le(picture.description));
    out.u16le(0);
    out.bytes(picture.data);
    descriptor.value = out.take();
    return descriptor;
}

std::optional<std::vector<AsfCodecEntry>> ParseAsfCodecList(std::span<const uint8_t> body) {
    ByteReader reader(body);
    reader.skip(16);  // reserved GUID
    uint32_t count = reader.u32le();
    std::vector<AsfCodecEntry> entries;
    // Each entry takes at least 8 bytes, which bounds the loop by the body.
    for (uint32_t i = 0; i < count && reader.ok(); ++i) {
        AsfCodecEntry entry;
        entry.type = reader.u16le();
        // Name and description lengths count UTF-16 characters.
        std::span<const uint8_t> name = reader.bytes(size_t{reader.u16le()} * 2);
        std::span<const uint8_t> description = reader.bytes(size_t{reader.u16le()} * 2);
        reader.skip(reader.u16le());
        if (!reader.ok()) {
            break;
        }
        entry.name = Utf16LeToUtf8(name);
        entry.description = Utf16LeToUtf8(description);
        entries.push_back(std::move(entry));
    }
    if (!reader.ok()) {
        return std::nullopt;
    }
    return entries;
}

std::optional<AsfFileProperties> AsfFileProperties::Parse(std::span<const uint8_t> body) {
    ByteReader reader(body);
    AsfFileProperties result;
    reader.skip(16);  // file id
    result.fileSize = reader.u64le();
    reader.skip(16);  // creation date, data packets
    result.playDuration = reader.u64le();
    reader.skip(8);  // send duration
    result.preroll = reader.u64le();
    reader.skip(12);  // flags, packet sizes
    result.maxBitrate = reader.u32le();
    if (!reader.ok()) {
        return std::nullopt;
    }
    return result;
}

double AsfFileProperties::LengthSeconds() const {
    double seconds = static_cast<double>(playDuration) / 1e7 - static_cast<double>(preroll) / 1e3;
    return seconds > 0 ? seconds : 0;
}

std::optional<AsfAudioFormat> AsfAudioFormat::Parse(std::span<const uint8_t> body) {
    ByteReader reader(body);
    AsfGuid type{};
    std::span<const uint8_t> raw = reader.bytes(type.size());
    if (raw.size() == type.size()) {
        std::copy(raw.begin(), raw.end(), type.begin());
    }
    reader.skip(16 + 8);  // error correction type, time offset
    uint32_t typeDataLength = reader.u32le();
    reader.skip(4 + 2 + 4);  // error correction data length, flags, reserved
    if (!reader.ok() || type != asfguid::kAudioMedia || typeDataLength < 12) {
        return std::nullopt;
    }
    AsfAudioFormat format;
    format.formatTag = reader.u16le();
    format.channels = reader.u16le();
    format.sampleRate = reader.u32le();
    format.bytesPerSecond = reader.u32le();
    if (!reader.ok()) {
        return std::nullopt;
    }
    return format;
}

}  // namespace songcore
