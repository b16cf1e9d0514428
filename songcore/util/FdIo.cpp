#include "songcore/util/FdIo.h"

#include <unistd.h>

#include <cerrno>

namespace songcore {

bool PwriteAll(int fd, const void* data, size_t count, uint64_t offset) {
    const auto* in = static_cast<const uint8_t*>(data);
    size_t done = 0;
    while (done < count) {
        ssize_t n = ::pwrite(fd, in + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

long long PreadAll(int fd, void* data, size_t count, uint64_t offset) {
    auto* out = static_cast<uint8_t*>(data);
    size_t done = 0;
    while (done < count) {
        ssize_t n = ::pread(fd, out + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return -1;
        }
        if (n == 0) {
            break;
        }
        done += static_cast<size_t>(n);
    }
    return static_cast<long long>(done);
}

bool PreadExact(int fd, void* data, size_t count, uint64_t offset) {
    long long got = PreadAll(fd, data, count, offset);
    if (got >= 0 && static_cast<size_t>(got) != count) {
        errno = EIO;  // the file is shorter than it was
    }
    return got >= 0 && static_cast<size_t>(got) == count;
}

}  // namespace songcore
