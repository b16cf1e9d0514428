// The play list's files: its own list file, and the export and import of
// rows as song database files and M3U and PLS play lists.
#include <algorithm>
#include <charconv>

#include "songcore/files/Ini.h"
#include "songcore/files/PrivateProfile.h"
#include "songcore/lists/M3UFile.h"
#include "songcore/lists/PLSFile.h"
#include "songcore/lists/SDFFile.h"
#include "songcore/tags/SongType.h"
#include "songcore/util/Text.h"
#include "songcore/views/PlayList.h"
#include "songcore/views/PlsEntries.h"
#include "songcore/views/SongTreeCtrl.h"
#include "songcore/views/UserDataFile.h"

namespace {

const char kInfo[] = "Info";
const char kVersion[] = "1.0";

std::string SongSection(int row) {
    return "Song " + std::to_string(row);
}

// The row number of a "Song %d" section name; -1 for any other name.
int SongSectionNumber(const std::string& name) {
    if (name.size() <= 5 ||
        !songcore::EqualsIgnoreCaseAscii(std::string_view(name).substr(0, 5), "song ")) {
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

}  // namespace

std::string CPlayList::GetDefaultPlayListFile() {
    return songcore::UserDataFile(kDefaultPlayListName);
}

int CPlayList::SavePlayList(const char* path) {
    if (path == nullptr) {
        return 0;
    }
    if (path == GetDefaultPlayListFile() && !songcore::CreateFolderOf(path)) {
        return 0;
    }
    songcore::ProfileWriteBatch batch(path);
    CIni ini(path);
    // The song sections of an earlier, longer list would otherwise stay in
    // the file, unseen behind "Count" but still there.
    std::vector<std::string> sections;
    ini.GetSectionNames(&sections);
    for (const std::string& section : sections) {
        if (SongSectionNumber(section) >= GetItemCount()) {
            ini.DeleteSection(section.c_str());
        }
    }
    ini.WriteString(kInfo, "Version", kVersion);
    ini.WriteInt(kInfo, "Count", GetItemCount(), 10);
    for (int row = 0; row < GetItemCount(); ++row) {
        std::string section = SongSection(row);
        ini.WriteString(section.c_str(), "Artist", GetArtist(row).c_str());
        ini.WriteString(section.c_str(), "Album", GetAlbum(row).c_str());
        ini.WriteString(section.c_str(), "Title", GetTitle(row).c_str());
        ini.WriteString(section.c_str(), "File", GetFile(row).c_str());
    }
    return batch.Commit() ? 1 : 0;
}

int CPlayList::LoadPlayList(const char* path) {
    if (path == nullptr) {
        return 0;
    }
    CIni ini(path);
    if (!songcore::EqualsIgnoreCase(ini.GetString(kInfo, "Version", ""), kVersion)) {
        return 0;
    }
    uint32_t count = ini.GetUInt(kInfo, "Count", 0, 10);
    if (count == 0) {
        return 0;
    }
    // Only sections that exist can hold a song, so a damaged "Count" costs
    // nothing; they are read in row order as the count would visit them.
    std::vector<int> numbers;
    std::vector<std::string> sections;
    ini.GetSectionNames(&sections);
    for (const std::string& section : sections) {
        int number = SongSectionNumber(section);
        if (number >= 0 && static_cast<uint32_t>(number) < count) {
            numbers.push_back(number);
        }
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    int added = 0;
    for (int number : numbers) {
        std::string section = SongSection(number);
        std::string file = ini.GetString(section.c_str(), "File", "");
        if (file.empty()) {
            continue;
        }
        added += Add(GetItemCount(), ini.GetString(section.c_str(), "Artist", "Unknow"),
                     ini.GetString(section.c_str(), "Album", "Unknow"),
                     ini.GetString(section.c_str(), "Title", "unknow"), file);
    }
    return added;
}

int CPlayList::WriteToSDF(const char* path) {
    CSDFFile file;
    if (path == nullptr || !file.Open(path, 0) || !file.WriteVersion(CSDFFile::kVersion)) {
        return 0;
    }
    for (int row : GetSelectedRows()) {
        if (!file.WriteItem(GetArtist(row), GetAlbum(row), GetTitle(row), GetFile(row),
                            GetSongType(GetFile(row)) | SONG_TREE_TYPE_SONG)) {
            return 0;  // the unfinished file is thrown away
        }
    }
    return file.Commit();
}

int CPlayList::ReadFromSDF(const char* path) {
    CSDFFile file;
    uint32_t version = 0;
    if (path == nullptr || !file.Open(path, 1) || !file.ReadVersion(version) ||
        version != CSDFFile::kVersion) {
        return 0;
    }
    std::string artist, album, title, song;
    uint32_t type = 0;
    int added = 0;
    while (file.ReadItem(artist, album, title, song, type)) {
        added += Add(GetItemCount(), artist, album, title, song);
    }
    return added;
}

int CPlayList::WriteM3UList(const char* path) {
    CM3UFile list;
    if (path == nullptr || !list.Open(path, 0)) {
        return 0;
    }
    for (int row : GetSelectedRows()) {
        if (!list.WriteItem(GetArtist(row), GetTitle(row), GetFile(row), 0)) {
            return 0;
        }
    }
    return list.Commit();
}

int CPlayList::ReadM3UList(const char* path) {
    CM3UFile list;
    if (path == nullptr || !list.Open(path, 1)) {
        return 0;
    }
    std::string artist, title, file;
    int length = 0;
    int added = 0;
    while (list.GetItem(artist, title, file, length)) {
        added += Add(GetItemCount(), artist, "", title, file);
    }
    return added;
}

int CPlayList::WritePLSList(const char* path) {
    std::vector<int> selected = GetSelectedRows();
    if (path == nullptr) {
        return 0;
    }
    if (selected.empty()) {
        return 1;  // nothing to write: the target stays as it is
    }
    songcore::ProfileWriteBatch batch(path);
    CPLSFile list(path);
    list.RemoveAll();
    list.WriteVersion(2);
    list.WriteItemCount(static_cast<int>(selected.size()));
    for (size_t k = 0; k < selected.size(); ++k) {
        int row = selected[k];
        list.WriteItem(static_cast<int>(k), GetArtist(row), GetTitle(row), GetFile(row), 0);
    }
    return batch.Commit() ? 1 : 0;
}

int CPlayList::ReadPLSList(const char* path) {
    if (path == nullptr) {
        return 0;
    }
    CPLSFile list(path);
    int added = 0;
    for (int index : songcore::PlsEntryIndices(list)) {
        std::string artist, title, file;
        int length = 0;
        if (list.GetItem(index, artist, title, file, length)) {
            added += Add(GetItemCount(), artist, "", title, file);
        }
    }
    return added;
}
