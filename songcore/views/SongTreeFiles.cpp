// The song tree's files: its song database, and M3U and PLS play lists in
// and out.
#include <filesystem>

#include "songcore/lists/M3UFile.h"
#include "songcore/lists/PLSFile.h"
#include "songcore/lists/SDFFile.h"
#include "songcore/settings/PrivateProfile.h"
#include "songcore/songfile/SongType.h"
#include "songcore/views/ListedSong.h"
#include "songcore/views/SongTreeCtrl.h"
#include "songcore/views/SongTreeImpl.h"
#include "songcore/views/UserDataFile.h"

namespace {

using Guard = std::lock_guard<std::recursive_mutex>;

}  // namespace

std::string CSongTreeCtrl::GetDefaultSDFFile() {
    return songcore::UserDataFile(kDefaultSDFName);
}

int CSongTreeCtrl::OpenSDF(CSDFFile& file, const std::string& path) {
    uint32_t version = 0;
    // A file cut short loads nothing: a tree that silently lost its last
    // songs would be saved over the file that still has the rest.
    return file.Open(path.c_str(), 1) && file.ReadVersion(version) &&
                   version == CSDFFile::kVersion && file.CheckItems()
               ? 1
               : 0;
}

int CSongTreeCtrl::SaveToFile(std::string path) {
    // The default file's folder is made on first save; a chosen export
    // folder is the user's to make.
    if (path == GetDefaultSDFFile() && !songcore::CreateFolderOf(path)) {
        return 0;
    }
    CSDFFile file;
    if (!file.Open(path.c_str(), 0) || !file.WriteVersion(CSDFFile::kVersion)) {
        return 0;
    }
    {
        Guard guard(impl_->lock);
        WriteItemToSDF(&file, GetRootItem());
    }
    // The file replaces the old one only here; a save that did not reach
    // the disk must not count as done.
    return file.Commit();
}

void CSongTreeCtrl::WriteItemToSDF(CSDFFile* file, HTREEITEM item) {
    for (HTREEITEM node = item; node != nullptr; node = GetNextSiblingItem(node)) {
        ItemKind kind = GetItemKind(node);
        if (kind == KIND_NONE) {
            return;
        }
        if (kind == KIND_SONG && !file->WriteItem(GetSongArtist(node), node->data.album, node->text,
                                                  node->data.file, node->data.type)) {
            return;
        }
        WriteItemToSDF(file, GetChildItem(node));
    }
}

int CSongTreeCtrl::LoadFromFile(std::string path) {
    CSDFFile file;
    if (!OpenSDF(file, path)) {
        return 0;
    }
    // 0 only when the owner turned the work away.
    return RunOnOwner([&] {
        ReadSDFLocked(&file);
        return 1;
    });
}

void CSongTreeCtrl::ReadSDFLocked(CSDFFile* file) {
    SetRedraw(false);
    while (ReadItemFromSDF(file)) {
    }
    SetRedraw(true);
}

int CSongTreeCtrl::ReadItemFromSDF(CSDFFile* file) {
    std::string artist, album, title, path;
    uint32_t type = 0;
    if (!file->ReadItem(artist, album, title, path, type)) {
        return 0;
    }
    Guard guard(impl_->lock);
    return InsertSongLocked(path, type, std::move(artist), album, std::move(title)) != nullptr ? 1
                                                                                               : 0;
}

void CSongTreeCtrl::ReadM3UList(const char* path) {
    CM3UFile list;
    if (path == nullptr || !list.Open(path, 1)) {
        return;
    }
    std::vector<ListSong> songs;
    ListSong song;
    int length = 0;
    while (list.GetItem(song.artist, song.title, song.file, length)) {
        songs.push_back(song);
    }
    InsertListSongs(songs);
}

void CSongTreeCtrl::InsertListSongs(const std::vector<ListSong>& listed) {
    std::vector<ReadSong> songs(listed.size());
    for (size_t i = 0; i < listed.size(); ++i) {
        ReadSong& song = songs[i];
        const uint32_t type = GetSongType(listed[i].file);
        if (!(type & SONG_TYPE_LOCAL) || !ReadSongTags(listed[i].file, nullptr, song)) {
            song = ReadSong{};
        }
        song.type = type;
        if (song.artist.empty()) {
            song.artist = listed[i].artist;
        }
        if (song.title.empty()) {
            song.title = listed[i].title;
        }
    }
    RunOnOwner([&] {
        for (size_t i = 0; i < listed.size(); ++i) {
            InsertSongLocked(listed[i].file, songs[i].type, std::move(songs[i].artist),
                             songs[i].album, std::move(songs[i].title));
        }
        return 1;
    });
}

int CSongTreeCtrl::WriteM3UList(const char* path, HTREEITEM item) {
    CM3UFile list;
    if (path == nullptr || !list.Open(path, 0)) {
        return 0;
    }
    {
        Guard guard(impl_->lock);
        WriteItemToM3UList(&list, item);
    }
    return list.Commit();
}

void CSongTreeCtrl::WriteItemToM3UList(CM3UFile* file, HTREEITEM item) {
    for (HTREEITEM node = item; node != nullptr; node = GetNextSiblingItem(node)) {
        if (GetItemKind(node) == KIND_SONG) {
            if (node->parent != &impl_->top &&
                !file->WriteItem(GetSongArtist(node), node->text, node->data.file,
                                 songcore::ListedSongLength(node->data.file))) {
                return;
            }
        } else {
            WriteItemToM3UList(file, GetChildItem(node));
        }
    }
}

void CSongTreeCtrl::ReadPLSList(const char* path) {
    if (path == nullptr) {
        return;
    }
    CPLSFile list(path);
    std::vector<ListSong> songs;
    list.ForEachItem([&](CPLSFile::Item& item) {
        songs.push_back({std::move(item.artist), std::move(item.title), std::move(item.file)});
        return true;
    });
    InsertListSongs(songs);
}

int CSongTreeCtrl::WritePLSList(const char* path, HTREEITEM item) {
    if (path == nullptr || item == nullptr) {
        return 0;
    }
    songcore::PlsWriter list;
    if (!list.Open(path)) {
        return 0;
    }
    bool ok = true;
    {
        Guard guard(impl_->lock);
        WriteSongsToPLS(list, item, ok);
    }
    return ok && list.Commit() ? 1 : 0;
}

void CSongTreeCtrl::WriteSongsToPLS(songcore::PlsWriter& list, HTREEITEM item, bool& ok) {
    for (HTREEITEM node = item; ok && node != nullptr; node = GetNextSiblingItem(node)) {
        if (GetItemKind(node) == KIND_SONG) {
            if (node->parent != &impl_->top) {
                ok = list.Add(GetSongArtist(node), node->text, node->data.file,
                              songcore::ListedSongLength(node->data.file));
            }
        } else {
            WriteSongsToPLS(list, GetChildItem(node), ok);
        }
    }
}
