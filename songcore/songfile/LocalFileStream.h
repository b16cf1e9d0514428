#pragma once
// A local file behind a POSIX descriptor, with a small read buffer: tag
// readers make many small reads near each other.

#include <sys/stat.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "songcore/songfile/SongFileStream.h"

namespace songcore {

class LocalFileStream : public SongFileStream {
public:
    // Opens path with open(2) flags; returns null and sets error on failure.
    // opened, when given, receives the file's status as it was opened.
    static std::unique_ptr<LocalFileStream> open(const std::string& path, int flags,
                                                 std::string& error, struct stat* opened = nullptr);
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
    void refresh(long long knownLength = -1) override {
        dropBuffers();
        cachedLength_ = knownLength;
    }

private:
    explicit LocalFileStream(int fd) : fd_(fd) {}
    long long preadAll(uint64_t offset, void* buffer, size_t count);
    // A read that needs no system call: a cancelled one (-1), an empty one,
    // or one the buffer holds; nothing when the file must be read.
    std::optional<long long> readAtHand(uint64_t offset, void* buffer, size_t count);
    void dropBuffers();

    // Bytes of the file from offset; empty when none are held.
    struct Window {
        std::vector<uint8_t> bytes;
        uint64_t offset = 0;
        bool holds(uint64_t at, size_t count) const {
            return at >= offset && at - offset <= bytes.size() &&
                   count <= bytes.size() - (at - offset);
        }
    };

    int fd_;
    long long cachedLength_ = -1;
    // Tags sit at both ends of a file, and a write reads the head again
    // after the reader looked at the tail: one window for the file's last
    // bytes, one for the rest.
    Window head_;
    Window tail_;
};

}  // namespace songcore
