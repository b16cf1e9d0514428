#pragma once
// Where the per-user files of the song views live: $XDG_DATA_HOME/Tunemoss/
// (~/.local/share/Tunemoss/ when the variable is unset or not absolute).

#include <string>

namespace songcore {

// The folder, with a trailing "/"; not created.
std::string UserDataFolder();
// The folder followed by name.
std::string UserDataFile(const char* name);
// Creates the folder of path when it is missing; false when it cannot be made.
bool CreateFolderOf(const std::string& path, std::string* error = nullptr);

}  // namespace songcore
