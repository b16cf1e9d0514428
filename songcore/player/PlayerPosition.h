#pragma once
// The position text the programs show beside a playing song.

#include <string>

namespace songcore {

// "mm:ss/mm:ss" from milliseconds, or "h:mm:ss/h:mm:ss" for a song of an
// hour or more.
std::string FormatPlayerPosition(long positionMs, long lengthMs);

}  // namespace songcore
