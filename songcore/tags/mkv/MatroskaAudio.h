#pragma once
// The stream properties of a Matroska file: the length from the Info
// element, the codec and format of its first audio track from Tracks.

#include <cstdint>
#include <span>
#include <string>

namespace songcore {

struct MatroskaAudio {
    std::string title;  // the Info's Title: the file's own name for itself
    double seconds = 0;
    bool hasTrack = false;
    std::string codecId;  // "A_OPUS"
    double sampleRate = 0;
    uint64_t channels = 0;
    uint64_t bitDepth = 0;  // 0 when the track does not say

    // From an Info body: the title and the length (Duration in units of
    // the TimestampScale).
    void ReadInfo(std::span<const uint8_t> body);
    // From a Tracks body: the first audio track; false when there is none.
    bool ReadTracks(std::span<const uint8_t> body);
    // "Opus", "Vorbis", "FLAC", ...; the codec id itself when unknown.
    std::string CodecName() const;
};

}  // namespace songcore
