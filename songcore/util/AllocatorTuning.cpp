#include "songcore/util/AllocatorTuning.h"

#if __has_include(<malloc.h>)
#include <malloc.h>
#endif

namespace songcore {

void KeepFreedBuffersForReuse() {
#if defined(M_TRIM_THRESHOLD) && defined(M_MMAP_THRESHOLD)
    // Setting the trim threshold turns off the allocator's own growth of
    // both limits, so the limit for buffers served by their own mappings is
    // set as well, to what that growth would reach after a few large reads.
    constexpr int kTrimThreshold = 16 * 1024 * 1024;
    constexpr int kMapThreshold = 4 * 1024 * 1024;
    mallopt(M_MMAP_THRESHOLD, kMapThreshold);
    mallopt(M_TRIM_THRESHOLD, kTrimThreshold);
#endif
}

}  // namespace songcore
