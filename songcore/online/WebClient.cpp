#include "songcore/online/WebClient.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "songcore/util/CurlLibrary.h"
#include "songcore/util/FdIo.h"
#include "songcore/util/Fnv1a.h"
#include "songcore/util/NetworkDeadline.h"
#include "songcore/util/PrivateFiles.h"

namespace songcore {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kCacheLife = std::chrono::hours(24);
constexpr uintmax_t kCacheSize = 64u << 20;
constexpr long kConnectSeconds = 30;
constexpr long kIdleSeconds = 60;

std::atomic<long long> requestIntervalMs{1000};

// When each host may be asked next, for every thread of the process.
struct HostClock {
    std::mutex mutex;
    std::map<std::string, Clock::time_point> next;
};
HostClock& Hosts() {
    static HostClock hosts;
    return hosts;
}

void Done(const std::string& host) {
    HostClock& hosts = Hosts();
    std::lock_guard lock(hosts.mutex);
    Clock::time_point& next = hosts.next[host];
    next = std::max(next, Clock::now() + std::chrono::milliseconds(requestIntervalMs.load()));
}

// Waits until host may be asked (not before after from now) and books the
// turn; false when keepGoing turned false meanwhile. The next turn counts
// from the end of this request (Done), so that the service sees the
// requests that far apart however long each one takes to arrive.
bool WaitForTurn(const std::string& host, const std::function<bool()>& keepGoing,
                 Clock::duration after = {}) {
    Clock::time_point turn;
    {
        HostClock& hosts = Hosts();
        std::lock_guard lock(hosts.mutex);
        Clock::time_point& next = hosts.next[host];
        turn = std::max(next, Clock::now() + after);
        next = turn + std::chrono::milliseconds(requestIntervalMs.load());
    }
    while (Clock::now() < turn) {
        if (keepGoing && !keepGoing()) {
            return false;
        }
        std::this_thread::sleep_for(
            std::min<Clock::duration>(turn - Clock::now(), std::chrono::milliseconds(100)));
    }
    return true;
}

struct CurlDeleter {
    void operator()(CURL* curl) const { Curl().easy_cleanup(curl); }
};
struct CurlUrlDeleter {
    void operator()(CURLU* url) const { Curl().url_cleanup(url); }
};

std::string UrlPart(CURLU* url, CURLUPart part) {
    char* text = nullptr;
    if (Curl().url_get(url, part, &text, 0) != CURLUE_OK || text == nullptr) {
        return {};
    }
    std::string result(text);
    Curl().free(text);
    return result;
}

bool IsThisMachine(const std::string& host) {
    return host == "localhost" || host == "127.0.0.1" || host == "[::1]" || host == "::1";
}

struct Transfer {
    std::string body;
    size_t maxBytes = WebClient::kMaxBodySize;
    bool tooLarge = false;
    long retryAfter = -1;  // seconds, when the answer said
    const std::function<bool()>* keepGoing = nullptr;

    static size_t OnData(char* data, size_t size, size_t count, void* user) {
        auto* self = static_cast<Transfer*>(user);
        size_t bytes = size * count;
        if (self->body.size() + bytes > self->maxBytes) {
            self->tooLarge = true;
            return 0;
        }
        self->body.append(data, bytes);
        return bytes;
    }
    static size_t OnHeader(char* data, size_t size, size_t count, void* user) {
        auto* self = static_cast<Transfer*>(user);
        std::string line(data, size * count);
        const std::string name = "retry-after:";
        if (line.size() > name.size()) {
            std::string start = line.substr(0, name.size());
            std::transform(start.begin(), start.end(), start.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            if (start == name) {
                char* end = nullptr;
                long seconds = std::strtol(line.c_str() + name.size(), &end, 10);
                if (end != line.c_str() + name.size() && seconds >= 0) {
                    self->retryAfter = seconds;
                }
            }
        }
        return size * count;
    }
    static int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
        auto* self = static_cast<Transfer*>(user);
        return (*self->keepGoing && !(*self->keepGoing)()) ? 1 : 0;
    }
};

std::string CachePath(const std::string& url) {
    std::string folder = WebClient::CacheFolder();
    if (folder.empty()) {
        return {};
    }
    Fnv1a hash;
    hash.add(std::span(reinterpret_cast<const uint8_t*>(url.data()), url.size()));
    char name[24];
    std::snprintf(name, sizeof name, "%016llx", static_cast<unsigned long long>(hash.value()));
    return folder + "/" + name;
}

// The cached answer: the address on the first line, then the body.
bool ReadCache(const std::string& url, size_t maxBytes, std::string& body) {
    std::string path = CachePath(url);
    std::string error;
    if (path.empty()) {
        return false;
    }
    int fd = OpenPrivateFile(path, O_RDONLY, error);
    if (fd < 0) {
        return false;
    }
    struct stat info;
    std::string text;
    bool ok =
        ::fstat(fd, &info) == 0 &&
        std::chrono::system_clock::now() - std::chrono::system_clock::from_time_t(info.st_mtime) <
            kCacheLife &&
        static_cast<uintmax_t>(info.st_size) <= maxBytes + url.size() + 1;
    if (ok) {
        text.resize(static_cast<size_t>(info.st_size));
        ok = PreadExact(fd, text.data(), text.size(), 0);
    }
    ::close(fd);
    if (!ok || text.compare(0, url.size() + 1, url + "\n") != 0) {
        return false;
    }
    body = text.substr(url.size() + 1);
    return true;
}

// Drops the oldest answers while the cache is over its size.
void PruneCache(const std::string& folder) {
    std::error_code error;
    std::vector<std::pair<std::filesystem::file_time_type, std::filesystem::path>> entries;
    uintmax_t total = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.is_regular_file(error) && entry.path().filename().string().size() == 16) {
            total += entry.file_size(error);
            entries.emplace_back(entry.last_write_time(error), entry.path());
        }
    }
    std::sort(entries.begin(), entries.end());
    for (const auto& [time, path] : entries) {
        if (total <= kCacheSize) {
            break;
        }
        uintmax_t size = std::filesystem::file_size(path, error);
        if (std::filesystem::remove(path, error)) {
            total -= std::min(total, size);
        }
    }
}

void WriteCache(const std::string& url, const std::string& body) {
    std::string path = CachePath(url);
    std::string error;
    if (path.empty() || !PreparePrivateFolder(WebClient::CacheFolder(), error)) {
        return;  // a cache that cannot be kept only costs a request
    }
    std::string temporary = path + ".new";
    int fd = OpenPrivateFile(temporary, O_WRONLY | O_CREAT | O_TRUNC, error);
    if (fd < 0) {
        return;
    }
    std::string text = url + "\n" + body;
    bool ok = PwriteAll(fd, text.data(), text.size(), 0);
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return;
    }
    PruneCache(WebClient::CacheFolder());
}

}  // namespace

void WebClient::SetRequestInterval(std::chrono::milliseconds interval) {
    requestIntervalMs.store(interval.count());
}

std::string WebClient::UserAgent() {
    return "Tunemoss/" TUNEMOSS_VERSION " ( https://github.com/tunemoss/tunemoss )";
}

std::string WebClient::CacheFolder() {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache != nullptr && cache[0] == '/') {
        return std::string(cache) + "/Tunemoss/web";
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') {
        return {};
    }
    return std::string(home) + "/.cache/Tunemoss/web";
}

WebResponse WebClient::Get(const std::string& url, const std::function<bool()>& keepGoing,
                           size_t maxBytes) {
    WebResponse response;
    if (!CurlLibrary::Get(&response.error)) {
        return response;
    }
    std::unique_ptr<CURLU, CurlUrlDeleter> parsed(Curl().url());
    if (!parsed || Curl().url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) {
        response.error = "not a valid address: " + url;
        return response;
    }
    const std::string scheme = UrlPart(parsed.get(), CURLUPART_SCHEME);
    const std::string host = UrlPart(parsed.get(), CURLUPART_HOST);
    const bool local = IsThisMachine(host);
    if (scheme != "https" && !(scheme == "http" && local)) {
        response.error = "only https addresses are asked: " + url;
        return response;
    }
    if (ReadCache(url, maxBytes, response.body)) {
        response.status = 200;
        response.fromCache = true;
        return response;
    }

    Clock::duration wait{};
    for (int attempt = 0;; ++attempt) {
        if (!WaitForTurn(host, keepGoing, wait)) {
            response.error = "the lookup was stopped";
            return response;
        }
        std::unique_ptr<CURL, CurlDeleter> curl(Curl().easy_init());
        if (!curl) {
            response.error = "cannot start an internet transfer";
            return response;
        }
        Transfer transfer;
        transfer.keepGoing = &keepGoing;
        transfer.maxBytes = maxBytes;
        CURL* c = curl.get();
        const char* protocols = local ? "http,https" : "https";
        Curl().easy_setopt(c, CURLOPT_URL, url.c_str());
        Curl().easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
        Curl().easy_setopt(c, CURLOPT_USERAGENT, UserAgent().c_str());
        Curl().easy_setopt(c, CURLOPT_PROTOCOLS_STR, protocols);
        Curl().easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, protocols);
        Curl().easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
        Curl().easy_setopt(c, CURLOPT_MAXREDIRS, 5L);
        Curl().easy_setopt(c, CURLOPT_ACCEPT_ENCODING, "");
        Curl().easy_setopt(c, CURLOPT_CONNECTTIMEOUT, kConnectSeconds);
        Curl().easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
        Curl().easy_setopt(c, CURLOPT_LOW_SPEED_TIME, kIdleSeconds);
        Curl().easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(TransferDeadlineMs()));
        Curl().easy_setopt(c, CURLOPT_WRITEFUNCTION, &Transfer::OnData);
        Curl().easy_setopt(c, CURLOPT_WRITEDATA, &transfer);
        Curl().easy_setopt(c, CURLOPT_HEADERFUNCTION, &Transfer::OnHeader);
        Curl().easy_setopt(c, CURLOPT_HEADERDATA, &transfer);
        Curl().easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
        Curl().easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &Transfer::OnProgress);
        Curl().easy_setopt(c, CURLOPT_XFERINFODATA, &transfer);
        CURLcode result = Curl().easy_perform(c);
        Done(host);
        Curl().easy_getinfo(c, CURLINFO_RESPONSE_CODE, &response.status);
        if (result == CURLE_ABORTED_BY_CALLBACK) {
            response.error = "the lookup was stopped";
            return response;
        }
        if (transfer.tooLarge) {
            response.error = "the answer is larger than " + std::to_string(maxBytes >> 20) + " MB";
            return response;
        }
        if (result != CURLE_OK) {
            response.error = Curl().easy_strerror(result);
            return response;
        }
        // Too busy: wait as long as asked (or a little longer each time).
        if ((response.status == 503 || response.status == 429) && attempt < kRetries) {
            std::chrono::seconds delay = transfer.retryAfter >= 0
                                             ? std::chrono::seconds(transfer.retryAfter)
                                             : std::chrono::seconds(1 << attempt);
            if (delay > kMaxRetryWait) {
                response.error =
                    "the service is busy and asks to wait " + std::to_string(delay.count()) + " s";
                return response;
            }
            wait = delay;
            continue;
        }
        if (response.status != 200) {
            response.error = "the service answered " + std::to_string(response.status);
            return response;
        }
        response.body = std::move(transfer.body);
        WriteCache(url, response.body);
        return response;
    }
}

std::string UrlEncode(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        }
    }
    return out;
}

}  // namespace songcore
