#include "songcore/lists/PlayListFile.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "songcore/settings/Ini.h"
#include "songcore/util/Text.h"

namespace songcore {

std::string PlayListSongSection(int row) {
    return "Song " + std::to_string(row);
}

int PlayListSongNumber(const std::string& name) {
    if (name.size() <= 5 || !EqualsIgnoreCaseAscii(std::string_view(name).substr(0, 5), "song ")) {
        return -1;
    }
    int number = -1;
    const char* first = name.data() + 5;
    const char* last = name.data() + name.size();
    auto [end, error] = std::from_chars(first, last, number);
    // Only the spelling "%d" gives: a key lookup of "Song 3" never finds "Song 03".
    if (error != std::errc() || end != last || number < 0 ||
        std::to_string(number) != std::string_view(first, last - first)) {
        return -1;
    }
    return number;
}

bool IsPlayListFile(const std::string& path) {
    CIni ini(path.c_str());
    return EqualsIgnoreCase(ini.GetString(kPlayListInfoSection, "Version", ""), kPlayListVersion);
}

bool ReadPlayListFile(const std::string& path, const std::function<bool(ListEntry&)>& visit,
                      std::string& error) {
    if (!IsPlayListFile(path)) {
        error = "not a play list of version 1.0 (no [Info] Version=1.0)";
        return false;
    }
    CIni ini(path.c_str());
    uint32_t count = ini.GetUInt(kPlayListInfoSection, "Count", 0, 10);
    std::vector<int> rows;
    std::vector<std::string> sections;
    ini.GetSectionNames(&sections);
    for (const std::string& section : sections) {
        int row = PlayListSongNumber(section);
        if (row >= 0 && static_cast<uint32_t>(row) < count) {
            rows.push_back(row);
        }
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    ListEntry entry;
    for (int row : rows) {
        std::string section = PlayListSongSection(row);
        entry.file = ini.GetString(section.c_str(), "File", "");
        if (entry.file.empty()) {
            continue;
        }
        entry.artist = ini.GetString(section.c_str(), "Artist", "Unknow");
        entry.album = ini.GetString(section.c_str(), "Album", "Unknow");
        entry.title = ini.GetString(section.c_str(), "Title", "unknow");
        if (!visit(entry)) {
            break;
        }
    }
    return true;
}

}  // namespace songcore
