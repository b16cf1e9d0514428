#pragma once
// The audio description of WAV and AIFF files, parsed from the bodies of
// their format chunks: WAV's "fmt " (PCM, IEEE float, WAVE_FORMAT_EXTENSIBLE
// and the compressed formats by number) and AIFF's "COMM", whose sample rate
// is an 80-bit extended number.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace songcore {

struct IffAudio {
    std::string codec;  // "PCM", "IEEE float", "format 0x0055", "ulaw", ...
    uint32_t channels = 0;
    uint32_t sampleRate = 0;
    uint32_t bitsPerSample = 0;  // 0 for compressed audio
    uint64_t totalSamples = 0;   // per channel; 0 when unknown
    uint32_t bytesPerSecond = 0;
    // The length in seconds: from the samples, or from the data's length and
    // the byte rate when the samples are unknown.
    double Seconds(uint64_t dataSize) const;
};

// dataSize is the length of the "data" chunk's body; nothing when the chunk
// is too short or names no channels or rate.
std::optional<IffAudio> ParseWaveFormat(std::span<const uint8_t> fmt, uint64_t dataSize);
// aifc: the form is AIFF-C, whose COMM also names the compression.
std::optional<IffAudio> ParseAiffCommon(std::span<const uint8_t> comm, bool aifc);

// The 80-bit IEEE 754 extended number, as a whole number; 0 for a negative,
// out of range (above 2^32) or malformed value.
uint32_t ExtendedToInteger(std::span<const uint8_t> bytes);

}  // namespace songcore
