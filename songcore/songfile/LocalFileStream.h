#pragma once
// A local file behind a POSIX descriptor, with a small read buffer: tag
// readers make many small reads near each other.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "songcore/songfile/SongFileStream.h"

namespace songcore {

class LocalFileStream : public SongFileStream {
public:
    // Opens path with open(2) flags; returns null and sets error on failure.
    static std::unique_ptr<LocalFileStream> open(const std::string& path, int flags,
                                                 std::string& error);
    // Takes over an open descriptor of a regular file.
    static std::unique_ptr<LocalFileStream> adopt(int fd);
    ~LocalFileStream() override;

    long long readAt(uint64_t offset, void* buffer, size_t count) override;
    long long readAtWithoutReadAhead(uint64_t offset, void* buffer, size_t count) override;
    bool writeAt(uint64_t offset, const void* buffer, size_t count) override;
    long long length() override;
    bool setLength(uint64_t length) override;
    bool isRemote() const override { return false; }
    int descriptor() const override { return fd_; }
    void refresh() override {
        buffer_.clear();
        cachedLength_ = -1;
    }

private:
    explicit LocalFileStream(int fd) : fd_(fd) {}
    long long preadAll(uint64_t offset, void* buffer, size_t count);
    // A read that needs no system call: a cancelled one (-1), an empty one,
    // or one the buffer holds; nothing when the file must be read.
    std::optional<long long> readAtHand(uint64_t offset, void* buffer, size_t count);

    int fd_;
    long long cachedLength_ = -1;
    std::vector<uint8_t> buffer_;
    uint64_t bufferOffset_ = 0;
};

}  // namespace songcore
