#include "songcore/util/SafeFileReplace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace songcore {
namespace {

constexpr size_t kPendingLimit = 256 * 1024;
constexpr size_t kCopyBlock = 1024 * 1024;

std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool WriteAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

SafeFileReplace::SafeFileReplace(std::string targetPath) : target_(std::move(targetPath)) {}

SafeFileReplace::~SafeFileReplace() {
    discard();
}

void SafeFileReplace::discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!committed_ && !temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
}

bool SafeFileReplace::fail(const std::string& what, int err) {
    if (!failed_) {
        error_ = what + ": " + std::strerror(err);
    }
    failed_ = true;
    return false;
}

bool SafeFileReplace::begin() {
    if (fd_ >= 0 || committed_) {
        return false;
    }
    // A symbolic link keeps pointing at the file it names: replace the file.
    if (char* real = ::realpath(target_.c_str(), nullptr)) {
        target_ = real;
        std::free(real);
    }
    // Hidden name beside the target, so the rename stays on one file system.
    std::string pattern = FolderOf(target_) + "/." + NameOf(target_) + ".tunemoss-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0) {
        return fail("cannot create a temporary file in " + FolderOf(target_), errno);
    }
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    fd_ = fd;
    temp_ = name.data();
    pending_.reserve(kPendingLimit);
    return true;
}

bool SafeFileReplace::flushPending() {
    if (pending_.empty()) {
        return !failed_;
    }
    if (!WriteAll(fd_, pending_.data(), pending_.size())) {
        return fail("cannot write the temporary file", errno);
    }
    written_ += pending_.size();
    pending_.clear();
    return true;
}

bool SafeFileReplace::append(std::span<const uint8_t> data) {
    if (failed_ || fd_ < 0) {
        return false;
    }
    if (pending_.size() + data.size() > kPendingLimit) {
        if (!flushPending()) {
            return false;
        }
        if (data.size() >= kPendingLimit) {
            if (!WriteAll(fd_, data.data(), data.size())) {
                return fail("cannot write the temporary file", errno);
            }
            written_ += data.size();
            return true;
        }
    }
    pending_.insert(pending_.end(), data.begin(), data.end());
    return true;
}

bool SafeFileReplace::copyFrom(const ReadAt& read, uint64_t offset, uint64_t length) {
    if (failed_ || fd_ < 0) {
        return false;
    }
    if (!flushPending()) {
        return false;
    }
    std::vector<uint8_t> block(static_cast<size_t>(std::min<uint64_t>(length, kCopyBlock)));
    while (length > 0) {
        size_t want = static_cast<size_t>(std::min<uint64_t>(length, block.size()));
        long long got = read(offset, block.data(), want);
        if (got <= 0) {
            if (error_.empty()) {
                error_ = "the source file ended or could not be read";
            }
            failed_ = true;
            return false;
        }
        if (!WriteAll(fd_, block.data(), static_cast<size_t>(got))) {
            return fail("cannot write the temporary file", errno);
        }
        written_ += static_cast<uint64_t>(got);
        offset += static_cast<uint64_t>(got);
        length -= static_cast<uint64_t>(got);
    }
    return true;
}

bool SafeFileReplace::copyFromFd(int fd, uint64_t offset, uint64_t length) {
    return copyFrom(
        [fd](uint64_t at, uint8_t* buffer, size_t count) -> long long {
            for (;;) {
                ssize_t n = ::pread(fd, buffer, count, static_cast<off_t>(at));
                if (n < 0 && errno == EINTR) {
                    continue;
                }
                return n;
            }
        },
        offset, length);
}

bool SafeFileReplace::commit() {
    if (failed_ || fd_ < 0 || committed_) {
        return false;
    }
    if (!flushPending()) {
        return false;
    }
    struct stat original;
    if (::stat(target_.c_str(), &original) == 0) {
        if (::fchmod(fd_, original.st_mode & 07777) != 0) {
            return fail("cannot set the permissions of the temporary file", errno);
        }
        // Keeping the owner only works for root; a failure is harmless.
        if (::fchown(fd_, original.st_uid, original.st_gid) != 0) {
            errno = 0;
        }
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd_, 0666 & ~mask);
    }
    if (::fsync(fd_) != 0) {
        return fail("cannot flush the temporary file", errno);
    }
    if (::close(fd_) != 0) {
        fd_ = -1;
        return fail("cannot close the temporary file", errno);
    }
    fd_ = -1;
    if (::rename(temp_.c_str(), target_.c_str()) != 0) {
        return fail("cannot replace " + target_, errno);
    }
    committed_ = true;
    // Make the rename itself durable.
    int dir = ::open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

bool CommitPending(std::unique_ptr<SafeFileReplace>& pending, std::string& error) {
    if (!pending) {
        return true;
    }
    bool ok = pending->commit();
    if (!ok) {
        error = pending->error();
    }
    pending.reset();
    return ok;
}

bool WriteFileSafely(const std::string& path, std::span<const uint8_t> data, std::string* error) {
    SafeFileReplace replace(path);
    bool ok = replace.begin() && replace.append(data) && replace.commit();
    if (!ok && error) {
        *error = replace.error();
    }
    return ok;
}

}  // namespace songcore
