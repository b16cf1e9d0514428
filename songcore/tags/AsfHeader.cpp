#include "songcore/tags/AsfHeader.h"

#include <algorithm>

#include "songcore/util/ByteReader.h"
#include "songcore/util/ByteWriter.h"

namespace songcore {
namespace {

AsfGuid ReadGuid(ByteReader& reader) {
    AsfGuid guid{};
    std::span<const uint8_t> raw = reader.bytes(guid.size());
    if (raw.size() == guid.size()) {
        std::copy(raw.begin(), raw.end(), guid.begin());
    }
    return guid;
}

// Where the file size lies in a file properties object: after the object
// header and the file id.
constexpr size_t kFileSizeOffset = AsfHeader::kObjectHeaderSize + 16;

}  // namespace

std::optional<uint64_t> AsfHeader::ParseSize(std::span<const uint8_t> preamble) {
    ByteReader reader(preamble);
    AsfGuid guid = ReadGuid(reader);
    uint64_t size = reader.u64le();
    if (!reader.ok() || guid != asfguid::kHeader || size < kPreambleSize) {
        return std::nullopt;
    }
    return size;
}

std::optional<AsfHeader> AsfHeader::Parse(std::span<const uint8_t> header) {
    ByteReader reader(header);
    std::optional<uint64_t> size = ParseSize(header);
    if (!size || *size != header.size()) {
        return std::nullopt;
    }
    AsfHeader result;
    result.size = *size;
    reader.skip(24);
    result.count = reader.u32le();
    reader.skip(2);
    if (!reader.ok()) {
        return std::nullopt;
    }
    // Every object takes at least its own header, so the walk ends within
    // the buffer whatever the count says.
    while (result.objects.size() < result.count && reader.has(kObjectHeaderSize)) {
        Object object;
        object.offset = reader.pos();
        object.guid = ReadGuid(reader);
        uint64_t objectSize = reader.u64le();
        if (objectSize < kObjectHeaderSize || objectSize - kObjectHeaderSize > reader.remaining()) {
            return std::nullopt;
        }
        object.size = static_cast<size_t>(objectSize);
        reader.skip(object.size - kObjectHeaderSize);
        result.objects.push_back(object);
    }
    result.exact = result.objects.size() == result.count && reader.atEnd();
    return result;
}

std::optional<std::vector<uint8_t>> AsfHeader::Rebuild(std::span<const uint8_t> header,
                                                       std::span<const uint8_t> newExtended,
                                                       std::span<const uint8_t> newContent,
                                                       uint64_t tailLength) const {
    if (!exact || header.size() != size) {
        return std::nullopt;
    }
    ByteWriter out;
    out.bytes(header.first(kPreambleSize));
    uint64_t count = 0;
    std::optional<size_t> fileProperties;
    for (std::span<const uint8_t> added : {newExtended, newContent}) {
        if (!added.empty()) {
            out.bytes(added);
            ++count;
        }
    }
    for (const Object& object : objects) {
        if (object.guid == asfguid::kContentDescription ||
            object.guid == asfguid::kExtendedContentDescription) {
            continue;
        }
        if (object.guid == asfguid::kFileProperties && object.size >= kFileSizeOffset + 8) {
            fileProperties = out.size();
        }
        out.bytes(header.subspan(object.offset, object.size));
        ++count;
    }
    if (count > UINT32_MAX) {
        return std::nullopt;
    }
    out.putU64le(16, out.size());
    out.putU32le(24, static_cast<uint32_t>(count));
    if (fileProperties) {
        // Readers check the file size against the real one.
        out.putU64le(*fileProperties + kFileSizeOffset, out.size() + tailLength);
    }
    return out.take();
}

}  // namespace songcore
