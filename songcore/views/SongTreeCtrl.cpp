#include "songcore/views/SongTreeCtrl.h"

#include <algorithm>

#include "songcore/lists/M3UFile.h"
#include "songcore/lists/SDFFile.h"
#include "songcore/songfile/SongType.h"
#include "songcore/views/SongTreeImpl.h"

using songcore::SongTreeNode;

namespace {

// The tree's only lock; every public operation that reads or changes the
// items takes it, so that a tree without a dispatcher may be used from any
// thread.
using Guard = std::lock_guard<std::recursive_mutex>;

}  // namespace

CSongTreeCtrl::CSongTreeCtrl() : impl_(std::make_unique<Impl>()) {
    threads_.SetMaxThreadCount(kMaxInsertThreads);
}

CSongTreeCtrl::~CSongTreeCtrl() {
    Stop();
    Wait();
}

// --- setup and state ---

void CSongTreeCtrl::SetDispatcher(songcore::ModelDispatcher dispatcher) {
    std::lock_guard<std::mutex> guard(impl_->dispatcherLock);
    impl_->dispatcher = std::move(dispatcher);
}

void CSongTreeCtrl::AddListener(ISongTreeListener* listener) {
    Guard guard(impl_->lock);
    if (listener != nullptr) {
        impl_->listeners.push_back(listener);
    }
}

void CSongTreeCtrl::RemoveListener(ISongTreeListener* listener) {
    Guard guard(impl_->lock);
    auto& list = impl_->listeners;
    list.erase(std::remove(list.begin(), list.end(), listener), list.end());
}

void CSongTreeCtrl::SetImageList(uint32_t bitmapId, int cx, int cy, uint32_t maskColour) {
    Guard guard(impl_->lock);
    impl_->imageBitmap = bitmapId;
    impl_->imageCx = cx;
    impl_->imageCy = cy;
    impl_->imageMask = maskColour;
}

int CSongTreeCtrl::IsModified() const {
    return impl_->modified.load();
}
void CSongTreeCtrl::SetModified(int modified) {
    impl_->modified.store(modified);
}
int CSongTreeCtrl::SetNotifyChangedMsg(int notify) {
    return impl_->notify.exchange(notify);
}
int CSongTreeCtrl::GetNotifyChangedMsg() const {
    return impl_->notify.load();
}
uint32_t CSongTreeCtrl::GetViewMethod() const {
    return impl_->viewMethod.load();
}
int CSongTreeCtrl::IsDoing() const {
    return impl_->readers.GetCount() > 0 ? 1 : 0;
}

void CSongTreeCtrl::Stop() {
    impl_->readers.TerminateAll();
    threads_.TerminateAll();
}

void CSongTreeCtrl::Wait() {
    threads_.Wait();
}
int CSongTreeCtrl::GetInsertThreadCount() const {
    return threads_.GetCount();
}

int CSongTreeCtrl::RunOnOwner(const std::function<int()>& body) {
    int result = 0;
    std::function<void()> work = [&] {
        Guard guard(impl_->lock);
        result = body();
    };
    songcore::ModelDispatcher dispatcher;
    {
        std::lock_guard<std::mutex> guard(impl_->dispatcherLock);
        dispatcher = impl_->dispatcher;
    }
    if (!dispatcher) {
        work();
        return result;
    }
    return dispatcher(work) ? result : 0;
}

void CSongTreeCtrl::SendSongMessage(uint32_t message, HTREEITEM item) {
    if (impl_->notify.load() != 0 && GetItemKind(item) == KIND_SONG) {
        impl_->Notify([&](ISongTreeListener* l) { l->OnSongTreeMessage(message, this, item); });
    }
}

// --- inserting ---

int CSongTreeCtrl::InsertSongFile(std::string path) {
    return InsertSongFileOn(path, nullptr);
}

int CSongTreeCtrl::InsertSongFileOn(const std::string& path, const CThread* thread) {
    ReadSong song;
    if (!ReadSongTags(path, thread, song)) {
        return 0;
    }
    return InsertItem(path, song.type, std::move(song.artist), std::move(song.album),
                      std::move(song.genre), std::move(song.title));
}

bool CSongTreeCtrl::ReadSongTags(const std::string& path, const CThread* thread, ReadSong& song) {
    song.type = GetSongType(path);
    // Monkey's Audio and Musepack songs are filed by their tags too, though
    // their item type word keeps no format bit (stored song lists know only
    // the bits of SONG_TYPE_TAGGED).
    if (song.type & (SONG_TYPE_TAGGED | SONG_TYPE_APE | SONG_TYPE_MPC)) {
        CSongFileInfo* info = impl_->readers.New();
        if (info == nullptr) {
            return false;
        }
        if (!info->Open(path, 1, 0)) {
            impl_->readers.Delete(info, 0);
            return false;
        }
        if (info->GetSongInfo()) {
            song.artist = info->GetArtist();
            song.album = info->GetAlbum();
            song.genre = info->GetGenreString();
            song.title = info->GetTitle();
        }
        bool terminated = info->IsTerminate() != 0;
        impl_->readers.Delete(info, 0);
        // A thread stopped meanwhile may have missed the terminate request
        // (it asked for its reader after Stop ran): its song is dropped too.
        if (terminated || (thread != nullptr && !thread->IsRunning())) {
            return false;
        }
    }
    return true;
}

std::vector<int> CSongTreeCtrl::InsertSongFiles(const std::vector<std::string>& paths) {
    std::vector<int> inserted(paths.size(), 0);
    std::vector<ReadSong> songs(paths.size());
    std::vector<bool> read(paths.size(), false);
    for (size_t i = 0; i < paths.size(); ++i) {
        read[i] = ReadSongTags(paths[i], nullptr, songs[i]);
    }
    // One trip to the owner's thread for the lot: a walk that waited for the
    // owner once per song spent more time waiting than reading.
    RunOnOwner([&] {
        for (size_t i = 0; i < paths.size(); ++i) {
            if (read[i]) {
                inserted[i] = InsertSongLocked(paths[i], songs[i].type, std::move(songs[i].artist),
                                               songs[i].album, std::move(songs[i].title)) != nullptr
                                  ? 1
                                  : 0;
            }
        }
        return 1;
    });
    return inserted;
}

int CSongTreeCtrl::InsertSongFileByThread(std::string path) {
    auto param = std::make_unique<THREAD_PARAM>();
    param->owner = this;
    param->text1 = std::move(path);
    return threads_.CreateThread(&CSongTreeCtrl::InsertSongThread, std::move(param));
}

uint32_t CSongTreeCtrl::InsertSongThread(THREAD_PARAM* param) {
    auto* tree = static_cast<CSongTreeCtrl*>(param->owner);
    if (param->thread != nullptr && !param->thread->IsRunning()) {
        return 0;
    }
    tree->InsertSongFileOn(param->text1, param->thread);
    return 0;
}

int CSongTreeCtrl::InsertItem(std::string file, uint32_t type, std::string artist,
                              std::string album, std::string genre, std::string title) {
    (void)genre;  // the tree does not group by genre
    return RunOnOwner([&] {
        return InsertSongLocked(file, type, std::move(artist), album, std::move(title)) != nullptr
                   ? 1
                   : 0;
    });
}

HTREEITEM CSongTreeCtrl::InsertSongLocked(const std::string& file, uint32_t type,
                                          std::string artist, const std::string& album,
                                          std::string title) {
    uint32_t rootBit = (type & SONG_TYPE_INTERNET) ? SONG_TYPE_INTERNET : SONG_TYPE_LOCAL;
    HTREEITEM root = InsertItem(rootBit == SONG_TYPE_INTERNET ? kInternetRootText : kLocalRootText,
                                "", "", rootBit, nullptr);
    if (root == nullptr) {
        return nullptr;
    }
    std::string ext = GetFileExt(file);
    if (ext.empty()) {
        ext = kUnknownType;
    }
    if (artist.empty()) {
        artist = kUnknownArtist;
    }
    HTREEITEM group;
    if (impl_->viewMethod.load() == VIEW_TYPE_ARTIST_SONG) {
        HTREEITEM typeGroup = InsertItem(ext.c_str(), "", "", rootBit | SONG_TREE_TYPE_GROUP, root);
        group = typeGroup != nullptr
                    ? InsertItem(artist.c_str(), "", "", rootBit | SONG_TREE_TYPE_ARTIST, typeGroup)
                    : nullptr;
    } else {
        HTREEITEM artistGroup =
            InsertItem(artist.c_str(), "", "", rootBit | SONG_TREE_TYPE_ARTIST, root);
        group = artistGroup != nullptr
                    ? InsertItem(ext.c_str(), "", "", rootBit | SONG_TREE_TYPE_GROUP, artistGroup)
                    : nullptr;
    }
    if (group == nullptr) {
        return nullptr;
    }
    if (title.empty()) {
        title = GetFileName(file);
    }
    return InsertItem(title.c_str(), album.c_str(), file.c_str(),
                      rootBit | (type & SONG_TYPE_TAGGED) | SONG_TREE_TYPE_SONG, group);
}

HTREEITEM CSongTreeCtrl::InsertItem(const char* text, const char* album, const char* file,
                                    uint32_t type, HTREEITEM parent) {
    Guard guard(impl_->lock);
    SongTreeNode* parentNode = impl_->NodeOrTop(parent);
    HTREEITEM found = KindOfType(type) == KIND_SONG ? FindSongInChildItem(file, parent)
                                                    : FindTextInTree(text, parent);
    if (found != nullptr) {
        return found;
    }
    auto node = std::make_unique<SongTreeNode>();
    node->text = text != nullptr ? text : "";
    node->data.album = album != nullptr ? album : "";
    node->data.file = file != nullptr ? file : "";
    node->data.type = type;
    node->parent = parentNode;
    node->row = static_cast<int>(parentNode->children.size());
    node->image = node->selectedImage = CollapsedImage(KindOfType(type));
    SongTreeNode* item = node.get();

    impl_->Notify([&](ISongTreeListener* l) { l->OnBeginInsertItem(parent, item->row); });
    parentNode->children.push_back(std::move(node));
    songcore::IndexChild(item);
    if (item->indexedAsSong) {
        songcore::AddToIndex(impl_->songsByFile, item);
    }
    ++impl_->count;
    impl_->Notify([&](ISongTreeListener* l) { l->OnEndInsertItem(item); });

    if (impl_->count < 3) {
        impl_->Notify([&](ISongTreeListener* l) {
            l->OnRepaint();
            l->OnEnsureVisible(item);
        });
    }
    impl_->modified.store(1);
    SendSongMessage(WM_SONG_ITEM_INSERTED, item);
    return item;
}

int CSongTreeCtrl::SetItemData(HTREEITEM item, const SONG_TREE_ITEM_DATA& data) {
    if (item == nullptr) {
        return 0;
    }
    Guard guard(impl_->lock);
    songcore::UnindexChild(item);
    if (item->indexedAsSong) {
        songcore::RemoveFromIndex(impl_->songsByFile, item);
    }
    item->data = data;
    songcore::IndexChild(item);
    if (item->indexedAsSong) {
        songcore::AddToIndex(impl_->songsByFile, item);
    }
    impl_->Notify([&](ISongTreeListener* l) { l->OnItemChanged(item); });
    return 1;
}

// --- changing and removing ---

int CSongTreeCtrl::SetItemText(HTREEITEM item, const char* text) {
    if (item == nullptr || text == nullptr) {
        return 0;
    }
    Guard guard(impl_->lock);
    if (item->indexedAsSong) {
        item->text = text;
    } else {
        songcore::UnindexChild(item);
        item->text = text;
        songcore::IndexChild(item);
    }
    impl_->Notify([&](ISongTreeListener* l) { l->OnItemChanged(item); });
    SendSongMessage(WM_SONG_ITEM_RETITLED, item);
    return 1;
}

int CSongTreeCtrl::SetSongFile(HTREEITEM item, const char* path) {
    if (GetItemKind(item) != KIND_SONG || path == nullptr) {
        return 0;
    }
    SONG_TREE_ITEM_DATA data;
    {
        Guard guard(impl_->lock);
        data = item->data;
    }
    data.file = path;
    return SetItemData(item, data);
}

int CSongTreeCtrl::RenameSongFile(HTREEITEM item, const std::string& newPath) {
    Guard guard(impl_->lock);
    std::string oldPath = GetSongFile(item);
    if (!SetSongFile(item, newPath.c_str())) {
        return 0;
    }
    impl_->Notify([&](ISongTreeListener* l) { l->OnSongFileRenamed(this, oldPath, newPath); });
    return 1;
}

int CSongTreeCtrl::RemoveItem(HTREEITEM item) {
    return RunOnOwner([&] { return RemoveItemLocked(item); });
}

int CSongTreeCtrl::RemoveSongFile(const std::string& file) {
    return RunOnOwner([&] {
        HTREEITEM song = FindPathInTree(file, GetRootItem());
        if (song == nullptr) {
            return 0;
        }
        RemoveItemLocked(song);
        return 1;
    });
}

int CSongTreeCtrl::RemoveItemLocked(HTREEITEM item) {
    while (item != nullptr) {
        SongTreeNode* parent = item->parent;
        DeleteSubtree(item);
        if (!parent->children.empty()) {
            return 1;
        }
        if (parent == &impl_->top) {
            return 0;  // the last root went
        }
        item = parent;  // an emptied group goes with its last child
    }
    return 0;
}

void CSongTreeCtrl::DeleteSubtree(HTREEITEM item) {
    // Each song is reported while the whole subtree is still in place.
    std::vector<SongTreeNode*> stack{item};
    uint32_t removed = 0;
    while (!stack.empty()) {
        SongTreeNode* node = stack.back();
        stack.pop_back();
        ++removed;
        SendSongMessage(WM_SONG_ITEM_DELETED, node);
        if (node->indexedAsSong) {
            songcore::RemoveFromIndex(impl_->songsByFile, node);
        }
        if (node == impl_->selected) {
            impl_->selected = nullptr;
            impl_->Notify([](ISongTreeListener* l) { l->OnSelectionChanged(nullptr); });
        }
        if (node == impl_->dropHighlight) {
            impl_->dropHighlight = nullptr;
        }
        for (auto it = node->children.rbegin(); it != node->children.rend(); ++it) {
            stack.push_back(it->get());
        }
    }
    SongTreeNode* parent = item->parent;
    HTREEITEM parentHandle = Impl::Handle(parent, &impl_->top);
    int row = item->row;
    impl_->Notify([&](ISongTreeListener* l) { l->OnBeginRemoveItem(parentHandle, row, item); });
    songcore::UnindexChild(item);
    std::unique_ptr<SongTreeNode> owned = std::move(parent->children[row]);
    parent->children.erase(parent->children.begin() + row);
    for (size_t i = row; i < parent->children.size(); ++i) {
        parent->children[i]->row = static_cast<int>(i);
    }
    impl_->count -= removed;
    impl_->modified.store(1);
    impl_->Notify([&](ISongTreeListener* l) { l->OnEndRemoveItem(parentHandle, row); });
}

int CSongTreeCtrl::DeleteAllItems() {
    return RunOnOwner([&] { return DeleteAllLocked(); });
}

int CSongTreeCtrl::DeleteAllLocked() {
    if (impl_->top.children.empty()) {
        return 1;
    }
    for (HTREEITEM node = GetRootItem(); node != nullptr; node = GetNextItemInOrder(node)) {
        SendSongMessage(WM_SONG_ITEM_DELETED, node);
    }
    impl_->Notify([](ISongTreeListener* l) { l->OnBeginResetItems(); });
    std::vector<std::unique_ptr<SongTreeNode>> roots = std::move(impl_->top.children);
    impl_->top.children.clear();
    impl_->top.groups.reset();
    impl_->top.songs.reset();
    impl_->songsByFile.clear();
    impl_->selected = nullptr;
    impl_->dropHighlight = nullptr;
    impl_->count = 0;
    impl_->modified.store(1);
    impl_->Notify([](ISongTreeListener* l) { l->OnEndResetItems(); });
    return 1;
}

int CSongTreeCtrl::ExpandItem(HTREEITEM item, uint32_t code) {
    if (item == nullptr) {
        return 0;
    }
    Guard guard(impl_->lock);
    if (item->children.empty()) {
        return 1;
    }
    if (!Expand(item, code)) {
        return 0;
    }
    for (size_t i = 0; i < item->children.size(); ++i) {
        ExpandItem(item->children[i].get(), code);
    }
    return 1;
}

// --- the mirror handlers ---

int CSongTreeCtrl::OnInsertItemMsg(CSongTreeCtrl* sender, HTREEITEM item) {
    if (sender == this || sender == nullptr) {
        return 0;
    }
    std::string file = sender->GetSongFile(item);
    uint32_t type = sender->GetItemType(item);
    std::string artist = sender->GetSongArtist(item);
    std::string title = sender->GetItemText(item);
    SetNotifyChangedMsg(0);
    InsertItem(file, type, artist, "", "", title);
    SetNotifyChangedMsg(1);
    return 0;
}

int CSongTreeCtrl::OnDeleteItemMsg(CSongTreeCtrl* sender, HTREEITEM item) {
    if (sender == this || sender == nullptr) {
        return 0;
    }
    std::string file = sender->GetSongFile(item);
    SetNotifyChangedMsg(0);
    RemoveSongFile(file);
    SetNotifyChangedMsg(1);
    return 0;
}

int CSongTreeCtrl::OnSetItemTextMsg(CSongTreeCtrl* sender, HTREEITEM item) {
    if (sender == this || sender == nullptr) {
        return 0;
    }
    std::string file = sender->GetSongFile(item);
    std::string text = sender->GetItemText(item);
    SetNotifyChangedMsg(0);
    {
        Guard guard(impl_->lock);
        HTREEITEM mine = FindPathInTree(file, GetRootItem());
        if (mine != nullptr) {
            SetItemText(mine, text.c_str());
        }
    }
    SetNotifyChangedMsg(1);
    return 0;
}

// --- drag source ---

void CSongTreeCtrl::AddDragFiles(HTREEITEM item, int withSiblings) {
    Guard guard(impl_->lock);
    for (HTREEITEM node = item; node != nullptr;
         node = withSiblings ? GetNextSiblingItem(node) : nullptr) {
        ItemKind kind = GetItemKind(node);
        if (kind == KIND_NONE) {
            break;
        }
        if (kind == KIND_SONG) {
            AddDragFile(node->data.file.c_str());
        } else if (!node->children.empty()) {
            AddDragFiles(node->children.front().get(), 1);
        }
    }
}

void CSongTreeCtrl::OnBegindrag(HTREEITEM item) {
    SelectItem(item);
    SelectDropTarget(item);
    SelectDropTarget(nullptr);
    AddDragFiles(item, 0);
    DragFiles();
    RemoveAllDragFiles();
}

// --- the view method ---

void CSongTreeCtrl::SetViewMethod(uint32_t method, int rebuild) {
    if (impl_->viewMethod.exchange(method) == method || rebuild == 0) {
        return;
    }
    RunOnOwner([&] {
        std::string selectedFile;
        GetSelectedSongFile(selectedFile);
        // What the tree holds now, in case the file cannot give it back.
        struct Song {
            std::string file, artist, album, title;
            uint32_t type;
        };
        std::vector<Song> songs;
        for (HTREEITEM node = GetRootItem(); node != nullptr; node = GetNextItemInOrder(node)) {
            if (GetItemKind(node) == KIND_SONG) {
                songs.push_back({node->data.file, GetSongArtist(node), node->data.album, node->text,
                                 node->data.type});
            }
        }
        std::string path = GetDefaultSDFFile();
        bool saved = IsModified() == 0 || SaveToFile(path) != 0;
        SetRedraw(false);
        DeleteAllLocked();
        CSDFFile file;
        if (saved && OpenSDF(file, path)) {
            ReadSDFLocked(&file);
        } else {
            for (const Song& song : songs) {
                InsertSongLocked(song.file, song.type, song.artist, song.album, song.title);
            }
        }
        if (!selectedFile.empty()) {
            HTREEITEM found = FindPathInTree(selectedFile, GetRootItem());
            if (found != nullptr) {
                SelectItem(found);
            }
        }
        SetRedraw(true);
        return 1;
    });
}
