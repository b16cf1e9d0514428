// The song tree's reads: finding, song attributes, navigation, and the view
// state it keeps for its view.
#include <algorithm>

#include "songcore/lists/M3UFile.h"
#include "songcore/songfile/SongType.h"
#include "songcore/util/Text.h"
#include "songcore/views/SongTreeCtrl.h"
#include "songcore/views/SongTreeImpl.h"

using songcore::SongTreeNode;

namespace {
using Guard = std::lock_guard<std::recursive_mutex>;
}  // namespace

// --- finding ---

HTREEITEM CSongTreeCtrl::FindTextInTree(const char* text, HTREEITEM parent) const {
    if (text == nullptr) {
        return nullptr;
    }
    Guard guard(impl_->lock);
    const SongTreeNode* node = impl_->NodeOrTop(parent);
    std::string key = songcore::GroupKey(text);
    HTREEITEM found = nullptr;
    if (node->groups) {
        auto it = node->groups->find(key);
        found = it != node->groups->end() ? it->second.front() : nullptr;
    }
    if (!node->songs || node->songs->empty()) {
        return found;  // the usual case: a parent of groups only
    }
    // Songs are indexed by file, not text: below a group of songs the
    // first match in row order has to be looked for.
    size_t end = found != nullptr ? static_cast<size_t>(found->row) : node->children.size();
    for (size_t row = 0; row < end; ++row) {
        SongTreeNode* child = node->children[row].get();
        if (child->indexedAsSong && songcore::GroupKey(child->text) == key) {
            return child;
        }
    }
    return found;
}

HTREEITEM CSongTreeCtrl::FindSongInChildItem(const char* file, HTREEITEM parent) const {
    if (file == nullptr) {
        return nullptr;
    }
    Guard guard(impl_->lock);
    const SongTreeNode* node = impl_->NodeOrTop(parent);
    if (!node->songs) {
        return nullptr;
    }
    auto it = node->songs->find(file);
    return it != node->songs->end() ? it->second.front() : nullptr;
}

HTREEITEM CSongTreeCtrl::FindPathInTree(std::string file, HTREEITEM start) const {
    if (start == nullptr) {
        return nullptr;
    }
    Guard guard(impl_->lock);
    auto it = impl_->songsByFile.find(file);
    if (it == impl_->songsByFile.end()) {
        return nullptr;
    }
    // The search covers start, its following siblings and everything below
    // them; the index lists the candidates in pre-order.
    for (SongTreeNode* candidate : it->second) {
        for (const SongTreeNode* a = candidate; a != nullptr; a = a->parent) {
            if (a->parent == start->parent) {
                if (a->row >= start->row) {
                    return candidate;
                }
                break;
            }
        }
    }
    return nullptr;
}

HTREEITEM CSongTreeCtrl::GetNextItemInOrder(HTREEITEM item) const {
    if (item == nullptr) {
        return nullptr;
    }
    Guard guard(impl_->lock);
    if (!item->children.empty()) {
        return item->children.front().get();
    }
    for (const SongTreeNode* node = item; node != nullptr && node != &impl_->top;
         node = node->parent) {
        const SongTreeNode* parent = node->parent;
        if (static_cast<size_t>(node->row) + 1 < parent->children.size()) {
            return parent->children[node->row + 1].get();
        }
    }
    return nullptr;
}

HTREEITEM CSongTreeCtrl::FindTextA(const char* text, HTREEITEM start) const {
    if (text == nullptr || start == nullptr) {
        return nullptr;
    }
    std::string needle = songcore::ToUpperUnicode(text);
    Guard guard(impl_->lock);
    for (HTREEITEM node = start; node != nullptr; node = GetNextItemInOrder(node)) {
        if (songcore::ToUpperUnicode(node->text).find(needle) != std::string::npos) {
            return node;
        }
    }
    return nullptr;
}

// --- song attributes ---

CSongTreeCtrl::ItemKind CSongTreeCtrl::KindOfType(uint32_t type) {
    if (type & SONG_TREE_TYPE_GROUP) {
        return KIND_TYPE_GROUP;
    }
    if (type & SONG_TREE_TYPE_ARTIST) {
        return KIND_ARTIST_GROUP;
    }
    if (type & SONG_TREE_TYPE_SONG) {
        return KIND_SONG;
    }
    if (type & SONG_TYPE_INTERNET) {
        return KIND_INTERNET_ROOT;
    }
    if (type & SONG_TYPE_LOCAL) {
        return KIND_LOCAL_ROOT;
    }
    return KIND_NONE;
}

uint32_t CSongTreeCtrl::GetItemType(HTREEITEM item) const {
    if (item == nullptr) {
        return 0;
    }
    Guard guard(impl_->lock);
    return item->data.type;
}

CSongTreeCtrl::ItemKind CSongTreeCtrl::GetItemKind(HTREEITEM item) const {
    return KindOfType(GetItemType(item));
}

std::string CSongTreeCtrl::GetSongFile(HTREEITEM item) const {
    Guard guard(impl_->lock);
    return GetItemKind(item) == KIND_SONG ? item->data.file : std::string();
}

std::string CSongTreeCtrl::GetSongTitle(HTREEITEM item) const {
    Guard guard(impl_->lock);
    return GetItemKind(item) == KIND_SONG ? item->text : std::string();
}

std::string CSongTreeCtrl::GetSongAlbum(HTREEITEM item) const {
    if (item == nullptr) {
        return kUnknownType;
    }
    Guard guard(impl_->lock);
    return GetItemKind(item) == KIND_SONG ? item->data.album : std::string();
}

std::string CSongTreeCtrl::GetSongArtist(HTREEITEM item) const {
    Guard guard(impl_->lock);
    if (GetItemKind(item) != KIND_SONG) {
        return {};
    }
    for (const SongTreeNode* node = item->parent; node != &impl_->top; node = node->parent) {
        if (KindOfType(node->data.type) == KIND_ARTIST_GROUP) {
            return node->text;
        }
    }
    return {};
}

HTREEITEM CSongTreeCtrl::GetSelectedSongFile(std::string& file) const {
    Guard guard(impl_->lock);
    HTREEITEM item = impl_->selected;
    if (GetItemKind(item) != KIND_SONG) {
        return nullptr;
    }
    file = item->data.file;
    return item;
}

HTREEITEM CSongTreeCtrl::GetSelectedSongTitle(std::string& title) const {
    Guard guard(impl_->lock);
    HTREEITEM item = impl_->selected;
    if (GetItemKind(item) != KIND_SONG) {
        return nullptr;
    }
    title = item->text;
    return item;
}

HTREEITEM CSongTreeCtrl::GetSelectedSongAlbum(std::string& album) const {
    Guard guard(impl_->lock);
    HTREEITEM item = impl_->selected;
    if (GetItemKind(item) != KIND_SONG) {
        return nullptr;
    }
    album = item->data.album;
    return item;
}

HTREEITEM CSongTreeCtrl::GetSelectedSongArtist(std::string& artist) const {
    Guard guard(impl_->lock);
    HTREEITEM item = impl_->selected;
    if (GetItemKind(item) != KIND_SONG) {
        return nullptr;
    }
    for (SongTreeNode* node = item->parent; node != &impl_->top; node = node->parent) {
        if (KindOfType(node->data.type) == KIND_ARTIST_GROUP) {
            artist = node->text;
            return node;
        }
    }
    artist.clear();
    return nullptr;
}

std::string CSongTreeCtrl::GetFileName(std::string path) {
    return songcore::SongNameFromPath(path);
}

// --- the tree itself ---

HTREEITEM CSongTreeCtrl::GetRootItem() const {
    return GetChildItem(nullptr);
}

HTREEITEM CSongTreeCtrl::GetChildItem(HTREEITEM item) const {
    Guard guard(impl_->lock);
    const SongTreeNode* node = impl_->NodeOrTop(item);
    return node->children.empty() ? nullptr : node->children.front().get();
}

HTREEITEM CSongTreeCtrl::GetNextSiblingItem(HTREEITEM item) const {
    if (item == nullptr) {
        return nullptr;
    }
    Guard guard(impl_->lock);
    size_t next = static_cast<size_t>(item->row) + 1;
    return next < item->parent->children.size() ? item->parent->children[next].get() : nullptr;
}

HTREEITEM CSongTreeCtrl::GetPrevSiblingItem(HTREEITEM item) const {
    if (item == nullptr || item->row == 0) {
        return nullptr;
    }
    Guard guard(impl_->lock);
    return item->parent->children[item->row - 1].get();
}

HTREEITEM CSongTreeCtrl::GetParentItem(HTREEITEM item) const {
    if (item == nullptr) {
        return nullptr;
    }
    Guard guard(impl_->lock);
    return Impl::Handle(item->parent, &impl_->top);
}

HTREEITEM CSongTreeCtrl::GetLastChildItem(HTREEITEM item) const {
    Guard guard(impl_->lock);
    const SongTreeNode* node = impl_->NodeOrTop(item);
    return node->children.empty() ? nullptr : node->children.back().get();
}

int CSongTreeCtrl::GetChildCount(HTREEITEM item) const {
    Guard guard(impl_->lock);
    return static_cast<int>(impl_->NodeOrTop(item)->children.size());
}

HTREEITEM CSongTreeCtrl::GetChildAt(HTREEITEM item, int row) const {
    Guard guard(impl_->lock);
    const SongTreeNode* node = impl_->NodeOrTop(item);
    if (row < 0 || static_cast<size_t>(row) >= node->children.size()) {
        return nullptr;
    }
    return node->children[row].get();
}

int CSongTreeCtrl::GetItemRow(HTREEITEM item) const {
    if (item == nullptr) {
        return -1;
    }
    Guard guard(impl_->lock);
    return item->row;
}

bool CSongTreeCtrl::ItemHasChildren(HTREEITEM item) const {
    return GetChildCount(item) > 0;
}

uint32_t CSongTreeCtrl::GetCount() const {
    Guard guard(impl_->lock);
    return impl_->count;
}

std::string CSongTreeCtrl::GetItemText(HTREEITEM item) const {
    if (item == nullptr) {
        return {};
    }
    Guard guard(impl_->lock);
    return item->text;
}

bool CSongTreeCtrl::GetItemImage(HTREEITEM item, int& image, int& selectedImage) const {
    if (item == nullptr) {
        return false;
    }
    Guard guard(impl_->lock);
    image = item->image;
    selectedImage = item->selectedImage;
    return true;
}

bool CSongTreeCtrl::IsExpanded(HTREEITEM item) const {
    if (item == nullptr) {
        return false;
    }
    Guard guard(impl_->lock);
    return item->expanded;
}

int CSongTreeCtrl::Expand(HTREEITEM item, uint32_t code) {
    if (item == nullptr || code < TVE_COLLAPSE || code > TVE_TOGGLE) {
        return 0;
    }
    Guard guard(impl_->lock);
    bool expand = code == TVE_EXPAND || (code == TVE_TOGGLE && !item->expanded);
    // A view shows no expanded state for an item without children.
    if (item->children.empty() || item->expanded == expand) {
        return 1;
    }
    item->expanded = expand;
    SetExpandedImage(item);
    impl_->Notify([&](ISongTreeListener* l) {
        l->OnItemExpanded(item, expand);
        l->OnItemChanged(item);
    });
    return 1;
}

void CSongTreeCtrl::SetExpandedImage(HTREEITEM item) {
    ItemKind kind = KindOfType(item->data.type);
    item->image = item->selectedImage = item->expanded ? ExpandedImage(kind) : CollapsedImage(kind);
}

HTREEITEM CSongTreeCtrl::GetSelectedItem() const {
    Guard guard(impl_->lock);
    return impl_->selected;
}

int CSongTreeCtrl::SelectItem(HTREEITEM item) {
    Guard guard(impl_->lock);
    if (impl_->selected != item) {
        impl_->selected = item;
        impl_->Notify([&](ISongTreeListener* l) { l->OnSelectionChanged(item); });
    }
    return 1;
}

HTREEITEM CSongTreeCtrl::GetDropHilightItem() const {
    Guard guard(impl_->lock);
    return impl_->dropHighlight;
}

int CSongTreeCtrl::SelectDropTarget(HTREEITEM item) {
    Guard guard(impl_->lock);
    if (impl_->dropHighlight != item) {
        impl_->dropHighlight = item;
        impl_->Notify([&](ISongTreeListener* l) { l->OnDropHighlightChanged(item); });
    }
    return 1;
}

void CSongTreeCtrl::EnsureVisible(HTREEITEM item) {
    Guard guard(impl_->lock);
    impl_->Notify([&](ISongTreeListener* l) { l->OnEnsureVisible(item); });
}

void CSongTreeCtrl::SetRedraw(bool redraw) {
    Guard guard(impl_->lock);
    impl_->Notify([&](ISongTreeListener* l) { l->OnSetRedraw(redraw); });
}

int CSongTreeCtrl::CollapsedImage(ItemKind kind) {
    switch (kind) {
        case KIND_LOCAL_ROOT:
            return 0;
        case KIND_INTERNET_ROOT:
            return 2;
        case KIND_TYPE_GROUP:
            return 4;
        case KIND_ARTIST_GROUP:
            return 6;
        case KIND_SONG:
            return 10;
        case KIND_NONE:
            break;
    }
    return 0;
}

int CSongTreeCtrl::ExpandedImage(ItemKind kind) {
    return kind == KIND_SONG || kind == KIND_NONE ? CollapsedImage(kind) : CollapsedImage(kind) + 1;
}

std::string CSongTreeCtrl::GetOutline() const {
    Guard guard(impl_->lock);
    std::string outline;
    for (HTREEITEM node = GetRootItem(); node != nullptr; node = GetNextItemInOrder(node)) {
        int depth = 0;
        for (const SongTreeNode* p = node->parent; p != &impl_->top; p = p->parent) {
            ++depth;
        }
        outline.append(static_cast<size_t>(depth) * 2, ' ');
        outline += node->text;
        if (KindOfType(node->data.type) == KIND_SONG) {
            outline += "  (" + node->data.file + ")";
        }
        outline += '\n';
    }
    return outline;
}
