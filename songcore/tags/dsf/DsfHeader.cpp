#include "songcore/tags/dsf/DsfHeader.h"

#include <algorithm>

#include "songcore/util/ByteReader.h"
#include "songcore/util/ByteWriter.h"

namespace songcore {

namespace {

// The fmt chunk is 52 bytes in every version of the format; more than this
// is not a DSF file.
constexpr uint64_t kMaxFormatChunk = 4096;
constexpr uint64_t kChunkHeader = 12;

}  // namespace

std::optional<DsfHeader> DsfHeader::Read(const ReadExactFn& read, uint64_t fileLength) {
    std::vector<uint8_t> bytes;
    if (fileLength < kDsdChunkSize + kChunkHeader ||
        !read(0, kDsdChunkSize + kChunkHeader, bytes)) {
        return std::nullopt;
    }
    ByteReader dsd(bytes);
    DsfHeader header;
    if (dsd.fourcc() != "DSD " || dsd.u64le() != kDsdChunkSize) {
        return std::nullopt;
    }
    header.totalSize = dsd.u64le();
    header.metadataOffset = dsd.u64le();
    std::string fmtId = dsd.fourcc();
    uint64_t fmtSize = dsd.u64le();
    if (!dsd.ok() || fmtId != "fmt " || fmtSize < kChunkHeader + 40 || fmtSize > kMaxFormatChunk ||
        fileLength - kDsdChunkSize < fmtSize + kChunkHeader ||
        // the fmt chunk's body and the data chunk's header
        !read(kDsdChunkSize + kChunkHeader, fmtSize, bytes)) {
        return std::nullopt;
    }
    ByteReader fmt(bytes);
    fmt.u32le();  // format version
    header.formatId = fmt.u32le();
    fmt.u32le();  // channel layout
    header.channels = fmt.u32le();
    header.sampleRate = fmt.u32le();
    header.bitsPerSample = fmt.u32le();
    header.sampleCount = fmt.u64le();
    // The data chunk's header follows the fmt chunk's body.
    fmt.seek(static_cast<size_t>(fmtSize - kChunkHeader));
    std::string dataId = fmt.fourcc();
    header.dataSize = fmt.u64le();
    header.dataOffset = kDsdChunkSize + fmtSize;
    if (!fmt.ok() || dataId != "data" || header.dataSize < kChunkHeader ||
        header.dataSize > fileLength - header.dataOffset) {
        return std::nullopt;
    }
    return header;
}

std::array<uint8_t, 16> DsfHeader::SizeFields(uint64_t totalSize, uint64_t metadataOffset) {
    ByteWriter writer;
    writer.u64le(totalSize);
    writer.u64le(metadataOffset);
    std::array<uint8_t, 16> fields{};
    std::copy(writer.buffer().begin(), writer.buffer().end(), fields.begin());
    return fields;
}

}  // namespace songcore
