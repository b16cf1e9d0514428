#pragma once
// Requests to the web services Tunemoss looks albums up in, made as those
// services ask of their clients: a User-Agent that names the program and
// where to reach its makers, at most one request a second to each host
// (one limiter for the whole process), waiting as long as an answer of 503
// or 429 asks (Retry-After) before trying again, and answers kept for a day
// in a bounded cache, so that the same lookup does not ask twice. Only https
// is used, but for a service on this machine (a test server, a local
// mirror). Every transfer ends at the deadlines the other transfers keep,
// and an answer larger than asked for (kMaxBodySize unless told) is refused.

#include <chrono>
#include <functional>
#include <string>

namespace songcore {

struct WebResponse {
    long status = 0;    // the HTTP status, 0 when there was no answer
    std::string body;   // the answer's body, for a status of 200
    std::string error;  // what failed; empty on a 200 answer
    bool fromCache = false;
};

class WebClient {
public:
    static constexpr size_t kMaxBodySize = 8u << 20;
    static constexpr int kRetries = 3;
    // A Retry-After longer than this is not waited for.
    static constexpr std::chrono::seconds kMaxRetryWait{60};

    // GETs url. keepGoing, polled while waiting and during the transfer,
    // ends the request when it turns false; an answer larger than maxBytes
    // is refused.
    static WebResponse Get(const std::string& url, const std::function<bool()>& keepGoing = nullptr,
                           size_t maxBytes = kMaxBodySize);

    // The time between two requests to one host; the tests shorten it.
    static void SetRequestInterval(std::chrono::milliseconds interval);
    // "Tunemoss/0.1.0 ( https://github.com/tunemoss/tunemoss )"
    static std::string UserAgent();
    // $XDG_CACHE_HOME/Tunemoss/web, else ~/.cache/Tunemoss/web.
    static std::string CacheFolder();
};

// Percent-encodes everything but the unreserved characters, for a query.
std::string UrlEncode(const std::string& text);

}  // namespace songcore
