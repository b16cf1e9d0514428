#include "songcore/tags/mkv/MatroskaAudio.h"

#include <cmath>
#include <string_view>

#include "songcore/tags/mkv/Ebml.h"

namespace songcore {

namespace {

constexpr uint64_t kAudioTrack = 2;

}  // namespace

void MatroskaAudio::ReadInfo(std::span<const uint8_t> body) {
    uint64_t scale = 1000000;  // nanoseconds per unit, by default a millisecond
    double duration = 0;
    for (const EbmlElement& child : EbmlChildren(body)) {
        std::span<const uint8_t> value = EbmlBody(body, 0, child);
        if (child.id == ebml::kTimestampScale) {
            scale = EbmlUnsigned(value).value_or(scale);
        } else if (child.id == ebml::kDuration) {
            duration = EbmlFloat(value).value_or(0);
        } else if (child.id == ebml::kTitle) {
            title = EbmlString(value);
        }
    }
    seconds = duration * static_cast<double>(scale) / 1e9;
    // A length no song has (over 30 years) is damage, and would overflow
    // the numbers it is shown in.
    if (!std::isfinite(seconds) || seconds < 0 || seconds > 1e9) {
        seconds = 0;
    }
}

bool MatroskaAudio::ReadTracks(std::span<const uint8_t> body) {
    for (const EbmlElement& entry : EbmlChildren(body)) {
        if (entry.id != ebml::kTrackEntry) {
            continue;
        }
        std::span<const uint8_t> entryBody = EbmlBody(body, 0, entry);
        MatroskaAudio track;
        uint64_t type = 0;
        for (const EbmlElement& child : EbmlChildren(entryBody)) {
            std::span<const uint8_t> value = EbmlBody(entryBody, 0, child);
            if (child.id == ebml::kTrackType) {
                type = EbmlUnsigned(value).value_or(0);
            } else if (child.id == ebml::kCodecId) {
                track.codecId = EbmlString(value);
            } else if (child.id == ebml::kAudio) {
                track.sampleRate = 8000;  // the defaults of an Audio element
                track.channels = 1;
                double output = 0;
                for (const EbmlElement& field : EbmlChildren(value)) {
                    std::span<const uint8_t> number = EbmlBody(value, 0, field);
                    if (field.id == ebml::kSamplingFrequency) {
                        track.sampleRate = EbmlFloat(number).value_or(track.sampleRate);
                    } else if (field.id == ebml::kOutputSamplingFrequency) {
                        output = EbmlFloat(number).value_or(0);
                    } else if (field.id == ebml::kChannels) {
                        track.channels = EbmlUnsigned(number).value_or(1);
                    } else if (field.id == ebml::kBitDepth) {
                        track.bitDepth = EbmlUnsigned(number).value_or(0);
                    }
                }
                // HE-AAC's rate as heard, not its core rate.
                if (output > 0) {
                    track.sampleRate = output;
                }
            }
        }
        if (type == kAudioTrack) {
            codecId = track.codecId;
            sampleRate =
                std::isfinite(track.sampleRate) && track.sampleRate > 0 && track.sampleRate < 1e7
                    ? track.sampleRate
                    : 0;
            channels = track.channels;
            bitDepth = track.bitDepth;
            hasTrack = true;
            return true;
        }
    }
    return false;
}

std::string MatroskaAudio::CodecName() const {
    static constexpr std::pair<std::string_view, std::string_view> kNames[] = {
        {"A_OPUS", "Opus"},       {"A_VORBIS", "Vorbis"}, {"A_FLAC", "FLAC"},
        {"A_AAC", "AAC"},         {"A_MPEG/L3", "MP3"},   {"A_MPEG/L2", "MPEG Layer 2"},
        {"A_PCM", "PCM"},         {"A_ALAC", "ALAC"},     {"A_AC3", "AC-3"},
        {"A_EAC3", "E-AC-3"},     {"A_DTS", "DTS"},       {"A_TRUEHD", "TrueHD"},
        {"A_WAVPACK4", "WavPack"}};
    for (const auto& [prefix, name] : kNames) {
        if (std::string_view(codecId).starts_with(prefix)) {
            return std::string(name);
        }
    }
    return codecId;
}

}  // namespace songcore
