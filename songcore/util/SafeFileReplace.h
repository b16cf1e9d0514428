#pragma once
// Replaces the content of a file without ever leaving it half written: the
// new content goes to a temporary file with a short name (".tm-XXXXXX") in
// the same folder, which is flushed to disk, given the old file's mode,
// owner and group (where permitted), extended attributes and ACLs, and
// renamed over the old name. Until commit() succeeds the original file is
// untouched, and a replacement that is abandoned, fails or is interrupted by
// a signal (see RemoveTemporaryFilesNow) removes its temporary file. The
// temporary file is locked while it is written and carries a mark (the
// extended attribute user.tunemoss.temporary) until it is renamed, so one
// left behind by a killed process is told apart from a user's own file of a
// similar name, and removed by the next replacement in that folder.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace songcore {

class SafeFileReplace {
public:
    // Reads up to count bytes at offset into buffer; returns the number read,
    // or a negative number on failure.
    using ReadAt = std::function<long long(uint64_t offset, uint8_t* buffer, size_t count)>;

    explicit SafeFileReplace(std::string targetPath);
    ~SafeFileReplace();
    SafeFileReplace(const SafeFileReplace&) = delete;
    SafeFileReplace& operator=(const SafeFileReplace&) = delete;

    // Creates the temporary file. The target need not exist yet.
    bool begin();
    bool append(std::span<const uint8_t> data);
    bool append(const void* data, size_t size) {
        return append(std::span<const uint8_t>(static_cast<const uint8_t*>(data), size));
    }
    // Streams length bytes from another source in blocks, so large audio data
    // is never held in memory whole. Fails when the source ends early.
    bool copyFrom(const ReadAt& read, uint64_t offset, uint64_t length);
    // The same from a file's descriptor: copied by the kernel where it can,
    // with the source's holes kept as holes.
    bool copyFromFd(int fd, uint64_t offset, uint64_t length);
    // Writes out what is buffered, so the temporary file holds all of it.
    bool flush() { return flushPending(); }
    // Flushes, gives it the target's identity and renames it over the target.
    bool commit();
    // After a commit with keepOpen set, the descriptor of the new file (open
    // for reading and writing, still locked) passes to the caller.
    void setKeepOpen(bool keep) { keepOpen_ = keep; }
    // The commit fails, rather than give the file another owner or group,
    // when this user cannot keep the target's (a song of another user).
    void setKeepOwner(bool keep) { keepOwner_ = keep; }
    int releaseDescriptor();
    // The temporary file's descriptor while it is being written.
    int descriptor() const { return fd_; }

    uint64_t size() const { return written_ + pending_.size(); }
    const std::string& error() const { return error_; }
    const std::string& targetPath() const { return target_; }

private:
    bool flushPending();
    bool copyBlocks(const ReadAt& read, uint64_t offset, uint64_t length);
    bool sourceEnded();
    bool fail(const std::string& what, int err);
    void discard();

    std::string target_;
    std::string temp_;
    int fd_ = -1;
    int signalSlot_ = -1;
    bool failed_ = false;
    bool committed_ = false;
    bool keepOpen_ = false;
    bool keepOwner_ = false;
    bool endsInHole_ = false;
    bool copyInKernel_ = true;
    uint64_t written_ = 0;
    std::vector<uint8_t> pending_;
    std::string error_;
};

// Removes the temporary files of the replacements in progress. Safe to call
// from a signal handler; the programs call it when they are interrupted.
void RemoveTemporaryFilesNow();

// Commits a pending replacement, if there is one, and lets it go; on
// failure the reason goes to error. True when nothing was pending.
bool CommitPending(std::unique_ptr<SafeFileReplace>& pending, std::string& error);

// Writes a whole small file (a list, a settings file) safely.
bool WriteFileSafely(const std::string& path, std::span<const uint8_t> data,
                     std::string* error = nullptr);

}  // namespace songcore
