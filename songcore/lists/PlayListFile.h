#pragma once
// The desktop program's own play list file: an INI file with a section
// "Info" (Version=1.0, Count=rows) and one section "Song N" per row N (from
// 0) holding Artist, Album, Title and File.

#include <functional>
#include <string>

#include "songcore/lists/ListEntries.h"

namespace songcore {

inline constexpr char kPlayListInfoSection[] = "Info";
inline constexpr char kPlayListVersion[] = "1.0";

// "Song 3" for row 3.
std::string PlayListSongSection(int row);
// The row of a "Song N" section name, in the spelling PlayListSongSection
// gives; -1 for any other name.
int PlayListSongNumber(const std::string& name);
// True when the file's "Info" section says it is such a list.
bool IsPlayListFile(const std::string& path);
// Visits the rows below Count that have a File, in row order. Only sections
// that exist are looked at, so a damaged Count costs nothing. False when
// the file is not such a list.
bool ReadPlayListFile(const std::string& path, const std::function<bool(ListEntry&)>& visit,
                      std::string& error);

}  // namespace songcore
