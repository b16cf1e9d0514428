#pragma once
// Counts and times the flushes to disk (fsync, fdatasync, syncfs) that the
// benchmark process makes, songcore's and the peer library's alike, so that
// a write's own work can be told apart from the time it waits for the disk.

#include <cstdint>

namespace bench {

struct SyncTally {
    int calls = 0;
    int64_t nanoseconds = 0;
};

// What was flushed since the last reset.
SyncTally SyncTallySinceReset();
void ResetSyncTally();

}  // namespace bench
