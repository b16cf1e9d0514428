#pragma once
// The position text the programs show beside a playing song.

#include <string>

namespace songcore {

// "mm:ss/mm:ss" from milliseconds; whole hours are dropped, as the position
// slider only spans an hour.
std::string FormatPlayerPosition(long positionMs, long lengthMs);

}  // namespace songcore
