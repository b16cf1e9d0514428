#include "songcore/tags/iff/IffAudio.h"

#include <cstdio>

#include "songcore/util/ByteReader.h"

namespace songcore {

namespace {

constexpr uint16_t kFormatPcm = 0x0001;
constexpr uint16_t kFormatFloat = 0x0003;
constexpr uint16_t kFormatALaw = 0x0006;
constexpr uint16_t kFormatMuLaw = 0x0007;
constexpr uint16_t kFormatExtensible = 0xFFFE;

std::string WaveCodecName(uint16_t format) {
    switch (format) {
        case kFormatPcm:
            return "PCM";
        case kFormatFloat:
            return "IEEE float";
        case kFormatALaw:
            return "A-law";
        case kFormatMuLaw:
            return "mu-law";
        default: {
            char name[24];
            std::snprintf(name, sizeof name, "format 0x%04X", format);
            return name;
        }
    }
}

}  // namespace

double IffAudio::Seconds(uint64_t dataSize) const {
    if (totalSamples > 0 && sampleRate > 0) {
        return static_cast<double>(totalSamples) / sampleRate;
    }
    return bytesPerSecond > 0 ? static_cast<double>(dataSize) / bytesPerSecond : 0.0;
}

std::optional<IffAudio> ParseWaveFormat(std::span<const uint8_t> fmt, uint64_t dataSize) {
    ByteReader reader(fmt);
    uint16_t format = reader.u16le();
    IffAudio audio;
    audio.channels = reader.u16le();
    audio.sampleRate = reader.u32le();
    audio.bytesPerSecond = reader.u32le();
    uint16_t blockAlign = reader.u16le();
    audio.bitsPerSample = reader.u16le();
    if (!reader.ok() || audio.channels == 0 || audio.sampleRate == 0) {
        return std::nullopt;
    }
    if (format == kFormatExtensible) {
        // cbSize, valid bits, channel mask, then the sub-format GUID, whose
        // first two bytes are the format number.
        reader.u16le();
        reader.u16le();
        reader.u32le();
        uint16_t subFormat = reader.u16le();
        format = reader.ok() ? subFormat : 0;
    }
    audio.codec = WaveCodecName(format);
    bool uncompressed = format == kFormatPcm || format == kFormatFloat;
    if (!uncompressed && format != kFormatALaw && format != kFormatMuLaw) {
        audio.bitsPerSample = 0;
    } else if (blockAlign > 0) {
        audio.totalSamples = dataSize / blockAlign;
    }
    return audio;
}

std::optional<IffAudio> ParseAiffCommon(std::span<const uint8_t> comm, bool aifc) {
    ByteReader reader(comm);
    IffAudio audio;
    audio.channels = reader.u16be();
    audio.totalSamples = reader.u32be();
    audio.bitsPerSample = reader.u16be();
    std::span<const uint8_t> rate = reader.bytes(10);
    if (!reader.ok()) {
        return std::nullopt;
    }
    audio.sampleRate = ExtendedToInteger(rate);
    if (audio.channels == 0 || audio.sampleRate == 0) {
        return std::nullopt;
    }
    audio.codec = "PCM";
    if (aifc) {
        std::string compression = reader.fourcc();
        if (reader.ok() && compression != "NONE" && compression != "twos" &&
            compression != "sowt") {
            audio.codec =
                compression == "fl32" || compression == "fl64" ? "IEEE float" : compression;
        }
    }
    uint64_t bytesPerFrame = uint64_t{audio.channels} * ((audio.bitsPerSample + 7) / 8);
    uint64_t byteRate = bytesPerFrame * audio.sampleRate;
    audio.bytesPerSecond = byteRate > UINT32_MAX ? 0 : static_cast<uint32_t>(byteRate);
    return audio;
}

uint32_t ExtendedToInteger(std::span<const uint8_t> bytes) {
    ByteReader reader(bytes);
    uint16_t signAndExponent = reader.u16be();
    uint64_t mantissa = reader.u64be();
    if (!reader.ok() || (signAndExponent & 0x8000) || mantissa == 0) {
        return 0;
    }
    // value = mantissa * 2^(exponent - 16383 - 63)
    int shift = static_cast<int>(signAndExponent & 0x7FFF) - 16383 - 63;
    if (shift > -32) {
        return 0;  // 2^32 or more
    }
    if (shift <= -64) {
        return 0;  // below 1
    }
    return static_cast<uint32_t>(mantissa >> -shift);
}

}  // namespace songcore
