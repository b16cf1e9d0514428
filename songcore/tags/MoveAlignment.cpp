#include "songcore/tags/MoveAlignment.h"

namespace songcore {

uint64_t PaddingForAlignedMove(uint64_t shift, uint64_t moved) {
    if (moved < kAlignedMoveThreshold) {
        return 0;
    }
    return (kAlignedMoveBlock - shift % kAlignedMoveBlock) % kAlignedMoveBlock;
}

}  // namespace songcore
