#pragma once
// The items of a song tree (internal to the tree's sources). Children stay
// in insertion order; beside them each item keeps an index of its children,
// so that finding a group by text or a song by file does not walk a group
// that may hold a hundred thousand songs.

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "songcore/views/SongTreeCtrl.h"

namespace songcore {

// Children with one key, in row order: the first is the one a search finds.
using SongTreeIndex = std::unordered_map<std::string, std::vector<SongTreeNode*>>;

struct SongTreeNode {
    std::string text;
    CSongTreeCtrl::SONG_TREE_ITEM_DATA data;
    SongTreeNode* parent = nullptr;
    std::vector<std::unique_ptr<SongTreeNode>> children;
    int row = 0;  // position among the parent's children
    int image = 0;
    int selectedImage = 0;
    bool expanded = false;
    // How this item is indexed in its parent: as a song by its exact file,
    // or as a group by its case-folded text.
    bool indexedAsSong = false;
    std::string key;
    SongTreeIndex groups;
    SongTreeIndex songs;
};

// The key under which group texts match: case-folded, cheaply for ASCII.
std::string GroupKey(std::string_view text);

// Adds node to its own parent's index, in row order.
void IndexChild(SongTreeNode* node);
// Takes node out of its parent's index.
void UnindexChild(SongTreeNode* node);
// Adds node to a file index, in the tree's pre-order.
void AddToIndex(SongTreeIndex& index, const std::string& key, SongTreeNode* node);
void RemoveFromIndex(SongTreeIndex& index, const std::string& key, SongTreeNode* node);
// True when a comes before b in the tree's pre-order.
bool PreOrderLess(const SongTreeNode* a, const SongTreeNode* b);

}  // namespace songcore
