#pragma once
// The padding a rewritten file's tag takes on so that the audio after it
// moves by whole 64 KiB blocks.

#include <cstdint>

namespace songcore {

// The kernel copies file data (copy_file_range) half again as fast when the
// source and the target offset lie at the same place within a 64 KiB block:
// the page cache's large pages then go across whole. A rewrite that moves
// tens of megabytes of audio pays a few kilobytes of padding for that, which
// also leaves the next edits room to be written in place.
constexpr uint64_t kAlignedMoveBlock = 64 * 1024;
// Below this much audio the copy is short anyway and no padding is added.
constexpr uint64_t kAlignedMoveThreshold = 16 * 1024 * 1024;

// A format whose tag cannot take a whole block more (an Ogg page holds at
// most 64 KB) aligns the move to a smaller block: each halving still copies
// faster than a move off the page size (4 KiB: about two thirds of the time).
constexpr uint64_t kSmallestAlignedMoveBlock = 4 * 1024;

// The bytes to add to a tag whose growth moves `moved` bytes of audio by
// `shift` bytes, so that the shift becomes a multiple of `block`: 0, or at
// least `minimum` (the header of a padding element of the format's own,
// which can be no shorter).
uint64_t PaddingForAlignedMove(uint64_t shift, uint64_t moved, uint64_t minimum = 0,
                               uint64_t block = kAlignedMoveBlock);

}  // namespace songcore
