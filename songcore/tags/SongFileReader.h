#pragma once
// A song file as the reading function the byte-level tag walkers take.

#include "songcore/tags/SongFile.h"
#include "songcore/util/BlockSource.h"

namespace songcore {

// Reads through file.ReadAt, which leaves the file position alone.
inline ReadAtFn SongFileReader(CSongFile& file) {
    return [&file](uint64_t offset, size_t count, uint8_t* out) {
        for (size_t done = 0; done < count;) {
            long long got = file.ReadAt(offset + done, out + done, count - done);
            if (got <= 0) {
                return false;
            }
            done += static_cast<size_t>(got);
        }
        return true;
    };
}

// The same, for a region of the file that starts at base.
inline ReadAtFn SongFileReader(CSongFile& file, uint64_t base) {
    return [read = SongFileReader(file), base](uint64_t offset, size_t count, uint8_t* out) {
        return read(base + offset, count, out);
    };
}

}  // namespace songcore
