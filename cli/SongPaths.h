#pragma once
// The songs a command is given: files as they are, folders searched (with
// their subfolders) for songs, sorted within each folder.

#include <string>
#include <vector>

namespace tunemoss {

// Paths that do not exist are reported and set status to kExitFailure.
std::vector<std::string> CollectSongPaths(const std::vector<std::string>& args, int& status);

}  // namespace tunemoss
