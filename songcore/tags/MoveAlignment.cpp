#include "songcore/tags/MoveAlignment.h"

namespace songcore {

uint64_t PaddingForAlignedMove(uint64_t shift, uint64_t moved, uint64_t minimum, uint64_t block) {
    if (moved < kAlignedMoveThreshold || block == 0) {
        return 0;
    }
    uint64_t padding = (block - shift % block) % block;
    while (padding > 0 && padding < minimum) {
        padding += block;
    }
    return padding;
}

}  // namespace songcore
