#include "songcore/player/PlayerPosition.h"

#include <cstdio>

namespace songcore {

std::string FormatPlayerPosition(long positionMs, long lengthMs) {
    long p = positionMs < 0 ? 0 : positionMs / 1000;
    long l = lengthMs < 0 ? 0 : lengthMs / 1000;
    char text[48];
    if (l >= 3600 || p >= 3600) {
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld/%ld:%02ld:%02ld", p / 3600,
                      (p % 3600) / 60, p % 60, l / 3600, (l % 3600) / 60, l % 60);
    } else {
        std::snprintf(text, sizeof text, "%02ld:%02ld/%02ld:%02ld", p / 60, p % 60, l / 60, l % 60);
    }
    return text;
}

std::string FormatSongLength(long lengthMs) {
    if (lengthMs < 0) {
        return {};
    }
    long s = lengthMs / 1000;
    char text[32];
    if (s >= 3600) {
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, (s % 3600) / 60, s % 60);
    } else {
        std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    }
    return text;
}

}  // namespace songcore
