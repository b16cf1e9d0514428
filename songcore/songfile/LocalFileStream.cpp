#include "songcore/songfile/LocalFileStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

#include "songcore/util/SpareBuffers.h"

namespace songcore {
namespace {
constexpr size_t kReadBuffer = 8192;
// Reads up to this size are kept for the next ones; longer ones (audio being
// copied) go straight to the caller.
constexpr size_t kLargestKeptRead = 256 * 1024;
}  // namespace

std::unique_ptr<LocalFileStream> LocalFileStream::open(const std::string& path, int flags,
                                                       std::string& error, struct stat* opened) {
    // O_NONBLOCK keeps a named pipe from blocking the open; it is refused below.
    int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) {
        error = std::strerror(errno);
        return nullptr;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        error = std::strerror(errno);
        ::close(fd);
        return nullptr;
    }
    if (!S_ISREG(st.st_mode)) {
        error = S_ISDIR(st.st_mode) ? std::strerror(EISDIR) : "not a regular file";
        ::close(fd);
        return nullptr;
    }
    // O_NONBLOCK stays set: it changes nothing for a regular file, and
    // clearing it would cost two system calls on every file read.
    auto stream = std::unique_ptr<LocalFileStream>(new LocalFileStream(fd));
    stream->cachedLength_ = st.st_size;
    if (opened != nullptr) {
        *opened = st;
    }
    return stream;
}

std::unique_ptr<LocalFileStream> LocalFileStream::adopt(int fd) {
    return std::unique_ptr<LocalFileStream>(new LocalFileStream(fd));
}

LocalFileStream::~LocalFileStream() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
    LeaveSpareBuffer(head_.bytes);
    LeaveSpareBuffer(tail_.bytes);
}

long long LocalFileStream::preadAll(uint64_t offset, void* buffer, size_t count) {
    size_t done = 0;
    auto* out = static_cast<uint8_t*>(buffer);
    while (done < count) {
        ssize_t n = ::pread(fd_, out + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            setError(std::strerror(errno));
            return -1;
        }
        if (n == 0) {
            break;
        }
        done += static_cast<size_t>(n);
    }
    return static_cast<long long>(done);
}

std::optional<long long> LocalFileStream::readAtHand(uint64_t offset, void* buffer, size_t count) {
    if (aborted()) {
        setError("the read was cancelled");
        return -1;
    }
    if (count == 0) {
        return 0;
    }
    for (const Window* window : {&head_, &tail_}) {
        if (window->holds(offset, count)) {
            std::memcpy(buffer, window->bytes.data() + (offset - window->offset), count);
            return static_cast<long long>(count);
        }
    }
    return std::nullopt;
}

void LocalFileStream::dropBuffers() {
    head_.bytes.clear();
    tail_.bytes.clear();
}

long long LocalFileStream::readAt(uint64_t offset, void* buffer, size_t count) {
    if (std::optional<long long> done = readAtHand(offset, buffer, count)) {
        return *done;
    }
    if (count >= kReadBuffer) {
        if (count > kLargestKeptRead) {
            return preadAll(offset, buffer, count);
        }
        // A tag larger than the buffer is read whole, and read again by the
        // writer: it is kept, in place of what the buffer held. It is read
        // into the caller's memory and copied once, not zero-filled first.
        long long got = preadAll(offset, buffer, count);
        const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
        TakeSpareBuffer(head_.bytes, got < 0 ? 0 : static_cast<size_t>(got));
        head_.bytes.assign(bytes, bytes + (got < 0 ? 0 : got));
        head_.offset = offset;
        return got;
    }
    // Tags sit at both ends of a file: a read near the end fills the buffer
    // with the file's last bytes, so the reads before it there (ID3v1, the
    // APEv2 footer, then its items) come from one system call. Asking for no
    // more than the file holds also spares the read that would only find
    // the end.
    uint64_t start = offset;
    size_t want = kReadBuffer;
    bool atTail = false;
    if (cachedLength_ >= 0) {
        uint64_t length = static_cast<uint64_t>(cachedLength_);
        if (offset + count <= length) {
            start = std::min(offset, length > kReadBuffer ? length - kReadBuffer : 0);
            want = static_cast<size_t>(std::min<uint64_t>(kReadBuffer, length - start));
            atTail = start > 0 && start + want == length;
        }
    }
    Window& window = atTail ? tail_ : head_;
    TakeSpareBuffer(window.bytes, want);
    window.bytes.resize(want);
    long long got = preadAll(start, window.bytes.data(), want);
    if (got < 0) {
        window.bytes.clear();
        return -1;
    }
    window.bytes.resize(static_cast<size_t>(got));
    window.offset = start;
    if (offset - start >= window.bytes.size()) {
        return 0;  // the file became shorter than we knew it
    }
    size_t n = std::min(count, window.bytes.size() - static_cast<size_t>(offset - start));
    std::memcpy(buffer, window.bytes.data() + (offset - start), n);
    return static_cast<long long>(n);
}

long long LocalFileStream::readAtWithoutReadAhead(uint64_t offset, void* buffer, size_t count) {
    if (std::optional<long long> done = readAtHand(offset, buffer, count)) {
        return *done;
    }
    return preadAll(offset, buffer, count);
}

bool LocalFileStream::writeAt(uint64_t offset, const void* buffer, size_t count) {
    if (aborted()) {
        setError("the write was cancelled");
        return false;
    }
    dropBuffers();
    cachedLength_ = -1;
    size_t done = 0;
    const auto* in = static_cast<const uint8_t*>(buffer);
    while (done < count) {
        ssize_t n = ::pwrite(fd_, in + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            setError(std::strerror(errno));
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

long long LocalFileStream::length() {
    if (aborted()) {
        return -1;
    }
    if (cachedLength_ < 0) {
        struct stat st;
        if (::fstat(fd_, &st) != 0) {
            setError(std::strerror(errno));
            return -1;
        }
        cachedLength_ = st.st_size;
    }
    return cachedLength_;
}

bool LocalFileStream::setLength(uint64_t length) {
    if (aborted()) {
        return false;
    }
    dropBuffers();
    cachedLength_ = -1;
    if (::ftruncate(fd_, static_cast<off_t>(length)) != 0) {
        setError(std::strerror(errno));
        return false;
    }
    return true;
}

}  // namespace songcore
