#pragma once
// The internet search's link to one web service: the base address checked
// by Connect, and the GET of one page into a file. Shared by the search and
// every thread that fetches from it, so Close can make requests in flight
// fail while the object itself stays valid until the last of them ends.

#include <atomic>
#include <functional>
#include <memory>
#include <string>

namespace songcore {

class HttpSession {
public:
    // host: a host name or address, or an http(s) URL without a path; port
    // (when above 0) applies when the host does not give one. The service is
    // reached once to check that it answers. Null, with error set, when the
    // address is not usable or the host cannot be reached.
    static std::shared_ptr<HttpSession> Open(const std::string& host, int port, int connectTimeOut,
                                             std::string& error);

    // "http://host:port", without a slash at the end.
    const std::string& baseUrl() const { return baseUrl_; }

    // Every request in flight and every later one fails.
    void Close() { closed_.store(true); }
    bool closed() const { return closed_.load(); }

    // GETs path (appended to the base address) into the file fd. keepGoing
    // is polled between chunks and at least every 100 ms while waiting; when
    // it turns false the transfer ends at once and false is returned.
    bool Get(const std::string& path, int fd, const std::function<bool()>& keepGoing,
             std::string& error);

    // A page larger than this is not a result page.
    static constexpr long long kMaxPageSize = 64ll << 20;
    // A page request gives up after this long without data, and after the
    // transfer deadline (songcore/util/NetworkDeadline.h) in any case.
    static constexpr int kIdleSeconds = 60;

private:
    HttpSession(std::string baseUrl, int connectTimeOut)
        : baseUrl_(std::move(baseUrl)), connectTimeOut_(connectTimeOut) {}

    std::string baseUrl_;
    int connectTimeOut_;
    std::atomic<bool> closed_{false};
};

}  // namespace songcore
