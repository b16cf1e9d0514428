#include "songcore/tags/asf/AsfHeader.h"

#include <algorithm>
#include <utility>

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

namespace {

// The header extension object: its header, a reserved GUID and 16-bit
// field, the length of its data, then objects laid out as the header's.
constexpr size_t kExtensionDataSizeOffset = AsfHeader::kObjectHeaderSize + 18;
constexpr size_t kExtensionDataOffset = kExtensionDataSizeOffset + 4;

// The padding object that takes up size changes.
struct PaddingPlace {
    size_t object = 0;            // index among the new header's objects
    std::optional<size_t> inner;  // its offset within that header extension object
    size_t size = 0;
};

bool IsGuid(std::span<const uint8_t> object, const AsfGuid& guid) {
    return object.size() >= guid.size() && std::equal(guid.begin(), guid.end(), object.begin());
}

// The first padding object among the new header's objects, else inside its
// header extension.
std::optional<PaddingPlace> FindPadding(const std::vector<std::span<const uint8_t>>& objects) {
    for (size_t i = 0; i < objects.size(); ++i) {
        if (IsGuid(objects[i], asfguid::kPadding)) {
            return PaddingPlace{i, std::nullopt, objects[i].size()};
        }
    }
    for (size_t i = 0; i < objects.size(); ++i) {
        if (!IsGuid(objects[i], asfguid::kHeaderExtension)) {
            continue;
        }
        if (auto inner = AsfHeader::ExtensionObjects(objects[i])) {
            for (auto [offset, size] : *inner) {
                if (IsGuid(objects[i].subspan(offset), asfguid::kPadding)) {
                    return PaddingPlace{i, offset, size};
                }
            }
        }
    }
    return std::nullopt;
}

void PutPadding(ByteWriter& out, size_t size) {
    if (size >= AsfHeader::kObjectHeaderSize) {
        out.bytes(asfguid::kPadding);
        out.u64le(size);
        out.zeros(size - AsfHeader::kObjectHeaderSize);
    }
}

}  // namespace

std::optional<std::vector<std::pair<size_t, size_t>>> AsfHeader::ExtensionObjects(
    std::span<const uint8_t> extension) {
    ByteReader reader(extension);
    reader.skip(kExtensionDataSizeOffset);
    uint32_t dataSize = reader.u32le();
    if (!reader.ok() || dataSize != extension.size() - kExtensionDataOffset) {
        return std::nullopt;
    }
    std::vector<std::pair<size_t, size_t>> objects;
    while (!reader.atEnd()) {
        size_t offset = reader.pos();
        reader.skip(16);
        uint64_t size = reader.u64le();
        if (!reader.ok() || size < kObjectHeaderSize ||
            size - kObjectHeaderSize > reader.remaining()) {
            return std::nullopt;
        }
        reader.skip(static_cast<size_t>(size) - kObjectHeaderSize);
        objects.emplace_back(offset, static_cast<size_t>(size));
    }
    return objects;
}

std::optional<std::vector<uint8_t>> AsfHeader::BuildExtension(
    std::span<const uint8_t> extension, const std::vector<std::span<const uint8_t>>& objects) {
    if (extension.size() < kExtensionDataOffset) {
        return std::nullopt;
    }
    ByteWriter out;
    out.bytes(extension.first(kExtensionDataOffset));
    for (std::span<const uint8_t> object : objects) {
        out.bytes(object);
    }
    if (out.size() - kExtensionDataOffset > UINT32_MAX) {
        return std::nullopt;
    }
    out.putU64le(16, out.size());
    out.putU32le(kExtensionDataSizeOffset,
                 static_cast<uint32_t>(out.size() - kExtensionDataOffset));
    return out.take();
}

std::optional<std::vector<uint8_t>> AsfHeader::Rebuild(
    std::span<const uint8_t> header, std::span<const uint8_t> newExtended,
    std::span<const uint8_t> newContent, uint64_t tailLength,
    std::span<const uint8_t> newExtension) const {
    if (!exact || header.size() != size) {
        return std::nullopt;
    }
    bool hadExtended = false, hadContent = false;
    for (const Object& object : objects) {
        hadExtended |= object.guid == asfguid::kExtendedContentDescription;
        hadContent |= object.guid == asfguid::kContentDescription;
    }
    // The objects of the new header, in their order.
    std::vector<std::span<const uint8_t>> pieces;
    auto add = [&pieces](std::span<const uint8_t> bytes) {
        if (!bytes.empty()) {
            pieces.push_back(bytes);
        }
    };
    if (!hadExtended) {
        add(newExtended);
    }
    if (!hadContent) {
        add(newContent);
    }
    bool placedExtended = false, placedContent = false, placedExtension = false;
    for (const Object& object : objects) {
        std::span<const uint8_t> bytes = header.subspan(object.offset, object.size);
        if (object.guid == asfguid::kExtendedContentDescription) {
            if (!std::exchange(placedExtended, true)) {
                add(newExtended);
            }
        } else if (object.guid == asfguid::kContentDescription) {
            if (!std::exchange(placedContent, true)) {
                add(newContent);
            }
        } else if (object.guid == asfguid::kHeaderExtension && !newExtension.empty() &&
                   !std::exchange(placedExtension, true)) {
            add(newExtension);
        } else {
            add(bytes);
        }
    }
    std::optional<PaddingPlace> padding = FindPadding(pieces);

    // The header with the padding at paddingSize bytes (0: left out).
    auto assemble = [&](size_t paddingSize) -> std::optional<std::vector<uint8_t>> {
        ByteWriter out;
        out.bytes(header.first(kPreambleSize));
        uint64_t count = 0;
        std::optional<size_t> fileProperties;
        for (size_t i = 0; i < pieces.size(); ++i) {
            std::span<const uint8_t> bytes = pieces[i];
            if (IsGuid(bytes, asfguid::kFileProperties) && bytes.size() >= kFileSizeOffset + 8) {
                fileProperties = out.size();
            }
            if (!padding || padding->object != i || paddingSize == padding->size) {
                out.bytes(bytes);
                ++count;
            } else if (!padding->inner) {
                if (paddingSize > 0) {
                    PutPadding(out, paddingSize);
                    ++count;
                }
            } else {
                // The header extension with its padding resized.
                ByteWriter resized;
                PutPadding(resized, paddingSize);
                std::vector<std::span<const uint8_t>> inner;
                // Found there by FindPadding, so the objects do fill it.
                std::vector<std::pair<size_t, size_t>> held =
                    ExtensionObjects(bytes).value_or(std::vector<std::pair<size_t, size_t>>{});
                for (auto [offset, size] : held) {
                    inner.push_back(offset == *padding->inner ? std::span(resized.buffer())
                                                              : bytes.subspan(offset, size));
                }
                std::optional<std::vector<uint8_t>> extension = BuildExtension(bytes, inner);
                if (!extension) {
                    return std::nullopt;
                }
                out.bytes(*extension);
                ++count;
            }
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
    };

    if (!padding) {
        return assemble(0);
    }
    std::optional<std::vector<uint8_t>> built = assemble(padding->size);
    if (!built || built->size() == size) {
        return built;
    }
    // The padding the header keeps its size with; it may also go entirely.
    int64_t fitting = static_cast<int64_t>(padding->size) + static_cast<int64_t>(size) -
                      static_cast<int64_t>(built->size());
    if (fitting == 0 || fitting >= static_cast<int64_t>(kObjectHeaderSize)) {
        return assemble(static_cast<size_t>(fitting));
    }
    return assemble(kGrowthPadding);
}

}  // namespace songcore
