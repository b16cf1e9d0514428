#pragma once
// Raw AAC in ADTS framing (.aac): each frame starts with a 7-byte header
// (9 with its CRC) that gives the profile, the sampling rate, the channels
// and the frame's length. The stream's length is the frames' samples over
// the rate, so the frames are walked header to header.
// Reference: ISO/IEC 13818-7 (MPEG-2 AAC), the adts_fixed_header and
// adts_variable_header.

#include <cstdint>
#include <optional>
#include <span>

#include "songcore/util/ReadExact.h"

namespace songcore {

struct AdtsHeader {
    uint8_t profile = 0;  // 0 Main, 1 LC, 2 SSR, 3 LTP
    uint32_t sampleRate = 0;
    uint8_t channels = 0;      // 0: given in the stream itself
    uint32_t frameLength = 0;  // header included
    uint32_t samples = 0;      // 1024 per raw data block

    // The header at the start of bytes; none when they are not one.
    static std::optional<AdtsHeader> Parse(std::span<const uint8_t> bytes);
};

struct AdtsStream {
    AdtsHeader first;
    uint64_t frames = 0;
    uint64_t samples = 0;
    uint64_t bytes = 0;  // of the frames walked
    double LengthSeconds() const;
    uint32_t BitrateKbps() const;
};

// Walks the frames from the first header found within the first 64 KiB
// after begin up to end; a header that does not follow (damage, or a tag
// after the audio) ends the walk. None when no frame is found.
std::optional<AdtsStream> ScanAdts(const ReadExactFn& read, uint64_t begin, uint64_t end);

const char* AdtsProfileName(uint8_t profile);

}  // namespace songcore
