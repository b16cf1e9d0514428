#include "songcore/tags/MoveAlignment.h"

namespace songcore {

uint64_t PaddingForAlignedMove(uint64_t shift, uint64_t moved, uint64_t minimum) {
    if (moved < kAlignedMoveThreshold) {
        return 0;
    }
    uint64_t padding = (kAlignedMoveBlock - shift % kAlignedMoveBlock) % kAlignedMoveBlock;
    while (padding > 0 && padding < minimum) {
        padding += kAlignedMoveBlock;
    }
    return padding;
}

}  // namespace songcore
