#include "songcore/songfile/HttpFileStream.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "songcore/util/CurlLibrary.h"
#include "songcore/util/NetworkDeadline.h"

namespace songcore {
namespace {

constexpr size_t kCacheBlocks = 16;

struct CurlDeleter {
    void operator()(CURL* curl) const { Curl().easy_cleanup(curl); }
};

int OpenSpillFile() {
    int fd = ::open("/tmp", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) {
        return fd;
    }
    char name[] = "/tmp/tunemoss-download-XXXXXX";
    fd = ::mkstemp(name);
    if (fd >= 0) {
        ::unlink(name);
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    return fd;
}

bool IsHttp(const std::string& url) {
    return strncasecmp(url.c_str(), "http://", 7) == 0 ||
           strncasecmp(url.c_str(), "https://", 8) == 0;
}

}  // namespace

// State of one request while curl runs it.
struct HttpFileStream::Transfer {
    HttpFileStream* owner = nullptr;
    CURL* curl = nullptr;
    bool decided = false;   // the status line has been seen
    bool spilling = false;  // writing the whole body to the spill file
    bool failed = false;
    long status = 0;
    std::string contentRange;
    std::vector<uint8_t> body;
    uint64_t spilled = 0;
    size_t limit = 0;

    static size_t onHeader(char* data, size_t size, size_t count, void* user) {
        auto* self = static_cast<Transfer*>(user);
        std::string line(data, size * count);
        if (line.size() > 14 && strncasecmp(line.c_str(), "content-range:", 14) == 0) {
            self->contentRange = line.substr(14);
        }
        return size * count;
    }

    static size_t onData(char* data, size_t size, size_t count, void* user) {
        auto* self = static_cast<Transfer*>(user);
        size_t bytes = size * count;
        if (!self->decided) {
            Curl().easy_getinfo(self->curl, CURLINFO_RESPONSE_CODE, &self->status);
            self->decided = true;
            self->spilling = self->status == 200 || self->status == 0;
            if (self->spilling) {
                self->owner->spillFd_ = OpenSpillFile();
                if (self->owner->spillFd_ < 0) {
                    self->failed = true;
                    return 0;
                }
            }
        }
        if (self->spilling) {
            if (self->spilled + bytes > kMaxSequentialDownload) {
                self->failed = true;
                return 0;
            }
            size_t done = 0;
            while (done < bytes) {
                ssize_t n = ::write(self->owner->spillFd_, data + done, bytes - done);
                if (n < 0 && errno == EINTR) {
                    continue;
                }
                if (n <= 0) {
                    self->failed = true;
                    return 0;
                }
                done += static_cast<size_t>(n);
            }
            self->spilled += bytes;
            return bytes;
        }
        if (self->status >= 300) {
            return bytes;  // an error page: only the status matters
        }
        if (self->body.size() + bytes > self->limit) {
            // More than was asked for: the answer is not the range we wanted.
            self->failed = true;
            return 0;
        }
        self->body.insert(self->body.end(), data, data + bytes);
        return bytes;
    }

    static int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
        auto* self = static_cast<Transfer*>(user);
        return self->owner->aborted() ? 1 : 0;
    }
};

HttpFileStream::HttpFileStream(std::string url, int connectTimeOut)
    : url_(std::move(url)), connectTimeOut_(connectTimeOut) {}

HttpFileStream::~HttpFileStream() {
    if (spillFd_ >= 0) {
        ::close(spillFd_);
    }
}

std::unique_ptr<HttpFileStream> HttpFileStream::open(
    const std::string& url, int connectTimeOut, std::string& error,
    const std::function<void(SongFileStream*)>& opening) {
    // Other schemes (file://, ftp://, ...) would reach what a song location
    // from a play list or a tag has no business reading.
    if (!IsHttp(url)) {
        error = "only http:// and https:// locations can be read";
        return nullptr;
    }
    if (!CurlLibrary::Get(&error)) {
        return nullptr;
    }
    auto stream = std::unique_ptr<HttpFileStream>(new HttpFileStream(url, connectTimeOut));
    if (opening) {
        opening(stream.get());
    }
    bool fetched = stream->fetchBlock(0, true);
    if (opening) {
        opening(nullptr);
    }
    if (!fetched) {
        error = stream->lastError();
        return nullptr;
    }
    return stream;
}

bool HttpFileStream::fetchBlock(uint64_t index, bool first) {
    std::unique_ptr<CURL, CurlDeleter> curl(Curl().easy_init());
    if (!curl) {
        setError("cannot start an internet transfer");
        return false;
    }
    Transfer transfer;
    transfer.owner = this;
    transfer.curl = curl.get();
    transfer.limit = kBlockSize;

    uint64_t from = index * kBlockSize;
    std::string range = std::to_string(from) + "-" + std::to_string(from + kBlockSize - 1);
    const int deadlineMs = TransferDeadlineMs();

    CURL* c = curl.get();
    Curl().easy_setopt(c, CURLOPT_URL, url_.c_str());
    Curl().easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    Curl().easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    Curl().easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    Curl().easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    Curl().easy_setopt(c, CURLOPT_MAXREDIRS, 10L);
    Curl().easy_setopt(c, CURLOPT_USERAGENT, "Tunemoss/0.1");
    Curl().easy_setopt(c, CURLOPT_CONNECTTIMEOUT, static_cast<long>(connectTimeOut_));
    // A server that stops sending is given up after the receive time-out.
    Curl().easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    Curl().easy_setopt(c, CURLOPT_LOW_SPEED_TIME, static_cast<long>(receiveTimeOut_));
    // And one that trickles bytes is given up after the transfer deadline.
    Curl().easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(deadlineMs));
    Curl().easy_setopt(c, CURLOPT_FAILONERROR, 0L);
    Curl().easy_setopt(c, CURLOPT_RANGE, range.c_str());
    Curl().easy_setopt(c, CURLOPT_HEADERFUNCTION, &Transfer::onHeader);
    Curl().easy_setopt(c, CURLOPT_HEADERDATA, &transfer);
    Curl().easy_setopt(c, CURLOPT_WRITEFUNCTION, &Transfer::onData);
    Curl().easy_setopt(c, CURLOPT_WRITEDATA, &transfer);
    Curl().easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &Transfer::onProgress);
    Curl().easy_setopt(c, CURLOPT_XFERINFODATA, &transfer);
    Curl().easy_setopt(c, CURLOPT_NOPROGRESS, 0L);

    auto started = std::chrono::steady_clock::now();
    CURLcode result = Curl().easy_perform(c);
    auto tookMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - started)
                      .count();
    long status = 0;
    Curl().easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    if (aborted()) {
        setError("the transfer was cancelled");
        return false;
    }
    if (transfer.failed) {
        setError(transfer.spilling ? "the download failed or is too large"
                                   : "the server sent more than the range asked for");
        return false;
    }
    if (result == CURLE_OPERATION_TIMEDOUT) {
        setError(DeadlineEndedTransfer(tookMs, deadlineMs, receiveTimeOut_ * 1000ll)
                     ? "the server did not finish sending within " + SecondsText(deadlineMs)
                     : "the server sent nothing for " + SecondsText(receiveTimeOut_ * 1000ll));
        return false;
    }
    if (result == CURLE_UNSUPPORTED_PROTOCOL) {
        setError("the server redirected to a location that is not http:// or https://");
        return false;
    }
    if (result != CURLE_OK) {
        setError(Curl().easy_strerror(result));
        return false;
    }
    if (status >= 400 && status != 416) {
        setError("the server answered HTTP " + std::to_string(status));
        return false;
    }
    if (status == 416) {
        // Asking for the start of an empty resource: it has no bytes.
        length_ = 0;
        return true;
    }
    if (transfer.spilling || (status == 200 && !transfer.decided)) {
        if (!first) {
            // The server honoured ranges before; changing its mind mid-way
            // would mix two versions of the file.
            setError("the server stopped answering range requests");
            return false;
        }
        if (spillFd_ < 0) {  // an empty 200 body never opened the spill file
            spillFd_ = OpenSpillFile();
        }
        length_ = transfer.spilled;
        return spillFd_ >= 0;
    }
    if (status != 206) {
        setError("unexpected answer HTTP " + std::to_string(status));
        return false;
    }
    if (first) {
        // "bytes 0-65535/123456": the total follows the slash.
        size_t slash = transfer.contentRange.find('/');
        if (slash == std::string::npos) {
            setError("the server did not give the length of the file");
            return false;
        }
        length_ = std::strtoull(transfer.contentRange.c_str() + slash + 1, nullptr, 10);
    }
    if (cache_.size() >= kCacheBlocks) {
        cache_.pop_back();
    }
    cache_.push_front(Block{index, std::move(transfer.body)});
    return true;
}

const HttpFileStream::Block* HttpFileStream::findBlock(uint64_t index) {
    for (auto it = cache_.begin(); it != cache_.end(); ++it) {
        if (it->index == index) {
            cache_.splice(cache_.begin(), cache_, it);
            return &cache_.front();
        }
    }
    if (!fetchBlock(index, false)) {
        return nullptr;
    }
    return &cache_.front();
}

long long HttpFileStream::readAt(uint64_t offset, void* buffer, size_t count) {
    if (aborted()) {
        setError("the read was cancelled");
        return -1;
    }
    if (offset >= length_ || count == 0) {
        return 0;
    }
    count = static_cast<size_t>(std::min<uint64_t>(count, length_ - offset));
    if (spillFd_ >= 0) {
        ssize_t n = ::pread(spillFd_, buffer, count, static_cast<off_t>(offset));
        return n < 0 ? -1 : n;
    }
    auto* out = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    while (done < count) {
        uint64_t at = offset + done;
        const Block* block = findBlock(at / kBlockSize);
        if (block == nullptr) {
            return done > 0 ? static_cast<long long>(done) : -1;
        }
        size_t inBlock = static_cast<size_t>(at % kBlockSize);
        if (inBlock >= block->data.size()) {
            break;  // the file is shorter than the server claimed
        }
        size_t n = std::min(count - done, block->data.size() - inBlock);
        std::memcpy(out + done, block->data.data() + inBlock, n);
        done += n;
    }
    return static_cast<long long>(done);
}

bool HttpFileStream::writeAt(uint64_t, const void*, size_t) {
    setError("an internet location cannot be written");
    return false;
}

bool HttpFileStream::setLength(uint64_t) {
    setError("an internet location cannot be truncated");
    return false;
}

bool HttpFileStream::setTimeOut(int seconds, bool receive) {
    if (seconds < 0) {
        return false;
    }
    if (receive) {
        receiveTimeOut_ = seconds;
    }
    // Send time-outs have no meaning for our small requests; accepted as stored.
    return true;
}

}  // namespace songcore
