#pragma once
// The position text the programs show beside a playing song.

#include <string>

namespace songcore {

// "mm:ss/mm:ss" from milliseconds, or "h:mm:ss/h:mm:ss" for a song of an
// hour or more.
std::string FormatPlayerPosition(long positionMs, long lengthMs);
// A song's length alone, as a play list column shows it: "m:ss", or
// "h:mm:ss" from an hour on; empty for an unknown (negative) length.
std::string FormatSongLength(long lengthMs);

}  // namespace songcore
