#pragma once
// An internet location read through libcurl. Random access uses HTTP Range
// requests with a small block cache; a server that ignores ranges (a plain
// 200 answer) is downloaded once, sequentially, into an unnamed temporary
// file. Read only; http and https only, redirects included. Each request
// gives up when the server sends nothing for the receive time-out, and in
// any case after the transfer deadline (songcore/util/NetworkDeadline.h).

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "songcore/songfile/SongFileStream.h"

namespace songcore {

class HttpFileStream : public SongFileStream {
public:
    // opening, when given, is told of the stream before its first request
    // and of nullptr after it, so that the request can be aborted from
    // another thread while it runs.
    static std::unique_ptr<HttpFileStream> open(
        const std::string& url, int connectTimeOut, std::string& error,
        const std::function<void(SongFileStream*)>& opening = {});
    ~HttpFileStream() override;

    long long readAt(uint64_t offset, void* buffer, size_t count) override;
    bool writeAt(uint64_t offset, const void* buffer, size_t count) override;
    long long length() override { return aborted() ? -1 : static_cast<long long>(length_); }
    bool setLength(uint64_t length) override;
    bool isRemote() const override { return true; }
    bool setTimeOut(int seconds, bool receive) override;

    static constexpr size_t kBlockSize = 64 * 1024;
    // A download of a server without ranges stops here rather than filling
    // the disk with an endless stream.
    static constexpr uint64_t kMaxSequentialDownload = 1ull << 30;

private:
    struct Block {
        uint64_t index;
        std::vector<uint8_t> data;
    };
    struct Transfer;

    HttpFileStream(std::string url, int connectTimeOut);
    // Fetches one block (or, when the server ignores ranges, the whole body).
    bool fetchBlock(uint64_t index, bool first);
    const Block* findBlock(uint64_t index);

    std::string url_;
    int connectTimeOut_;
    int receiveTimeOut_ = 30;
    uint64_t length_ = 0;
    int spillFd_ = -1;  // the whole body, when the server ignored the range
    std::list<Block> cache_;
};

}  // namespace songcore
