#pragma once
// The header of a DSF file (Sony's DSD stream file): the "DSD " chunk with
// the file's length and the offset of the metadata (an ID3v2 tag that runs
// to the end of the file, 0 for none), the "fmt " chunk, and the header of
// the "data" chunk. Every length is a 64-bit little-endian number.

#include <array>
#include <cstdint>
#include <optional>

#include "songcore/util/ReadExact.h"

namespace songcore {

struct DsfHeader {
    static constexpr uint64_t kDsdChunkSize = 28;
    // Where the file's length and the metadata offset lie, one after the
    // other, in the "DSD " chunk.
    static constexpr uint64_t kTotalSizeOffset = 12;

    uint64_t totalSize = 0;
    uint64_t metadataOffset = 0;
    uint32_t formatId = 0;  // 0: DSD raw
    uint32_t channels = 0;
    uint32_t sampleRate = 0;
    uint32_t bitsPerSample = 0;  // 1 or 8
    uint64_t sampleCount = 0;    // per channel
    uint64_t dataOffset = 0;     // of the data chunk's header
    uint64_t dataSize = 0;       // of the data chunk, its header included
    // Where the audio ends: no tag may start before.
    uint64_t audioEnd() const { return dataOffset + dataSize; }

    // Reads the three chunk headers of a file of fileLength bytes; nothing
    // when they are not there or do not fit in the file.
    static std::optional<DsfHeader> Read(const ReadExactFn& read, uint64_t fileLength);
    // The 16 bytes at kTotalSizeOffset for a file of the length and
    // metadata offset given.
    static std::array<uint8_t, 16> SizeFields(uint64_t totalSize, uint64_t metadataOffset);
};

}  // namespace songcore
