#pragma once
// The header of a WavPack block ("wvpk", 32 bytes) and the metadata
// sub-blocks after it that describe the stream: a sample rate outside the
// header's table, and the channel count of a stream of more than two.

#include <cstdint>
#include <optional>
#include <span>

namespace songcore {

struct WavPackStream {
    uint32_t sampleRate = 0;  // 0 when neither the table nor a sub-block gives it
    uint32_t channels = 0;
    uint32_t bitsPerSample = 0;
    bool floatingPoint = false;
    bool hybrid = false;  // lossy, or lossy with a correction file
    bool dsd = false;
    // Samples per channel of the whole stream; nothing when the encoder did
    // not know it.
    std::optional<uint64_t> totalSamples;
    uint16_t version = 0;
};

struct WavPackBlock {
    static constexpr size_t kHeaderSize = 32;
    // The block's length in all, as its header gives it.
    static uint64_t BlockSize(std::span<const uint8_t> header);

    // Parses the first block of a stream (header and sub-blocks, as many of
    // them as block holds); nothing when it is not a WavPack block.
    static std::optional<WavPackStream> ParseFirst(std::span<const uint8_t> block);
};

}  // namespace songcore
