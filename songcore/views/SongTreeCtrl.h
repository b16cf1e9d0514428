#pragma once
// CSongTreeCtrl: the song collection. Songs hang below two roots (local
// files, internet locations), grouped by file type and artist in one of two
// orders. The items are the only store of the songs; the tree saves itself
// to and loads itself from a song database file, and reads and writes M3U
// and PLS play lists. Views follow it through ISongTreeListener.
//
// Songs are inserted from any thread. Tags are read on the calling thread;
// the tree change itself runs through the dispatcher (on the owner's
// thread) when one is set, otherwise at once, under the tree's re-entrant
// lock. Reads are meant for the owner's thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "songcore/tags/SongFileInfoManager.h"
#include "songcore/threads/ThreadManager.h"
#include "songcore/util/Paths.h"
#include "songcore/views/DragDropFiles.h"
#include "songcore/views/ModelDispatcher.h"
#include "songcore/views/SongMessages.h"
#include "songcore/views/SongTreeListener.h"
#include "songcore/views/TreeItem.h"

class CM3UFile;
class CSDFFile;
namespace songcore {
class PlsWriter;
}

// Type word bits of the tree's items, beside SONG_TYPE_LOCAL (local root),
// SONG_TYPE_INTERNET (internet root) and the song formats' bits.
constexpr uint32_t SONG_TREE_TYPE_GROUP = 0x0008;   // file type group
constexpr uint32_t SONG_TREE_TYPE_ARTIST = 0x0010;  // artist group
constexpr uint32_t SONG_TREE_TYPE_SONG = 0x0040;    // song

class CSongTreeCtrl : public CDragDropFiles {
public:
    struct SONG_TREE_ITEM_DATA {
        std::string album;  // empty for groups
        std::string file;   // empty for groups
        uint32_t type = 0;
    };

    // Item kinds, told from the type word.
    enum ItemKind {
        KIND_NONE = 0,
        KIND_LOCAL_ROOT,
        KIND_INTERNET_ROOT,
        KIND_TYPE_GROUP,
        KIND_ARTIST_GROUP,
        KIND_SONG,
    };

    // The texts of the roots and of missing tags.
    static constexpr const char* kLocalRootText = "My Computer's Songs";
    static constexpr const char* kInternetRootText = "Intetnet's Songs";
    static constexpr const char* kUnknownArtist = songcore::kUnknownArtist;
    static constexpr const char* kUnknownType = "Unknow";
    static constexpr const char* kDefaultSDFName = "default.sdf";
    // At most this many InsertSongFileByThread threads run at once.
    static constexpr int kMaxInsertThreads = 20;

    // View methods.
    static constexpr uint32_t VIEW_TYPE_ARTIST_SONG = 0;
    static constexpr uint32_t VIEW_ARTIST_TYPE_SONG = 1;

    CSongTreeCtrl();
    // Stops the insert threads and waits for them to end. An owner with a
    // dispatcher must make it refuse work before destroying the tree.
    ~CSongTreeCtrl() override;
    CSongTreeCtrl(const CSongTreeCtrl&) = delete;
    CSongTreeCtrl& operator=(const CSongTreeCtrl&) = delete;

    // --- setup and state ---
    void SetDispatcher(songcore::ModelDispatcher dispatcher);
    // Listeners are called in the order added; not owned.
    void AddListener(ISongTreeListener* listener);
    void RemoveListener(ISongTreeListener* listener);
    // Kept for the view, which owns the images themselves.
    void SetImageList(uint32_t bitmapId, int cx, int cy, uint32_t maskColour);
    int IsModified() const;
    void SetModified(int modified);
    // Returns the previous value.
    int SetNotifyChangedMsg(int notify);
    int GetNotifyChangedMsg() const;
    uint32_t GetViewMethod() const;
    void SetViewMethod(uint32_t method, int rebuild);
    // Non-zero while an insertion is reading a song's tags.
    int IsDoing() const;
    // Asks the tag reads in flight and the insert threads to stop; returns at once.
    void Stop();
    // Blocks until every insert thread has ended. Not from the owner's
    // thread while the dispatcher still runs work there.
    void Wait();
    int GetInsertThreadCount() const;

    // --- inserting ---
    int InsertSongFile(std::string path);
    // Reads the tags of every file, then inserts them all in one change (one
    // trip through the dispatcher). Per file: 1 when inserted, else 0.
    std::vector<int> InsertSongFiles(const std::vector<std::string>& paths);
    int InsertSongFileByThread(std::string path);
    int InsertItem(std::string file, uint32_t type, std::string artist, std::string album,
                   std::string genre, std::string title);
    int SetItemData(HTREEITEM item, const SONG_TREE_ITEM_DATA& data);

    // --- finding ---
    HTREEITEM FindPathInTree(std::string file, HTREEITEM start) const;
    HTREEITEM FindTextA(const char* text, HTREEITEM start) const;
    HTREEITEM FindTextInTree(const char* text, HTREEITEM parent) const;
    HTREEITEM FindSongInChildItem(const char* file, HTREEITEM parent) const;
    // The item after item in pre-order (first child, next sibling, or the
    // next sibling of the nearest ancestor that has one); null at the end.
    HTREEITEM GetNextItemInOrder(HTREEITEM item) const;

    // --- song attributes ---
    uint32_t GetItemType(HTREEITEM item) const;
    ItemKind GetItemKind(HTREEITEM item) const;
    static ItemKind KindOfType(uint32_t type);
    std::string GetSongFile(HTREEITEM item) const;
    std::string GetSongTitle(HTREEITEM item) const;
    std::string GetSongAlbum(HTREEITEM item) const;
    std::string GetSongArtist(HTREEITEM item) const;
    HTREEITEM GetSelectedSongFile(std::string& file) const;
    HTREEITEM GetSelectedSongTitle(std::string& title) const;
    HTREEITEM GetSelectedSongAlbum(std::string& album) const;
    HTREEITEM GetSelectedSongArtist(std::string& artist) const;
    static std::string GetFileName(std::string path);

    // --- changing and removing ---
    int SetItemText(HTREEITEM item, const char* text);
    int SetSongFile(HTREEITEM item, const char* path);
    // After Rename As moved a song's file: SetSongFile, then the listeners
    // hear of the new name (WM_SONG_FILE_RENAMED). 0 for an item that is
    // not a song.
    int RenameSongFile(HTREEITEM item, const std::string& newPath);
    int RemoveItem(HTREEITEM item);
    // After a song's tags were written: the item follows them. A song whose
    // artist changed (or whose tags can no longer be read) is filed again
    // under its new artist; otherwise the item takes the new title and
    // album. Returns the song's item afterwards (null when it is gone).
    HTREEITEM RefreshSongItem(HTREEITEM item);
    // Finds the first song with file (as FindPathInTree from the first root)
    // and removes it as RemoveItem does, in one step, so that a thread that
    // holds no item handle can remove a song; 0 when there is none.
    int RemoveSongFile(const std::string& file);
    int ExpandItem(HTREEITEM item, uint32_t code);
    // Deletes every item (each song reported as deleted).
    int DeleteAllItems();

    // --- the mirror handlers: the same notices from another tree ---
    int OnInsertItemMsg(CSongTreeCtrl* sender, HTREEITEM item);
    int OnDeleteItemMsg(CSongTreeCtrl* sender, HTREEITEM item);
    int OnSetItemTextMsg(CSongTreeCtrl* sender, HTREEITEM item);

    // --- drag source ---
    void AddDragFiles(HTREEITEM item, int withSiblings);
    // The begin-drag of the view: selects item and drags its songs' files.
    void OnBegindrag(HTREEITEM item);

    // --- persistence ---
    int SaveToFile(std::string path);
    int LoadFromFile(std::string path);
    // $XDG_DATA_HOME/Tunemoss/default.sdf (virtual so that a tree kept
    // elsewhere can name its own file).
    virtual std::string GetDefaultSDFFile();
    void ReadM3UList(const char* path);
    // 1 when the list reached the disk.
    int WriteM3UList(const char* path, HTREEITEM item);
    void ReadPLSList(const char* path);
    int WritePLSList(const char* path, HTREEITEM item);

    // --- the tree itself, as a tree view needs it ---
    HTREEITEM GetRootItem() const;  // the first root
    HTREEITEM GetChildItem(HTREEITEM item) const;
    HTREEITEM GetNextSiblingItem(HTREEITEM item) const;
    HTREEITEM GetPrevSiblingItem(HTREEITEM item) const;
    HTREEITEM GetParentItem(HTREEITEM item) const;
    HTREEITEM GetLastChildItem(HTREEITEM item) const;
    // Children of item (null: the top level) by position, and an item's position.
    int GetChildCount(HTREEITEM item) const;
    HTREEITEM GetChildAt(HTREEITEM item, int row) const;
    int GetItemRow(HTREEITEM item) const;
    bool ItemHasChildren(HTREEITEM item) const;
    uint32_t GetCount() const;
    std::string GetItemText(HTREEITEM item) const;
    // image / selected image; false for a null item.
    bool GetItemImage(HTREEITEM item, int& image, int& selectedImage) const;
    bool IsExpanded(HTREEITEM item) const;
    // Expands or collapses one item (code TVE_*); 0 when refused.
    int Expand(HTREEITEM item, uint32_t code);
    HTREEITEM GetSelectedItem() const;
    int SelectItem(HTREEITEM item);
    HTREEITEM GetDropHilightItem() const;
    int SelectDropTarget(HTREEITEM item);
    void EnsureVisible(HTREEITEM item);
    void SetRedraw(bool redraw);
    // The kind's image when collapsed and when expanded.
    static int CollapsedImage(ItemKind kind);
    static int ExpandedImage(ItemKind kind);

    // --- the whole tree as an indented outline (two spaces per level) ---
    std::string GetOutline() const;

protected:
    HTREEITEM InsertItem(const char* text, const char* album, const char* file, uint32_t type,
                         HTREEITEM parent);
    void WriteItemToSDF(CSDFFile* file, HTREEITEM item);
    int ReadItemFromSDF(CSDFFile* file);
    void WriteItemToM3UList(CM3UFile* file, HTREEITEM item);
    void WriteSongsToPLS(songcore::PlsWriter& list, HTREEITEM item, bool& ok);
    static uint32_t InsertSongThread(THREAD_PARAM* param);

private:
    // Runs body under the lock on the owner's thread (through the
    // dispatcher, or at once without one); 0 when the dispatcher refused.
    int RunOnOwner(const std::function<int()>& body);
    int InsertSongFileOn(const std::string& path, const CThread* thread);
    struct ReadSong {
        uint32_t type = 0;
        std::string artist, album, genre, title;
    };
    // The file's type and tags (empty when it has none); false when it
    // cannot be opened or the reading was stopped.
    bool ReadSongTags(const std::string& path, const CThread* thread, ReadSong& song);
    // A song of an M3U or PLS list, as the list names it.
    struct ListSong {
        std::string artist;
        std::string title;
        std::string file;
    };
    // Inserts the songs of a list as Add Files does: a song that can be
    // read by its tags, what the list says filling in what they leave
    // empty; a web location, or a song that cannot be read, as listed.
    void InsertListSongs(const std::vector<ListSong>& songs);
    // The parts that run under the lock on the owner's thread.
    HTREEITEM InsertSongLocked(const std::string& file, uint32_t type, std::string artist,
                               const std::string& album, std::string title);
    int RemoveItemLocked(HTREEITEM item);
    void DeleteSubtree(HTREEITEM item);
    int DeleteAllLocked();
    // Inserts the records of an opened song database file, redraw off.
    void ReadSDFLocked(CSDFFile* file);
    // Opens a song database file and checks its header.
    static int OpenSDF(CSDFFile& file, const std::string& path);
    void SendSongMessage(uint32_t message, HTREEITEM item);
    void SetExpandedImage(HTREEITEM item);

    struct Impl;
    std::unique_ptr<Impl> impl_;
    // Last, so that it is destroyed (and the insert threads joined) first.
    CThreadManager threads_;
};
