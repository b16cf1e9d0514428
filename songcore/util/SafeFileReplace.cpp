#include "songcore/util/SafeFileReplace.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "songcore/util/FdIo.h"

namespace songcore {
namespace {

constexpr size_t kPendingLimit = 256 * 1024;
constexpr size_t kCopyBlock = 1024 * 1024;
// Bytes one copy_file_range call is asked for: a signal is answered between
// calls.
constexpr size_t kKernelCopyChunk = 16 * 1024 * 1024;
constexpr char kTempPrefix[] = ".tm-";
constexpr size_t kTempNameLength = 10;  // ".tm-" and six random characters
constexpr char kTemporaryMark[] = "user.tunemoss.temporary";

std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The temporary files being written, for RemoveTemporaryFilesNow. Plain
// arrays, so that a signal handler can walk them.
constexpr int kSignalSlots = 16;
struct SignalSlot {
    std::atomic<bool> used{false};
    char path[PATH_MAX] = {};
};
SignalSlot g_signalSlots[kSignalSlots];

int RegisterTemporary(const std::string& path) {
    if (path.size() >= PATH_MAX) {
        return -1;
    }
    for (int i = 0; i < kSignalSlots; ++i) {
        bool expected = false;
        SignalSlot& slot = g_signalSlots[i];
        // Claim with the path cleared, fill it in, then publish it.
        if (slot.used.load() || !slot.used.compare_exchange_strong(expected, true)) {
            continue;
        }
        slot.path[0] = '\0';
        std::memcpy(slot.path, path.c_str(), path.size() + 1);
        std::atomic_signal_fence(std::memory_order_seq_cst);
        return i;
    }
    return -1;
}

void UnregisterTemporary(int slot) {
    if (slot >= 0) {
        g_signalSlots[slot].path[0] = '\0';
        g_signalSlots[slot].used.store(false);
    }
}

bool IsOurTemporaryName(const char* name) {
    return std::strlen(name) == kTempNameLength &&
           std::strncmp(name, kTempPrefix, sizeof kTempPrefix - 1) == 0;
}

bool HasTemporaryMark(int fd) {
    char value = 0;
    return ::fgetxattr(fd, kTemporaryMark, &value, 1) == 1 && value == '1';
}

// Temporary files that a killed replacement left: ours by name, owner and
// mark, and no longer locked by the process writing them. On a file system
// without extended attributes such a file cannot be told from a user's own
// and stays.
void RemoveStaleTemporaries(const std::string& folder) {
    int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) {
        return;
    }
    DIR* dir = ::fdopendir(dirFd);
    if (dir == nullptr) {
        ::close(dirFd);
        return;
    }
    while (dirent* item = ::readdir(dir)) {
        if (!IsOurTemporaryName(item->d_name)) {
            continue;
        }
        int fd = ::openat(dirFd, item->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        struct stat st;
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
            HasTemporaryMark(fd) && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            ::unlinkat(dirFd, item->d_name, 0);
        }
        ::close(fd);
    }
    ::closedir(dir);
}

// Extended attributes, ACLs among them (system.posix_acl_access), go over
// to the new file. Those that this user may not set (trusted.*, some
// security.* ones) cannot be kept and are not a reason to fail.
bool CopyExtendedAttributes(const std::string& from, int to, std::string& error) {
    ssize_t size = ::listxattr(from.c_str(), nullptr, 0);
    if (size <= 0) {
        return true;  // none, or a file system without them
    }
    std::vector<char> names(static_cast<size_t>(size));
    size = ::listxattr(from.c_str(), names.data(), names.size());
    if (size < 0) {
        return true;
    }
    std::vector<char> value;
    for (size_t at = 0; at < static_cast<size_t>(size);) {
        const char* name = names.data() + at;
        at += std::strlen(name) + 1;
        ssize_t length = ::getxattr(from.c_str(), name, nullptr, 0);
        if (length < 0) {
            continue;
        }
        value.resize(static_cast<size_t>(length));
        length = ::getxattr(from.c_str(), name, value.data(), value.size());
        if (length < 0) {
            continue;
        }
        if (::fsetxattr(to, name, value.data(), static_cast<size_t>(length), 0) != 0) {
            bool mayFail = errno == EPERM || errno == ENOTSUP ||
                           std::strncmp(name, "trusted.", 8) == 0 ||
                           std::strncmp(name, "security.", 9) == 0;
            if (!mayFail) {
                error = std::string("cannot keep the extended attribute ") + name + ": " +
                        std::strerror(errno);
                return false;
            }
        }
    }
    return true;
}

bool AllZero(const uint8_t* data, size_t size) {
    return size > 0 && data[0] == 0 && std::memcmp(data, data + 1, size - 1) == 0;
}

}  // namespace

void RemoveTemporaryFilesNow() {
    for (SignalSlot& slot : g_signalSlots) {
        if (slot.used.load() && slot.path[0] != '\0') {
            ::unlink(slot.path);
        }
    }
}

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
    UnregisterTemporary(signalSlot_);
    signalSlot_ = -1;
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
    std::string folder = FolderOf(target_);
    RemoveStaleTemporaries(folder);
    // A short name beside the target, so the rename stays on one file
    // system and a target name of any allowed length still leaves room.
    std::string pattern = folder + "/" + kTempPrefix + "XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        return fail("cannot create a temporary file in " + folder, errno);
    }
    fd_ = fd;
    temp_ = name.data();
    signalSlot_ = RegisterTemporary(temp_);
    ::flock(fd_, LOCK_EX | LOCK_NB);  // ours alone: a fresh file
    ::fsetxattr(fd_, kTemporaryMark, "1", 1, 0);
    pending_.reserve(kPendingLimit);
    return true;
}

bool SafeFileReplace::flushPending() {
    if (failed_ || fd_ < 0) {
        return false;
    }
    if (pending_.empty()) {
        return true;
    }
    if (!PwriteAll(fd_, pending_.data(), pending_.size(), written_)) {
        return fail("cannot write the temporary file", errno);
    }
    written_ += pending_.size();
    pending_.clear();
    endsInHole_ = false;
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
            if (!PwriteAll(fd_, data.data(), data.size(), written_)) {
                return fail("cannot write the temporary file", errno);
            }
            written_ += data.size();
            endsInHole_ = false;
            return true;
        }
    }
    pending_.insert(pending_.end(), data.begin(), data.end());
    return true;
}

bool SafeFileReplace::copyFrom(const ReadAt& read, uint64_t offset, uint64_t length) {
    return flushPending() && copyBlocks(read, offset, length);
}

bool SafeFileReplace::copyBlocks(const ReadAt& read, uint64_t offset, uint64_t length) {
    std::vector<uint8_t> block(static_cast<size_t>(std::min<uint64_t>(length, kCopyBlock)));
    while (length > 0) {
        size_t want = static_cast<size_t>(std::min<uint64_t>(length, block.size()));
        long long got = read(offset, block.data(), want);
        if (got <= 0) {
            return sourceEnded();
        }
        size_t count = static_cast<size_t>(got);
        // A block of zeros is left as a hole: a sparse file stays sparse.
        if (count == kCopyBlock && AllZero(block.data(), count)) {
            endsInHole_ = true;
        } else if (!PwriteAll(fd_, block.data(), count, written_)) {
            return fail("cannot write the temporary file", errno);
        } else {
            endsInHole_ = false;
        }
        written_ += count;
        offset += count;
        length -= count;
    }
    return true;
}

bool SafeFileReplace::sourceEnded() {
    if (error_.empty()) {
        error_ = "the source file ended or could not be read";
    }
    failed_ = true;
    return false;
}

bool SafeFileReplace::copyFromFd(int fd, uint64_t offset, uint64_t length) {
    if (!flushPending()) {
        return false;
    }
    struct stat source;
    if (::fstat(fd, &source) != 0) {
        return fail("cannot read the source file", errno);
    }
    const uint64_t sourceSize = static_cast<uint64_t>(std::max<off_t>(source.st_size, 0));
    if (offset > sourceSize || length > sourceSize - offset) {
        return sourceEnded();
    }
    auto readFd = [fd](uint64_t at, uint8_t* buffer, size_t count) -> long long {
        return PreadAll(fd, buffer, count, at);
    };
    // The kernel copies the data itself (cp does the same), which spares a
    // pass through this process's memory; the source's holes are stepped
    // over and stay holes.
    const uint64_t end = offset + length;
    while (offset < end) {
        off_t data = ::lseek(fd, static_cast<off_t>(offset), SEEK_DATA);
        uint64_t dataAt = offset;
        if (data >= 0) {
            dataAt = std::min(static_cast<uint64_t>(data), end);
        } else if (errno == ENXIO) {
            dataAt = end;  // nothing but a hole up to the end of the file
        }
        if (dataAt > offset) {
            written_ += dataAt - offset;
            offset = dataAt;
            endsInHole_ = true;
            continue;
        }
        off_t hole = ::lseek(fd, static_cast<off_t>(offset), SEEK_HOLE);
        uint64_t runEnd =
            hole > static_cast<off_t>(offset) ? std::min(static_cast<uint64_t>(hole), end) : end;
        while (offset < runEnd) {
            loff_t from = static_cast<loff_t>(offset);
            loff_t to = static_cast<loff_t>(written_);
            size_t want =
                static_cast<size_t>(std::min<uint64_t>(runEnd - offset, kKernelCopyChunk));
            ssize_t copied = copyInKernel_ ? ::copy_file_range(fd, &from, fd_, &to, want, 0) : -1;
            if (copied > 0) {
                offset += static_cast<uint64_t>(copied);
                written_ += static_cast<uint64_t>(copied);
                endsInHole_ = false;
                continue;
            }
            if (copied < 0 && copyInKernel_ && errno == EINTR) {
                continue;
            }
            if (copied < 0 && copyInKernel_ && errno != EXDEV && errno != EINVAL &&
                errno != ENOSYS && errno != EOPNOTSUPP && errno != EBADF) {
                return fail("cannot write the temporary file", errno);
            }
            // A file system (or kernel) that cannot copy between these two
            // files, or claims an end the file's size denies: the data goes
            // through this process instead, which also tells a real end.
            copyInKernel_ = false;
            if (!copyBlocks(readFd, offset, runEnd - offset)) {
                return false;
            }
            offset = runEnd;
        }
    }
    return true;
}

bool SafeFileReplace::commit() {
    if (committed_ || !flushPending()) {
        return false;
    }
    if (endsInHole_ && ::ftruncate(fd_, static_cast<off_t>(written_)) != 0) {
        return fail("cannot write the temporary file", errno);
    }
    struct stat original;
    if (::stat(target_.c_str(), &original) == 0) {
        // The owner can only be kept by root; a member of the file's group
        // can still keep the group. Either failing is harmless.
        if (::fchown(fd_, original.st_uid, original.st_gid) != 0) {
            if (::fchown(fd_, static_cast<uid_t>(-1), original.st_gid) != 0) {
                errno = 0;
            }
        }
        struct stat made;
        if (keepOwner_ && (::fstat(fd_, &made) != 0 || made.st_uid != original.st_uid ||
                           made.st_gid != original.st_gid)) {
            error_ = "cannot give the new file the owner and group of " + target_;
            failed_ = true;
            return false;
        }
        std::string why;
        if (!CopyExtendedAttributes(target_, fd_, why)) {
            error_ = why;
            failed_ = true;
            return false;
        }
        // After fchown, which clears the set-id bits; after the ACL, whose
        // mask the mode must match.
        if (::fchmod(fd_, original.st_mode & 07777) != 0) {
            return fail("cannot set the permissions of the temporary file", errno);
        }
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd_, 0666 & ~mask);
    }
    ::fremovexattr(fd_, kTemporaryMark);
    if (::fsync(fd_) != 0) {
        return fail("cannot flush the temporary file", errno);
    }
    if (::rename(temp_.c_str(), target_.c_str()) != 0) {
        return fail("cannot replace " + target_, errno);
    }
    committed_ = true;
    UnregisterTemporary(signalSlot_);
    signalSlot_ = -1;
    if (!keepOpen_) {
        ::close(fd_);
        fd_ = -1;
    }
    // Make the rename itself durable.
    int dir = ::open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

int SafeFileReplace::releaseDescriptor() {
    if (!committed_) {
        return -1;
    }
    int fd = fd_;
    fd_ = -1;
    return fd;
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
