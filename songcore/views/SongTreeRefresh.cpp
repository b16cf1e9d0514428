// Bringing a song item up to date with its tags after they were written.
#include "songcore/util/Text.h"
#include "songcore/views/SongTreeCtrl.h"

HTREEITEM CSongTreeCtrl::RefreshSongItem(HTREEITEM item) {
    if (GetItemKind(item) != KIND_SONG) {
        return nullptr;
    }
    const std::string file = GetSongFile(item);
    ReadSong song;
    const bool read = ReadSongTags(file, nullptr, song);
    std::string artist = song.artist.empty() ? kUnknownArtist : song.artist;
    // The artist group of the item, whichever way the tree is grouped.
    if (!read || !songcore::EqualsIgnoreCaseAscii(artist, GetSongArtist(item))) {
        RemoveItem(item);
        if (!read) {
            return nullptr;
        }
        InsertItem(file, song.type, std::move(song.artist), std::move(song.album),
                   std::move(song.genre), std::move(song.title));
        return FindPathInTree(file, GetRootItem());
    }
    SONG_TREE_ITEM_DATA data;
    data.album = song.album;
    data.file = file;
    data.type = GetItemType(item);
    SetItemData(item, data);
    std::string title = song.title.empty() ? GetFileName(file) : song.title;
    SetItemText(item, title.c_str());
    SetModified(1);
    return item;
}
