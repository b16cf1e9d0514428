#include "songcore/player/PlayerPosition.h"

#include <cstdio>

namespace songcore {

std::string FormatPlayerPosition(long positionMs, long lengthMs) {
    long p = positionMs < 0 ? 0 : positionMs / 1000;
    long l = lengthMs < 0 ? 0 : lengthMs / 1000;
    char text[32];
    std::snprintf(text, sizeof text, "%02ld:%02ld/%02ld:%02ld", (p % 3600) / 60, (p % 3600) % 60,
                  (l % 3600) / 60, (l % 3600) % 60);
    return text;
}

}  // namespace songcore
