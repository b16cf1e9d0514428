#include "songcore/loudness/ReplayGainText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace songcore {

std::string ReplayGainText(double gainDb) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f dB", gainDb);
    // "-0.00 dB" reads oddly and means no gain.
    return std::string(text) == "-0.00 dB" ? "0.00 dB" : text;
}

std::string ReplayGainPeakText(double peak) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", peak);
    return text;
}

int16_t R128Gain(double integrated) {
    double steps = std::round((-23.0 - integrated) * 256.0);
    return static_cast<int16_t>(std::clamp(steps, -32768.0, 32767.0));
}

}  // namespace songcore
