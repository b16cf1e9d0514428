#pragma once
// The audio of a song file, decoded by FFmpeg's libraries and handed on as
// interleaved 32-bit float samples at the file's own rate and channels, one
// decoded frame at a time: memory stays the same whatever the song's length.

#include <cstddef>
#include <string>

namespace songcore {

class AudioSink {
public:
    virtual ~AudioSink() = default;
    // Before the first samples; false ends the decoding, with why.
    virtual bool Begin(int channels, int sampleRate, std::string& why) = 0;
    // frames frames of channels samples each; false ends the decoding (a
    // cancel), with why.
    virtual bool Add(const float* samples, size_t frames, std::string& why) = 0;
};

// Decodes the best audio stream of the local file at path into sink. Empty
// when the whole stream was decoded, else what failed (the caller names the
// file). Only the local file is read: no other protocol of the libraries.
std::string DecodeAudio(const std::string& path, AudioSink& sink);

}  // namespace songcore
