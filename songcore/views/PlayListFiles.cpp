// The play list's files: its own list file, and the export and import of
// rows as song database files and M3U and PLS play lists.
#include "songcore/lists/M3UFile.h"
#include "songcore/lists/PLSFile.h"
#include "songcore/lists/PlayListFile.h"
#include "songcore/lists/SDFFile.h"
#include "songcore/settings/Ini.h"
#include "songcore/settings/PrivateProfile.h"
#include "songcore/songfile/SongType.h"
#include "songcore/util/Text.h"
#include "songcore/views/ListedSong.h"
#include "songcore/views/PlayList.h"
#include "songcore/views/SongTreeCtrl.h"
#include "songcore/views/UserDataFile.h"

namespace {

using songcore::kPlayListInfoSection;
using songcore::kPlayListVersion;
using songcore::PlayListSongNumber;
using songcore::PlayListSongSection;

// Appends a song of an M3U or PLS list, its tags read as Add Files reads
// them (ListedSong.h).
int AddListed(CPlayList& list, const std::string& artist, const std::string& title,
              const std::string& file) {
    songcore::ListedTags tags{artist, "", title};
    songcore::ReadListedTags(file, tags);
    return list.Add(list.GetItemCount(), tags.artist, tags.album, tags.title, file);
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
        if (PlayListSongNumber(section) >= GetItemCount()) {
            ini.DeleteSection(section.c_str());
        }
    }
    ini.WriteString(kPlayListInfoSection, "Version", kPlayListVersion);
    ini.WriteInt(kPlayListInfoSection, "Count", GetItemCount(), 10);
    for (int row = 0; row < GetItemCount(); ++row) {
        std::string section = PlayListSongSection(row);
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
    int added = 0;
    std::string error;
    songcore::ReadPlayListFile(
        path,
        [&](songcore::ListEntry& entry) {
            added += Add(GetItemCount(), entry.artist, entry.album, entry.title, entry.file);
            return true;
        },
        error);
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
    // The songs before the damage stay in the list, but the import failed.
    return file.IsDamaged() ? 0 : added;
}

int CPlayList::WriteM3UList(const char* path) {
    CM3UFile list;
    if (path == nullptr || !list.Open(path, 0)) {
        return 0;
    }
    for (int row : GetSelectedRows()) {
        if (!list.WriteItem(GetArtist(row), GetTitle(row), GetFile(row),
                            songcore::ListedSongLength(GetFile(row)))) {
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
        added += AddListed(*this, artist, title, file);
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
    songcore::PlsWriter list;
    if (!list.Open(path)) {
        return 0;
    }
    for (int row : selected) {
        if (!list.Add(GetArtist(row), GetTitle(row), GetFile(row),
                      songcore::ListedSongLength(GetFile(row)))) {
            return 0;
        }
    }
    return list.Commit() ? 1 : 0;
}

int CPlayList::ReadPLSList(const char* path) {
    if (path == nullptr) {
        return 0;
    }
    CPLSFile list(path);
    int added = 0;
    list.ForEachItem([&](CPLSFile::Item& item) {
        added += AddListed(*this, item.artist, item.title, item.file);
        return true;
    });
    return added;
}
