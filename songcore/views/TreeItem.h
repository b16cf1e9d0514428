#pragma once
// Item handles of the song tree. A handle is an opaque pointer that stays
// valid until its item is deleted; a null handle means "none" or, where an
// operation takes a parent, the tree's top level (the level of the roots).

#include <cstdint>

namespace songcore {
struct SongTreeNode;
}

using HTREEITEM = songcore::SongTreeNode*;

// Expansion codes, with the values the tree views of desktop toolkits use.
constexpr uint32_t TVE_COLLAPSE = 0x0001;
constexpr uint32_t TVE_EXPAND = 0x0002;
constexpr uint32_t TVE_TOGGLE = 0x0003;
