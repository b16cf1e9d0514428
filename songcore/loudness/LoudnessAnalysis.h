#pragma once
// The loudness of many songs, measured in parallel, and of the albums they
// form: what ReplayGain 2.0 and R128 gains are computed from.

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "songcore/loudness/LoudnessMeter.h"

namespace songcore {

struct LoudnessOptions {
    PeakKind peak = PeakKind::kTrue;
    // The level a gain brings a song to, in LUFS: ReplayGain 2.0's -18.
    double reference = -18.0;
    // Songs measured at once; 0: one per core.
    unsigned jobs = 0;
};

struct SongLoudness {
    std::string path;
    std::string error;  // what failed; empty when measured
    Loudness loudness;
    int album = -1;  // its album among the report's, or -1
};

struct AlbumLoudness {
    std::string key;
    std::vector<size_t> songs;  // indexes into the report's songs
    std::string error;          // a song of it failed, or the meter did
    Loudness loudness;
};

struct LoudnessReport {
    std::vector<SongLoudness> songs;  // in the order given
    std::vector<AlbumLoudness> albums;
};

// Measures every song; albumKeys (empty, or one per path) puts the songs
// with the same non-empty key into one album. progress is called, one call
// at a time, with the songs finished so far; a cancel stops the songs not
// yet finished, which report "cancelled".
LoudnessReport AnalyseLoudness(const std::vector<std::string>& paths,
                               const std::vector<std::string>& albumKeys,
                               const LoudnessOptions& options,
                               const std::function<void(size_t done, size_t total)>& progress = {},
                               const std::atomic<bool>* cancel = nullptr);

// The album a song belongs to by its tags: its album artist and album; ""
// when it names no album (or its tags cannot be read).
std::string AlbumKeyFromTags(const std::string& path);

// The gain, in dB, that brings a loudness to the reference level.
double GainToReference(double integrated, double reference);

}  // namespace songcore
