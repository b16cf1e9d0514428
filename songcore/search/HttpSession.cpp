#include "songcore/search/HttpSession.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "songcore/util/CurlLibrary.h"
#include "songcore/util/NetworkDeadline.h"

namespace songcore {
namespace {

struct CurlDeleter {
    void operator()(CURL* curl) const { Curl().easy_cleanup(curl); }
};
struct CurlUrlDeleter {
    void operator()(CURLU* url) const { Curl().url_cleanup(url); }
};
struct CurlMultiDeleter {
    void operator()(CURLM* multi) const { Curl().multi_cleanup(multi); }
};
using CurlPtr = std::unique_ptr<CURL, CurlDeleter>;

// A part of a parsed address, or "" when it has none.
std::string UrlPart(CURLU* url, CURLUPart part) {
    char* text = nullptr;
    if (Curl().url_get(url, part, &text, 0) != CURLUE_OK || text == nullptr) {
        return "";
    }
    std::string result(text);
    Curl().free(text);
    return result;
}

const char* kUserAgent = "Tunemoss/0.1";

void CommonOptions(CURL* curl, int connectTimeOut) {
    Curl().easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    Curl().easy_setopt(curl, CURLOPT_USERAGENT, kUserAgent);
    Curl().easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, static_cast<long>(connectTimeOut));
    Curl().easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    Curl().easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
}

struct PageSink {
    int fd;
    long long written = 0;
    bool tooLarge = false;
    bool writeFailed = false;
    const std::function<bool()>* keepGoing;

    static size_t onData(char* data, size_t size, size_t count, void* user) {
        auto* self = static_cast<PageSink*>(user);
        size_t bytes = size * count;
        if (!(*self->keepGoing)()) {
            return 0;  // a stop ends the transfer after this chunk
        }
        if (self->written + static_cast<long long>(bytes) > HttpSession::kMaxPageSize) {
            self->tooLarge = true;
            return 0;
        }
        size_t done = 0;
        while (done < bytes) {
            ssize_t n = ::write(self->fd, data + done, bytes - done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                self->writeFailed = true;
                return 0;
            }
            done += static_cast<size_t>(n);
        }
        self->written += static_cast<long long>(bytes);
        return bytes;
    }
};

}  // namespace

std::shared_ptr<HttpSession> HttpSession::Open(const std::string& host, int port,
                                               int connectTimeOut, std::string& error) {
    if (!CurlLibrary::Get(&error)) {
        return nullptr;
    }
    if (host.empty()) {
        error = "no host given";
        return nullptr;
    }
    std::string address = host;
    if (address.find("://") == std::string::npos) {
        bool bareIpv6 = address.find(':') != std::string::npos && address.front() != '[';
        address = bareIpv6 ? "http://[" + address + "]" : "http://" + address;
    }
    std::unique_ptr<CURLU, CurlUrlDeleter> url(Curl().url());
    if (!url || Curl().url_set(url.get(), CURLUPART_URL, address.c_str(), 0) != CURLUE_OK) {
        error = "not a valid address";
        return nullptr;
    }
    std::string scheme = UrlPart(url.get(), CURLUPART_SCHEME);
    if (scheme != "http" && scheme != "https") {
        error = "only http and https addresses can be searched";
        return nullptr;
    }
    std::string path = UrlPart(url.get(), CURLUPART_PATH);
    if ((!path.empty() && path != "/") || !UrlPart(url.get(), CURLUPART_QUERY).empty() ||
        !UrlPart(url.get(), CURLUPART_FRAGMENT).empty()) {
        error = "the address of the service must not have a path";
        return nullptr;
    }
    if (UrlPart(url.get(), CURLUPART_PORT).empty() && port > 0) {
        if (port > 65535) {
            error = "not a valid port";
            return nullptr;
        }
        Curl().url_set(url.get(), CURLUPART_PORT, std::to_string(port).c_str(), 0);
    }
    std::string base = UrlPart(url.get(), CURLUPART_URL);
    while (!base.empty() && base.back() == '/') {
        base.pop_back();
    }

    // Reach the service now, so that a wrong host or port is refused here and
    // not by a search that silently finds nothing.
    CurlPtr probe(Curl().easy_init());
    if (!probe) {
        error = "cannot start an internet transfer";
        return nullptr;
    }
    CommonOptions(probe.get(), connectTimeOut);
    Curl().easy_setopt(probe.get(), CURLOPT_URL, (base + "/").c_str());
    Curl().easy_setopt(probe.get(), CURLOPT_CONNECT_ONLY, 1L);
    CURLcode result = Curl().easy_perform(probe.get());
    if (result != CURLE_OK) {
        error = Curl().easy_strerror(result);
        return nullptr;
    }
    return std::shared_ptr<HttpSession>(new HttpSession(base, connectTimeOut));
}

bool HttpSession::Get(const std::string& path, int fd, const std::function<bool()>& keepGoing,
                      std::string& error) {
    const std::function<bool()> check = [&] { return !closed() && keepGoing(); };
    CurlPtr curl(Curl().easy_init());
    std::unique_ptr<CURLM, CurlMultiDeleter> multi(Curl().multi_init());
    if (!curl || !multi) {
        error = "cannot start an internet transfer";
        return false;
    }
    std::string url = baseUrl_ + (path.empty() || path.front() != '/' ? "/" : "") + path;
    PageSink sink{fd, 0, false, false, &check};
    CURL* c = curl.get();
    CommonOptions(c, connectTimeOut_);
    Curl().easy_setopt(c, CURLOPT_URL, url.c_str());
    Curl().easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    Curl().easy_setopt(c, CURLOPT_MAXREDIRS, 10L);
    // A server that stops sending is given up, and so is one that trickles
    // a page out for longer than the deadline; a stop waits for neither.
    const int deadlineMs = TransferDeadlineMs();
    Curl().easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    Curl().easy_setopt(c, CURLOPT_LOW_SPEED_TIME, static_cast<long>(kIdleSeconds));
    Curl().easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(deadlineMs));
    Curl().easy_setopt(c, CURLOPT_BUFFERSIZE, 4095L);
    Curl().easy_setopt(c, CURLOPT_WRITEFUNCTION, &PageSink::onData);
    Curl().easy_setopt(c, CURLOPT_WRITEDATA, &sink);

    // Driven here rather than by curl_easy_perform, so that a stop is seen
    // within a tenth of a second even while the server sends nothing.
    auto started = std::chrono::steady_clock::now();
    Curl().multi_add_handle(multi.get(), c);
    CURLcode result = CURLE_OK;
    bool stopped = false;
    int running = 1;
    while (running > 0) {
        if (Curl().multi_perform(multi.get(), &running) != CURLM_OK) {
            result = CURLE_FAILED_INIT;
            break;
        }
        if (running == 0) {
            break;
        }
        if (!check()) {
            stopped = true;
            break;
        }
        Curl().multi_poll(multi.get(), nullptr, 0, 100, nullptr);
    }
    int queued = 0;
    while (CURLMsg* message = Curl().multi_info_read(multi.get(), &queued)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == c) {
            result = message->data.result;
        }
    }
    long status = 0;
    Curl().easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    Curl().multi_remove_handle(multi.get(), c);

    if (stopped || !check()) {
        error = "the search was stopped";
        return false;
    }
    if (sink.tooLarge) {
        error = "the page is too large";
        return false;
    }
    if (sink.writeFailed) {
        error = "cannot write the page to a temporary file";
        return false;
    }
    if (result == CURLE_OPERATION_TIMEDOUT) {
        auto tookMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now() - started)
                          .count();
        error = DeadlineEndedTransfer(tookMs, deadlineMs, kIdleSeconds * 1000ll)
                    ? "the server did not send the page within " + SecondsText(deadlineMs)
                    : "the server sent nothing for " + SecondsText(kIdleSeconds * 1000ll);
        return false;
    }
    if (result != CURLE_OK) {
        error = Curl().easy_strerror(result);
        return false;
    }
    if (status >= 400) {
        error = "the server answered HTTP " + std::to_string(status);
        return false;
    }
    return true;
}

}  // namespace songcore
