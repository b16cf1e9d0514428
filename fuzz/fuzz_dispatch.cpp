// Runs the reading dispatch over arbitrary bytes for every song type: the
// bytes become a file with each supported extension in turn.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/StreamProperties.h"

namespace {

const std::string& ScratchBase() {
    static const std::string base = [] {
        char pattern[] = "/tmp/tunemoss-fuzz-XXXXXX";
        const char* dir = ::mkdtemp(pattern);
        return std::string(dir ? dir : "/tmp") + "/input.";
    }();
    return base;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const char* kExtensions[] = {"mp3", "ogg", "m4a", "rm", "wma", "aac", "flac"};
    for (const char* ext : kExtensions) {
        std::string path = ScratchBase() + ext;
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd < 0) {
            return 0;
        }
        ssize_t written = ::write(fd, data, size);
        ::close(fd);
        if (written != static_cast<ssize_t>(size)) {
            return 0;
        }
        CSongFileInfo info;
        if (info.Open(path, 1, 0)) {
            info.GetSongInfo();
            songcore::ReadStreamProperties(info);
        }
    }
    return 0;
}
