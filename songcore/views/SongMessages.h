#pragma once
// The numbers of the change notices the song views exchange. They reach the
// application as listener calls, but keep their numbers so that a notice can
// be told apart, forwarded and mirrored between trees.

#include <cstdint>

// A song item is about to go; the item is still valid during the call.
constexpr uint32_t WM_SONG_ITEM_DELETED = 2711;
// A new song item was inserted.
constexpr uint32_t WM_SONG_ITEM_INSERTED = 2712;
// A song item got a new text (title).
constexpr uint32_t WM_SONG_ITEM_RETITLED = 2713;
// A song file got a new name (old path, new path).
constexpr uint32_t WM_SONG_FILE_RENAMED = 2714;
