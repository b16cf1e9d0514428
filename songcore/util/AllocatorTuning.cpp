#include "songcore/util/AllocatorTuning.h"

#include <cstdlib>

namespace songcore {

void KeepFreedBuffersForReuse() {
    // glibc serves a block of more than its mapping limit (128 KiB at
    // first) from a mapping of its own, and when such a block is freed it
    // raises that limit to the block's size and the trim limit to twice that
    // (mallopt(3), M_MMAP_THRESHOLD). A first block of 1 MiB freed at once
    // starts both limits where a song's buffers fit, and leaves the allocator
    // to raise them further after a large cover, as it would; setting the
    // limits with mallopt would stop that, and every cover would be mapped
    // and faulted in anew.
    constexpr size_t kFirstBlock = 1024 * 1024;
    // Through a volatile pointer, so that the pair is not optimised away.
    static void* volatile block = nullptr;
    block = std::malloc(kFirstBlock);
    std::free(block);
    block = nullptr;
}

}  // namespace songcore
