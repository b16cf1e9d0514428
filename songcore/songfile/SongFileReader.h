#pragma once
// A song file as the reading function the byte-level tag walkers take.

#include "songcore/songfile/SongFile.h"
#include "songcore/util/ReadExact.h"

namespace songcore {

// Reads through file.ReadExact, which leaves the file position alone.
inline ReadExactFn SongFileReader(CSongFile& file) {
    return [&file](uint64_t offset, size_t count, std::vector<uint8_t>& out) {
        return file.ReadExact(offset, count, out);
    };
}

// The same, for a region of the file that starts at base.
inline ReadExactFn SongFileReader(CSongFile& file, uint64_t base) {
    return [&file, base](uint64_t offset, size_t count, std::vector<uint8_t>& out) {
        return file.ReadExact(base + offset, count, out);
    };
}

// For a walk that hops between small reads far apart (page headers), where
// a buffer's worth read at each stop would add up to more than it needs.
inline ReadExactFn SongFileReaderWithoutReadAhead(CSongFile& file) {
    return [&file](uint64_t offset, size_t count, std::vector<uint8_t>& out) {
        return file.ReadExactWithoutReadAhead(offset, count, out);
    };
}

}  // namespace songcore
