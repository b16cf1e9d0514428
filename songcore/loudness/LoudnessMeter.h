#pragma once
// One song's loudness, measured as EBU R 128 asks (gated integrated
// loudness, loudness range) with its sample or true peak. The meter keeps
// the energy of each 100 ms block, not the audio: some 40 bytes a block, a
// few hundred kilobytes for an hour. Its histogram mode would keep less but
// rounds the loudness to its bins, so that the values would no longer agree
// with the other ReplayGain 2.0 scanners. The meter stays alive after the
// song so that an album's loudness can be measured over its songs' meters.

#include <memory>
#include <span>
#include <string>

#include "songcore/loudness/AudioDecoder.h"

namespace songcore {

enum class PeakKind { kTrue, kSample };

struct Loudness {
    double integrated = 0;  // LUFS; -infinity for silence
    double peak = 0;        // linear, 1.0 = full scale
    double range = 0;       // LU
};

class LoudnessMeter : public AudioSink {
public:
    explicit LoudnessMeter(PeakKind peak) : peakKind_(peak) {}
    ~LoudnessMeter() override;
    LoudnessMeter(const LoudnessMeter&) = delete;
    LoudnessMeter& operator=(const LoudnessMeter&) = delete;

    bool Begin(int channels, int sampleRate, std::string& why) override;
    bool Add(const float* samples, size_t frames, std::string& why) override;

    // Ends the song: its figures are taken, and the meter lets go of the
    // audio it keeps for its windows (a few megabytes), keeping only what
    // an album's figures need. False before any audio.
    bool Finish(std::string& why);
    // What the finished song measured.
    const Loudness& result() const { return result_; }
    // Over several finished songs' meters together, as one album.
    static bool AlbumResult(std::span<const LoudnessMeter* const> meters, Loudness& out,
                            std::string& why);

private:
    Loudness result_;
    bool finished_ = false;
    // libebur128's state; its header is not for the users of this one.
    void* state_ = nullptr;
    PeakKind peakKind_;
    unsigned channels_ = 0;
};

}  // namespace songcore
