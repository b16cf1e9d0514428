#include "songcore/online/Fingerprint.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "songcore/loudness/AudioDecoder.h"
#include "songcore/online/ChromaprintLibrary.h"

namespace songcore {

namespace {

// What AcoustID's own tool takes of a song.
constexpr int kSecondsTaken = 120;

// Feeds the first two minutes to Chromaprint as 16-bit samples and counts
// every frame for the length.
class FingerprintSink : public AudioSink {
public:
    FingerprintSink(const ChromaprintLibrary& library, ChromaprintContext* context)
        : library_(library), context_(context) {}

    bool Begin(int channels, int sampleRate, std::string& why) override {
        channels_ = channels;
        rate_ = sampleRate;
        if (library_.start(context_, sampleRate, channels) != 1) {
            why = "the fingerprinter does not take this audio";
            return false;
        }
        return true;
    }

    bool Add(const float* samples, size_t frames, std::string& why) override {
        const uint64_t limit = static_cast<uint64_t>(rate_) * kSecondsTaken;
        const size_t fed =
            frames_ < limit ? static_cast<size_t>(std::min<uint64_t>(frames, limit - frames_)) : 0;
        frames_ += frames;
        if (fed == 0) {
            return true;
        }
        buffer_.resize(fed * static_cast<size_t>(channels_));
        // The inverse of the decoder's scaling, so that 16-bit audio comes
        // back as the very samples fpcalc feeds.
        for (size_t i = 0; i < buffer_.size(); ++i) {
            const long sample = std::lrint(samples[i] * 32768.0f);
            buffer_[i] = static_cast<int16_t>(std::clamp(sample, -32768L, 32767L));
        }
        if (library_.feed(context_, buffer_.data(), static_cast<int>(buffer_.size())) != 1) {
            why = "the fingerprinter failed";
            return false;
        }
        return true;
    }

    int Seconds() const {
        return rate_ > 0 ? static_cast<int>(frames_ / static_cast<uint64_t>(rate_)) : 0;
    }

private:
    const ChromaprintLibrary& library_;
    ChromaprintContext* context_;
    int channels_ = 0;
    int rate_ = 0;
    uint64_t frames_ = 0;
    std::vector<int16_t> buffer_;
};

}  // namespace

std::string MakeFingerprint(const std::string& path, Fingerprint& out) {
    std::string error;
    const ChromaprintLibrary* library = ChromaprintLibrary::Get(&error);
    if (library == nullptr) {
        return "cannot load Chromaprint: " + error;
    }
    auto release = [library](ChromaprintContext* context) { library->destroy(context); };
    std::unique_ptr<ChromaprintContext, decltype(release)> context(
        library->create(CHROMAPRINT_ALGORITHM_DEFAULT), release);
    if (!context) {
        return "cannot start the fingerprinter";
    }
    FingerprintSink sink(*library, context.get());
    if (std::string why = DecodeAudio(path, sink); !why.empty()) {
        return why;
    }
    if (library->finish(context.get()) != 1) {
        return "the fingerprinter failed";
    }
    auto dealloc = [library](void* memory) { library->dealloc(memory); };
    char* text = nullptr;
    if (library->fingerprint(context.get(), &text) != 1 || text == nullptr) {
        return "the song is too short for a fingerprint";
    }
    std::unique_ptr<char, decltype(dealloc)> compressed(text, dealloc);
    uint32_t* values = nullptr;
    int size = 0;
    if (library->rawFingerprint(context.get(), &values, &size) != 1 || values == nullptr) {
        return "the song is too short for a fingerprint";
    }
    std::unique_ptr<uint32_t, decltype(dealloc)> raw(values, dealloc);
    out.seconds = sink.Seconds();
    out.compressed = compressed.get();
    out.raw.assign(values, values + std::max(size, 0));
    return {};
}

}  // namespace songcore
