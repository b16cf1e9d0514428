#include "songcore/tags/TagExtents.h"

#include <vector>

#include "songcore/songfile/SongFile.h"
#include "songcore/tags/id3/Id3v1Tag.h"
#include "songcore/util/ByteReader.h"

namespace songcore {

uint64_t Id3v2TagLength(std::span<const uint8_t> header) {
    ByteReader reader(header);
    if (!reader.peekMatches("ID3")) {
        return 0;
    }
    reader.skip(3);
    uint8_t major = reader.u8();
    uint8_t revision = reader.u8();
    uint8_t flags = reader.u8();
    uint32_t size = reader.synchsafe32();
    if (!reader.ok() || major == 0xFF || revision == 0xFF) {
        return 0;
    }
    bool footer = major >= 4 && (flags & 0x10);
    return 10 + uint64_t{size} + (footer ? 10 : 0);
}

uint64_t ApeTagLength(std::span<const uint8_t> footer) {
    ByteReader reader(footer);
    if (!reader.peekMatches("APETAGEX")) {
        return 0;
    }
    reader.skip(8);
    reader.u32le();  // version
    uint32_t size = reader.u32le();
    reader.u32le();  // item count
    uint32_t flags = reader.u32le();
    if (!reader.ok() || size < 32 || (flags & 0x20000000)) {
        return 0;  // too small, or this is a header rather than a footer
    }
    bool hasHeader = flags & 0x80000000u;
    return uint64_t{size} + (hasHeader ? 32 : 0);
}

uint64_t TagExtents::audioEnd() const {
    uint64_t end = fileLength - id3v1Length;
    if (apeLength > 0) {
        end = apeOffset;
    }
    return end < id3v2Length ? id3v2Length : end;
}

bool FindTagExtents(CSongFile& file, TagExtents& extents) {
    extents = TagExtents{};
    uint64_t length = file.GetLength();
    if (length == CSongFile::kBadLength) {
        return false;
    }
    extents.fileLength = length;
    std::vector<uint8_t> block;
    if (length >= 10 && file.ReadExact(0, 10, block)) {
        uint64_t id3v2 = Id3v2TagLength(block);
        extents.id3v2Length = id3v2 <= length ? id3v2 : 0;
    }
    // Several ID3v1 tags may be stacked at the end; a bounded number is
    // enough to step over real files.
    uint64_t end = length;
    for (int i = 0; i < 16 && end >= extents.id3v2Length + Id3v1Tag::kSize; ++i) {
        if (!file.ReadExact(end - Id3v1Tag::kSize, Id3v1Tag::kSize, block) ||
            !Id3v1Tag::IsTag(block)) {
            break;
        }
        end -= Id3v1Tag::kSize;
    }
    extents.id3v1Length = length - end;
    if (end >= extents.id3v2Length + 32 && file.ReadExact(end - 32, 32, block)) {
        uint64_t ape = ApeTagLength(block);
        if (ape > 0 && ape <= end - extents.id3v2Length) {
            extents.apeLength = ape;
            extents.apeOffset = end - ape;
        }
    }
    return true;
}

}  // namespace songcore
