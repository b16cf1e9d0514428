#include "songcore/tags/wavpack/WavPackBlock.h"

#include <algorithm>
#include <array>

#include "songcore/util/ByteReader.h"

namespace songcore {

namespace {

constexpr uint32_t kFlagBytesPerSample = 0x3;
constexpr uint32_t kFlagMono = 0x4;
constexpr uint32_t kFlagHybrid = 0x8;
constexpr uint32_t kFlagFloat = 0x80;
constexpr uint32_t kShiftMask = 0x1F;
constexpr int kShiftLow = 13;
constexpr int kRateLow = 23;
constexpr uint32_t kRateMask = 0xF;
constexpr uint32_t kFlagDsd = 0x80000000u;

constexpr std::array<uint32_t, 15> kSampleRates = {6000,  8000,  9600,  11025, 12000,
                                                   16000, 22050, 24000, 32000, 44100,
                                                   48000, 64000, 88200, 96000, 192000};

// Sub-block ids (without the size flags).
constexpr uint8_t kIdMask = 0x3F;
constexpr uint8_t kIdLarge = 0x80;
constexpr uint8_t kIdOddSize = 0x40;
constexpr uint8_t kIdChannelInfo = 0x0D;
constexpr uint8_t kIdSampleRate = 0x27;

uint32_t LittleEndian(std::span<const uint8_t> bytes) {
    uint32_t value = 0;
    for (size_t i = 0; i < bytes.size() && i < 4; ++i) {
        value |= uint32_t{bytes[i]} << (8 * i);
    }
    return value;
}

}  // namespace

uint64_t WavPackBlock::BlockSize(std::span<const uint8_t> header) {
    ByteReader reader(header);
    if (!reader.peekMatches("wvpk")) {
        return 0;
    }
    reader.skip(4);
    uint32_t size = reader.u32le();
    return reader.ok() ? uint64_t{size} + 8 : 0;
}

std::optional<WavPackStream> WavPackBlock::ParseFirst(std::span<const uint8_t> block) {
    ByteReader reader(block);
    if (!reader.peekMatches("wvpk")) {
        return std::nullopt;
    }
    reader.skip(4);
    uint32_t blockSize = reader.u32le();
    WavPackStream stream;
    stream.version = reader.u16le();
    reader.u8();  // the block index's upper byte
    uint8_t totalHigh = reader.u8();
    uint32_t total = reader.u32le();
    reader.u32le();  // block index
    reader.u32le();  // samples in this block
    uint32_t flags = reader.u32le();
    reader.u32le();  // checksum
    if (!reader.ok() || stream.version < 0x402 || stream.version > 0x410) {
        return std::nullopt;
    }
    stream.dsd = (flags & kFlagDsd) != 0;
    stream.hybrid = (flags & kFlagHybrid) != 0;
    stream.floatingPoint = (flags & kFlagFloat) != 0;
    stream.channels = (flags & kFlagMono) ? 1 : 2;
    uint32_t bytesPerSample = (flags & kFlagBytesPerSample) + 1;
    uint32_t shift = (flags >> kShiftLow) & kShiftMask;
    stream.bitsPerSample =
        stream.dsd ? 1 : bytesPerSample * 8 - std::min(shift, bytesPerSample * 8 - 1);
    uint32_t rateIndex = (flags >> kRateLow) & kRateMask;
    if (rateIndex < kSampleRates.size()) {
        stream.sampleRate = kSampleRates[rateIndex];
    }
    // A 40-bit count whose upper byte counts in steps of 2^32 - 1, so that
    // the lower 32 bits are never all ones, which means "unknown".
    if (total != UINT32_MAX) {
        stream.totalSamples = (uint64_t{totalHigh} << 32) - totalHigh + total;
    }

    // Sub-blocks, up to the end of the block or of the bytes given: each
    // takes at least two bytes, so the walk ends.
    size_t end = std::min<uint64_t>(uint64_t{blockSize} + 8, block.size());
    while (reader.pos() + 2 <= end) {
        uint8_t id = reader.u8();
        size_t words = reader.u8();
        if (id & kIdLarge) {
            words |= size_t{reader.u8()} << 8 | size_t{reader.u8()} << 16;
        }
        size_t size = words * 2;
        if (!reader.ok() || size > end - reader.pos()) {
            break;
        }
        std::span<const uint8_t> data = reader.bytes(size);
        if (id & kIdOddSize && !data.empty()) {
            data = data.first(data.size() - 1);
        }
        switch (id & kIdMask) {
            case kIdSampleRate:
                if (data.size() >= 3) {
                    stream.sampleRate = LittleEndian(data.first(std::min<size_t>(data.size(), 4)));
                }
                break;
            case kIdChannelInfo:
                if (!data.empty() && data[0] > 0) {
                    stream.channels = data[0];
                }
                break;
            default:
                break;
        }
    }
    // A DSD stream's rate counts bytes of eight 1-bit samples.
    if (stream.dsd) {
        stream.sampleRate *= 8;
    }
    return stream;
}

}  // namespace songcore
