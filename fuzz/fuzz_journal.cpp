// Reads write journal entries from arbitrary bytes, as recovery would read a
// damaged one, and checks a song against a well-formed one. The input is an
// entry; its last 64 bytes, when it has them, also make the song's content.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "songcore/util/FdIo.h"
#include "songcore/util/JournalEntry.h"

namespace {

int FileWith(const uint8_t* data, size_t size) {
    int fd = ::memfd_create("fuzz", MFD_CLOEXEC);
    if (fd >= 0 && !songcore::PwriteAll(fd, data, size, 0)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    int entryFd = FileWith(data, size);
    if (entryFd < 0) {
        return 0;
    }
    songcore::JournalEntry entry;
    if (songcore::ReadJournalEntry(entryFd, 0, size, entry) == songcore::EntryRead::kOk) {
        size_t tail = size < 64 ? size : 64;
        int songFd = FileWith(data + size - tail, tail);
        if (songFd >= 0) {
            std::string why = songcore::JournalEntryMismatch(entryFd, entry, songFd);
            // Only a song that checks out is given its old bytes back; a
            // small one, so the fuzzer does not make huge sparse files.
            if (why.empty() && entry.oldLength <= (1u << 20)) {
                songcore::ApplyJournalEntry(entryFd, entry, songFd, why);
            }
            ::close(songFd);
        }
    }
    ::close(entryFd);
    return 0;
}
