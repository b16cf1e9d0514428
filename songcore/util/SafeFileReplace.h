#pragma once
// Replaces the content of a file without ever leaving it half written: the
// new content goes to a temporary file in the same folder, which is flushed
// to disk, given the old file's permissions and renamed over the old name.
// Until commit() succeeds the original file is untouched, and a replacement
// that is abandoned (or fails) removes its temporary file.

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
    bool copyFromFd(int fd, uint64_t offset, uint64_t length);
    // Flushes, fixes permissions and renames over the target.
    bool commit();

    uint64_t size() const { return written_ + pending_.size(); }
    const std::string& error() const { return error_; }
    const std::string& targetPath() const { return target_; }

private:
    bool flushPending();
    bool fail(const std::string& what, int err);
    void discard();

    std::string target_;
    std::string temp_;
    int fd_ = -1;
    bool failed_ = false;
    bool committed_ = false;
    uint64_t written_ = 0;
    std::vector<uint8_t> pending_;
    std::string error_;
};

// Commits a pending replacement, if there is one, and lets it go; on
// failure the reason goes to error. True when nothing was pending.
bool CommitPending(std::unique_ptr<SafeFileReplace>& pending, std::string& error);

// Writes a whole small file (a list, a settings file) safely.
bool WriteFileSafely(const std::string& path, std::span<const uint8_t> data,
                     std::string* error = nullptr);

}  // namespace songcore
