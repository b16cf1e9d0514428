#include "songcore/loudness/LoudnessMeter.h"

#include <algorithm>
#include <vector>

#include "songcore/loudness/Ebur128Library.h"

namespace songcore {
namespace {
ebur128_state* StateOf(void* state) {
    return static_cast<ebur128_state*>(state);
}
// The lowest rate the meter takes, in Hz.
constexpr unsigned long kIdleRate = 16;
}  // namespace

LoudnessMeter::~LoudnessMeter() {
    if (state_) {
        ebur128_state* state = StateOf(state_);
        Ebur128Library::Get()->destroy(&state);
    }
}

bool LoudnessMeter::Begin(int channels, int sampleRate, std::string& why) {
    const Ebur128Library* meter = Ebur128Library::Get(&why);
    if (!meter) {
        return false;
    }
    const int mode =
        EBUR128_MODE_I | EBUR128_MODE_LRA |
        (peakKind_ == PeakKind::kTrue ? EBUR128_MODE_TRUE_PEAK : EBUR128_MODE_SAMPLE_PEAK);
    state_ =
        meter->init(static_cast<unsigned>(channels), static_cast<unsigned long>(sampleRate), mode);
    if (!state_) {
        why = "the loudness meter cannot take " + std::to_string(channels) + " channels at " +
              std::to_string(sampleRate) + " Hz";
        return false;
    }
    // A mono channel counts once, as EBU R 128 weighs it and as the other
    // ReplayGain 2.0 scanners do (not as dual mono, 3 dB louder).
    channels_ = static_cast<unsigned>(channels);
    return true;
}

bool LoudnessMeter::Add(const float* samples, size_t frames, std::string& why) {
    if (Ebur128Library::Get()->add_frames_float(StateOf(state_), samples, frames) !=
        EBUR128_SUCCESS) {
        why = "the loudness meter failed";
        return false;
    }
    return true;
}

bool LoudnessMeter::Finish(std::string& why) {
    if (!state_) {
        why = "no audio was measured";
        return false;
    }
    const Ebur128Library& meter = *Ebur128Library::Get();
    ebur128_state* state = StateOf(state_);
    Loudness& out = result_;
    if (meter.loudness_global(state, &out.integrated) != EBUR128_SUCCESS ||
        meter.loudness_range(state, &out.range) != EBUR128_SUCCESS) {
        why = "the loudness meter failed";
        return false;
    }
    auto peakOf = peakKind_ == PeakKind::kTrue ? meter.true_peak : meter.sample_peak;
    out.peak = 0;
    for (unsigned channel = 0; channel < channels_; ++channel) {
        double peak = 0;
        if (peakOf(state, channel, &peak) != EBUR128_SUCCESS) {
            why = "the loudness meter failed";
            return false;
        }
        out.peak = std::max(out.peak, peak);
    }
    // Its window buffers hold three seconds of audio; at the lowest rate
    // they shrink to nothing, while the loudness of the blocks measured,
    // which an album is measured from, stays (only an unfinished block goes).
    if (meter.change_parameters(state, channels_, kIdleRate) != EBUR128_SUCCESS) {
        meter.destroy(&state);
        state_ = nullptr;
        why = "the loudness meter failed";
        return false;
    }
    finished_ = true;
    return true;
}

bool LoudnessMeter::AlbumResult(std::span<const LoudnessMeter* const> meters, Loudness& out,
                                std::string& why) {
    std::vector<ebur128_state*> states;
    out = Loudness{};
    for (const LoudnessMeter* song : meters) {
        if (!song->finished_) {
            why = "a song of the album was not measured";
            return false;
        }
        out.peak = std::max(out.peak, song->result_.peak);
        states.push_back(StateOf(song->state_));
    }
    const Ebur128Library& meter = *Ebur128Library::Get();
    if (states.empty() ||
        meter.loudness_global_multiple(states.data(), states.size(), &out.integrated) !=
            EBUR128_SUCCESS ||
        meter.loudness_range_multiple(states.data(), states.size(), &out.range) !=
            EBUR128_SUCCESS) {
        why = "the loudness meter failed";
        return false;
    }
    return true;
}

}  // namespace songcore
