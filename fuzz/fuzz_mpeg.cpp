// Runs the MPEG audio scanner over arbitrary bytes held in an in-memory
// file: finding the first frame, the VBR headers and their seek points, and
// walking the frames both ways.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

#include "songcore/mpeg/MPAException.h"
#include "songcore/mpeg/MPAFile.h"

namespace {

int MemoryFile(const uint8_t* data, size_t size) {
    static const int fd = ::memfd_create("fuzz-mpeg", MFD_CLOEXEC);
    if (fd < 0 || ::ftruncate(fd, 0) != 0) {
        std::abort();
    }
    size_t written = 0;
    while (written < size) {
        ssize_t got = ::pwrite(fd, data + written, size - written, static_cast<off_t>(written));
        if (got <= 0) {
            std::abort();
        }
        written += static_cast<size_t>(got);
    }
    return fd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    int fd = MemoryFile(data, size);
    // The first byte picks a begin offset and whether a tag at the end is
    // cut off, as the library passes them.
    uint32_t begin = size > 0 ? data[0] % 8 : 0;
    uint64_t dataEnd = (size > 1 && (data[1] & 1)) ? size - size / 8 : 0;
    try {
        CMPAFile file("fuzz", begin, fd, dataEnd);
        if (const CVBRHeader* vbr = file.GetVBRHeader()) {
            uint32_t point = 0;
            for (float percent : {-1.0f, 0.0f, 33.3f, 99.5f, 100.0f, 250.0f}) {
                vbr->SeekPoint(percent, point);
            }
        }
        for (int i = 0; i < 64 && file.GetNextFrame(); ++i) {
        }
        for (int i = 0; i < 8 && file.GetPrevFrame(); ++i) {
        }
        if (file.GetLastFrame()) {
            file.GetPrevFrame();
        }
        file.GetCurrentHeader().GetLengthSecond(1000);
    } catch (const CMPAException& e) {
        e.GetErrorText();
    }
    return 0;
}
