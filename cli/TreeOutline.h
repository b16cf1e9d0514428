#pragma once
// What the song tree commands share: the view option, and the check that a
// song database file can be loaded, with the reason when it cannot.

#include <cstdint>
#include <optional>
#include <string>

#include "cli/Options.h"

namespace tunemoss {

// The --view option: 0 (type, artist, song) or 1 (artist, type, song).
// Nothing, after a usage error has been reported, for any other value.
std::optional<uint32_t> ParseViewOption(const Options& options, const std::string& command);

// Empty when path opens as a song database file; otherwise why not.
std::string CheckSongDatabase(const std::string& path);

// Writes a song tree outline to standard output with the control
// characters of its titles, names and paths escaped (cli/TerminalText.h).
void PrintOutline(const std::string& outline);

}  // namespace tunemoss
