#pragma once
// The items of a song tree (internal to the tree's sources). Children stay
// in insertion order; beside them each item keeps an index of its children,
// so that finding a group by text or a song by file does not walk a group
// that may hold a hundred thousand songs.

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "songcore/views/SongTreeCtrl.h"

namespace songcore {

// Children with one key, in row order: the first is the one a search finds.
// A key is a view of the indexed text of one of its items (IndexKey), so a
// tree of a hundred thousand songs does not hold each path three times.
using SongTreeIndex = std::unordered_map<std::string_view, std::vector<SongTreeNode*>>;

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
    std::string key;  // the case-folded text of a group; songs use their file
    // Made with the first child of each kind: most items (the songs) have
    // no children at all.
    std::unique_ptr<SongTreeIndex> groups;
    std::unique_ptr<SongTreeIndex> songs;
};

// The text an item is indexed under: a song's file, a group's folded text.
std::string_view IndexKey(const SongTreeNode* node);

// The key under which group texts match: case-folded, cheaply for ASCII.
std::string GroupKey(std::string_view text);

// Adds node to its own parent's index, in row order.
void IndexChild(SongTreeNode* node);
// Takes node out of its parent's index.
void UnindexChild(SongTreeNode* node);
// Adds node to an index under IndexKey(node), in the tree's pre-order.
void AddToIndex(SongTreeIndex& index, SongTreeNode* node);
void RemoveFromIndex(SongTreeIndex& index, SongTreeNode* node);
// True when a comes before b in the tree's pre-order.
bool PreOrderLess(const SongTreeNode* a, const SongTreeNode* b);

}  // namespace songcore
