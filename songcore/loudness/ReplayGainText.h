#pragma once
// Loudness values as the tags carry them, in the forms the common readers
// expect.

#include <cstdint>
#include <string>

namespace songcore {

// REPLAYGAIN_*_GAIN: "-6.52 dB".
std::string ReplayGainText(double gainDb);
// REPLAYGAIN_*_PEAK: "0.988547".
std::string ReplayGainPeakText(double peak);
// R128_*_GAIN of an Opus file: the gain to -23 LUFS in 1/256 dB (Q7.8),
// within 16 bits.
int16_t R128Gain(double integrated);

}  // namespace songcore
