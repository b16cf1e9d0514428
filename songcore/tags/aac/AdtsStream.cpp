#include "songcore/tags/aac/AdtsStream.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "songcore/util/ByteReader.h"

namespace songcore {
namespace {

constexpr uint32_t kSampleRates[] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                     22050, 16000, 12000, 11025, 8000,  7350};
constexpr size_t kHeaderSize = 7;
constexpr uint64_t kSearchSpan = 64 * 1024;

// Two frames in a row with the same fixed header make a stream; one alone
// may be chance bytes in front of it.
bool SameStream(const AdtsHeader& a, const AdtsHeader& b) {
    return a.profile == b.profile && a.sampleRate == b.sampleRate && a.channels == b.channels;
}

}  // namespace

std::optional<AdtsHeader> AdtsHeader::Parse(std::span<const uint8_t> bytes) {
    ByteReader reader(bytes);
    const uint16_t sync = reader.u16be();
    const uint8_t b2 = reader.u8();
    const uint8_t b3 = reader.u8();
    const uint8_t b4 = reader.u8();
    const uint8_t b5 = reader.u8();
    const uint8_t b6 = reader.u8();
    // Sync word, and layer 0.
    if (!reader.ok() || (sync & 0xFFF6) != 0xFFF0) {
        return std::nullopt;
    }
    const bool crc = (sync & 0x0001) == 0;
    AdtsHeader header;
    header.profile = b2 >> 6;
    const uint8_t rateIndex = (b2 >> 2) & 0x0F;
    if (rateIndex >= std::size(kSampleRates)) {
        return std::nullopt;
    }
    header.sampleRate = kSampleRates[rateIndex];
    header.channels = static_cast<uint8_t>(((b2 & 0x01) << 2) | (b3 >> 6));
    header.frameLength = (uint32_t{b3 & 0x03u} << 11) | (uint32_t{b4} << 3) | (b5 >> 5);
    header.samples = 1024 * ((b6 & 0x03u) + 1);
    if (header.frameLength < kHeaderSize + (crc ? 2 : 0)) {
        return std::nullopt;
    }
    return header;
}

double AdtsStream::LengthSeconds() const {
    return first.sampleRate == 0 ? 0 : static_cast<double>(samples) / first.sampleRate;
}

uint32_t AdtsStream::BitrateKbps() const {
    const double seconds = LengthSeconds();
    return seconds <= 0
               ? 0
               : static_cast<uint32_t>(static_cast<double>(bytes) * 8 / seconds / 1000 + 0.5);
}

std::optional<AdtsStream> ScanAdts(const ReadExactFn& read, uint64_t begin, uint64_t end) {
    if (end <= begin) {
        return std::nullopt;
    }
    // The first frame: a header whose next frame starts with one too (or
    // that ends the stream).
    std::vector<uint8_t> block;
    const uint64_t span = std::min(end - begin, kSearchSpan + kHeaderSize);
    if (!read(begin, static_cast<size_t>(span), block)) {
        return std::nullopt;
    }
    std::optional<uint64_t> start;
    std::optional<AdtsHeader> first;
    std::vector<uint8_t> next;
    for (size_t at = 0; at + kHeaderSize <= block.size() && !start; ++at) {
        first = AdtsHeader::Parse(std::span(block).subspan(at));
        if (!first) {
            continue;
        }
        const uint64_t following = begin + at + first->frameLength;
        if (following == end ||
            (following + kHeaderSize <= end && read(following, kHeaderSize, next) &&
             AdtsHeader::Parse(next) && SameStream(*AdtsHeader::Parse(next), *first))) {
            start = begin + at;
        }
    }
    if (!start) {
        return std::nullopt;
    }
    AdtsStream stream;
    stream.first = *first;
    // Each step moves on by at least a header's length, so the walk ends.
    for (uint64_t at = *start; at + kHeaderSize <= end;) {
        std::optional<AdtsHeader> header;
        if (!read(at, kHeaderSize, next) || !(header = AdtsHeader::Parse(next)) ||
            !SameStream(*header, stream.first) || header->frameLength > end - at) {
            break;
        }
        ++stream.frames;
        stream.samples += header->samples;
        stream.bytes += header->frameLength;
        at += header->frameLength;
    }
    return stream;
}

const char* AdtsProfileName(uint8_t profile) {
    switch (profile) {
        case 0:
            return "AAC Main";
        case 1:
            return "AAC LC";
        case 2:
            return "AAC SSR";
        default:
            return "AAC LTP";
    }
}

}  // namespace songcore
