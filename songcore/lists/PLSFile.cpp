#include "songcore/lists/PLSFile.h"

#include <filesystem>

#include "songcore/files/PrivateProfile.h"
#include "songcore/lists/M3UFile.h"
#include "songcore/util/Text.h"

namespace {

const char kSection[] = "PlayList";

std::string KeyName(const char* name, int index) {
    return name + std::to_string(index + 1);
}

std::string ListFolder(const std::string& path) {
    std::error_code ec;
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::filesystem::path absolute = std::filesystem::absolute(folder.empty() ? "." : folder, ec);
    std::string result = ec ? folder.string() : absolute.lexically_normal().string();
    if (result.size() > 1 && result.back() == '/') {
        result.pop_back();
    }
    return result;
}

}  // namespace

uint32_t CPLSFile::GetVersion() const {
    return GetUInt(kSection, "Version", 2, 10);
}

int CPLSFile::WriteVersion(uint32_t version) const {
    return WriteUInt(kSection, "Version", version, 10);
}

int CPLSFile::GetItemCount() const {
    return GetInt(kSection, "NumberOfEntries", 0, 10);
}

int CPLSFile::WriteItemCount(int count) const {
    return WriteInt(kSection, "NumberOfEntries", count, 10);
}

int CPLSFile::GetItem(int index, std::string& artist, std::string& title, std::string& file,
                      int& length) const {
    std::string entry = songcore::Trim(GetString(kSection, KeyName("File", index).c_str(), ""));
    if (entry.empty()) {
        return 0;
    }
    file = songcore::ResolveListEntry(entry, ListFolder(GetPathName()));
    // Title is optional in the lists of other players: without it, or
    // without " - " in it, the song still counts.
    std::string display = GetString(kSection, KeyName("Title", index).c_str(), "");
    // Padded, so that the forms the INI reader trims (" - B" read as "- B",
    // "A - " as "A -") still split where the writer joined.
    std::string padded = " " + display + " ";
    size_t dash = padded.find(" - ");
    if (dash == std::string::npos) {
        artist.clear();
        title = songcore::Trim(display);
    } else {
        artist = songcore::Trim(std::string_view(padded).substr(0, dash));
        title = songcore::Trim(std::string_view(padded).substr(dash + 3));
    }
    if (artist.empty()) {
        artist = "Unknow Artist";
    }
    if (title.empty()) {
        title = GetFileName(file);
    }
    length = GetInt(kSection, KeyName("Length", index).c_str(), 0, 10);
    return 1;
}

int CPLSFile::WriteItem(int index, std::string artist, std::string title, std::string file,
                        int length) const {
    if (!WriteString(kSection, KeyName("File", index).c_str(), file.c_str())) {
        return 0;
    }
    std::string display = artist + " - " + title;
    if (!WriteString(kSection, KeyName("Title", index).c_str(), display.c_str())) {
        return 0;
    }
    return WriteInt(kSection, KeyName("Length", index).c_str(), length, 10);
}

std::string CPLSFile::GetFileName(std::string path) const {
    return songcore::SongNameFromPath(path);
}

void CPLSFile::RemoveAll() const {
    if (IsSectionExist(kSection)) {
        songcore::ProfileWriteSection(GetPathName(), kSection, {});
    }
}
