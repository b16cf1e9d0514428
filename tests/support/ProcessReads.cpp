#include "support/ProcessReads.h"

#include <fstream>

#include "songcore/tags/SongFileInfo.h"

namespace testsupport {

namespace {

uint64_t ProcessIoCount(const std::string& wanted) {
    std::ifstream in("/proc/self/io");
    std::string key;
    uint64_t value = 0;
    while (in >> key >> value) {
        if (key == wanted) {
            return value;
        }
    }
    return 0;
}

}  // namespace

uint64_t BytesReadSoFar() {
    return ProcessIoCount("rchar:");
}

uint64_t ReadCallsSoFar() {
    return ProcessIoCount("syscr:");
}

uint64_t BytesReadBySongInfo(const std::string& path) {
    uint64_t before = BytesReadSoFar();
    CSongFileInfo song;
    if (song.Open(path, 1, 0)) {
        song.GetSongInfo();
    }
    return BytesReadSoFar() - before;
}

}  // namespace testsupport
