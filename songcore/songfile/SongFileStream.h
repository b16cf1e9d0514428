#pragma once
// The byte source behind a CSongFile: a local file or an internet location.
// Positions are explicit so that CSongFile keeps the one file position.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

namespace songcore {

class SongFileStream {
public:
    virtual ~SongFileStream() = default;

    // Bytes read (0 at the end), or -1 on failure.
    virtual long long readAt(uint64_t offset, void* buffer, size_t count) = 0;
    // Like readAt, but bytes that are not at hand are read alone, nothing
    // around them: for walks that hop between small reads far apart, where
    // a buffer's worth at each stop would be read for nothing.
    virtual long long readAtWithoutReadAhead(uint64_t offset, void* buffer, size_t count) {
        return readAt(offset, buffer, count);
    }
    virtual bool writeAt(uint64_t offset, const void* buffer, size_t count) = 0;
    // Length in bytes, or -1 on failure.
    virtual long long length() = 0;
    virtual bool setLength(uint64_t length) = 0;
    virtual bool isRemote() const = 0;
    // The local descriptor, or -1 (internet locations).
    virtual int descriptor() const { return -1; }
    virtual bool setTimeOut(int /*seconds*/, bool /*receive*/) { return false; }
    // Forgets what it knows of the file (buffered bytes, and its length
    // unless the caller knows it: knownLength >= 0), after the file was
    // changed behind its back.
    virtual void refresh(long long /*knownLength*/ = -1) {}

    // Called from another thread: every later operation fails, and a transfer
    // in flight is cut short.
    void abort() { aborted_.store(true); }
    bool aborted() const { return aborted_.load(); }

    const std::string& lastError() const { return lastError_; }

protected:
    void setError(std::string text) { lastError_ = std::move(text); }

private:
    std::atomic<bool> aborted_{false};
    std::string lastError_;
};

}  // namespace songcore
