#include "songcore/views/SongTreeNode.h"

#include <algorithm>

#include "songcore/util/Text.h"

namespace songcore {

std::string GroupKey(std::string_view text) {
    bool ascii = std::all_of(text.begin(), text.end(),
                             [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!ascii) {
        return FoldCase(text);
    }
    std::string key(text);
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c + ('a' - 'A'));
        }
    }
    return key;
}

namespace {

// The rows from the top level down to node.
std::vector<int> RowPath(const SongTreeNode* node) {
    std::vector<int> path;
    for (; node != nullptr && node->parent != nullptr; node = node->parent) {
        path.push_back(node->row);
    }
    std::reverse(path.begin(), path.end());
    return path;
}

}  // namespace

bool PreOrderLess(const SongTreeNode* a, const SongTreeNode* b) {
    if (a->parent == b->parent) {
        return a->row < b->row;
    }
    // An ancestor's path is a prefix of its descendants', and comes first.
    return RowPath(a) < RowPath(b);
}

std::string_view IndexKey(const SongTreeNode* node) {
    return node->indexedAsSong ? std::string_view(node->data.file) : std::string_view(node->key);
}

void AddToIndex(SongTreeIndex& index, SongTreeNode* node) {
    std::vector<SongTreeNode*>& list = index[IndexKey(node)];
    if (list.empty() || PreOrderLess(list.back(), node)) {
        list.push_back(node);  // the usual case: a new last item
        return;
    }
    list.insert(std::upper_bound(list.begin(), list.end(), node, PreOrderLess), node);
}

void RemoveFromIndex(SongTreeIndex& index, SongTreeNode* node) {
    std::string_view key = IndexKey(node);
    auto it = index.find(key);
    if (it == index.end()) {
        return;
    }
    std::vector<SongTreeNode*>& list = it->second;
    list.erase(std::remove(list.begin(), list.end(), node), list.end());
    if (list.empty()) {
        index.erase(it);
    } else if (it->first.data() == key.data()) {
        // The key viewed the text of the item that leaves: view another's.
        auto entry = index.extract(it);
        entry.key() = IndexKey(entry.mapped().front());
        index.insert(std::move(entry));
    }
}

void IndexChild(SongTreeNode* node) {
    SongTreeNode* parent = node->parent;
    node->indexedAsSong = CSongTreeCtrl::KindOfType(node->data.type) == CSongTreeCtrl::KIND_SONG;
    node->key = node->indexedAsSong ? std::string() : GroupKey(node->text);
    std::unique_ptr<SongTreeIndex>& index = node->indexedAsSong ? parent->songs : parent->groups;
    if (!index) {
        index = std::make_unique<SongTreeIndex>();
    }
    AddToIndex(*index, node);
}

void UnindexChild(SongTreeNode* node) {
    SongTreeNode* parent = node->parent;
    std::unique_ptr<SongTreeIndex>& index = node->indexedAsSong ? parent->songs : parent->groups;
    if (index) {
        RemoveFromIndex(*index, node);
    }
}

}  // namespace songcore
