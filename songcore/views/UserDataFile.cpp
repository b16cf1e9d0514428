#include "songcore/views/UserDataFile.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace songcore {

std::string UserDataFolder() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/') {
        std::string folder = data;
        if (folder.back() != '/') {
            folder += '/';
        }
        return folder + "Tunemoss/";
    }
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.local/share/Tunemoss/";
}

std::string UserDataFile(const char* name) {
    return UserDataFolder() + (name ? name : "");
}

bool CreateFolderOf(const std::string& path, std::string* error) {
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (folder.empty()) {
        return true;
    }
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        if (error != nullptr) {
            *error = folder.string() + ": " + ec.message();
        }
        return false;
    }
    return true;
}

}  // namespace songcore
