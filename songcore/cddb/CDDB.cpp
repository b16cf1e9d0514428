#include "songcore/cddb/CDDB.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "songcore/cddb/CddbResponse.h"
#include "songcore/cddb/CddbSubmit.h"
#include "songcore/cddb/HTTPSocket.h"
#include "songcore/util/Base64.h"
#include "songcore/util/Hex.h"

namespace cddb = songcore::cddb;

namespace {

constexpr std::string_view kTerminator = "\r\n.\r\n";
constexpr size_t kGrowBy = 4096;
constexpr int kPollMs = 250;

// Arguments go into the request line of a GET: anything but the characters
// URLs leave alone is percent-encoded, so a blank or a line break in a user
// or product name cannot break the request.
std::string EncodeArgument(std::string_view text) {
    std::string encoded;
    for (unsigned char c : text) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '_' || c == '.' || c == '~') {
            encoded += static_cast<char>(c);
        } else {
            encoded += '%';
            songcore::AppendHexByte(encoded, c);
        }
    }
    return encoded;
}

// A header value on one line: line breaks would start headers of their own.
std::string HeaderValue(std::string_view text) {
    std::string value(text);
    std::replace_if(
        value.begin(), value.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return value;
}

// The host as the request line and the Host header name it; a port other
// than HTTP's own must go with it or the proxy would use port 80. An IPv6
// address is bracketed, so that its colons are not taken for the port's.
std::string HostPart(const CCDDBSite& site) {
    std::string host = HeaderValue(site.GetHost());
    if (host.find(':') != std::string::npos) {
        host = "[" + host + "]";
    }
    if (site.GetPort() == 80) {
        return host;
    }
    return host + ":" + std::to_string(site.GetPort());
}

std::string Hex8(uint32_t id) {
    char text[16];
    std::snprintf(text, sizeof text, "%08x", id);
    return text;
}

}  // namespace

CCDDB::CCDDB() = default;
CCDDB::~CCDDB() = default;

void CCDDB::SetProxyDetails(std::string host, int port, std::string user, std::string password) {
    proxyHost_ = std::move(host);
    proxyPort_ = port;
    proxyUser_ = std::move(user);
    proxyPassword_ = std::move(password);
}

void CCDDB::BeginCommand() {
    lastError_ = 0;
    systemError_ = 0;
    deviceMessage_.clear();
}

int CCDDB::BadResponse(std::string_view body) {
    lastCommandResponse_ = std::string(body);
    systemError_ = errorBadResponse;
    return 0;
}

std::string CCDDB::GetUserNameA() {
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_name != nullptr && found->pw_name[0] != '\0') {
        return found->pw_name;
    }
    return "user";
}

std::string CCDDB::GetHostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) == 0 && name[0] != '\0') {
        return name;
    }
    return "localhost";
}

std::string CCDDB::GetHelloCommand() {
    return "hello=" + EncodeArgument(GetUserNameA()) + "+" + EncodeArgument(GetHostName()) + "+" +
           EncodeArgument(productName_) + "+" + EncodeArgument(productVersion_) +
           "&proto=" + std::to_string(protocolVersion_);
}

std::string CCDDB::EncodeBase64(std::string_view data) {
    // MIME's form: lines of 76 characters, each ended by CRLF.
    std::string line = songcore::EncodeBase64(
        std::span(reinterpret_cast<const uint8_t*>(data.data()), data.size()));
    std::string out;
    out.reserve(Base64BufferSize(data.size()));
    for (size_t at = 0; at < line.size(); at += 76) {
        out.append(line, at, 76);
        if (at + 76 < line.size()) {
            out += "\r\n";
        }
    }
    out += "\r\n";
    return out;
}

size_t CCDDB::Base64BufferSize(size_t length) {
    size_t characters = (length + 2) / 3 * 4;
    size_t breaks = characters / 76 + 1;
    return characters + breaks * 2 + 1;
}

std::string CCDDB::PrepareTextForSubmit(std::string_view text) {
    return cddb::EscapeValue(text);
}

std::string CCDDB::GetProxyHeader(const std::string& host) const {
    if (proxyUser_.empty()) {
        return "Host: " + host;
    }
    std::string token = EncodeBase64(proxyUser_ + ":" + proxyPassword_);
    token.erase(
        std::remove_if(token.begin(), token.end(), [](char c) { return c == '\r' || c == '\n'; }),
        token.end());
    return "Proxy-Authorization: Basic " + token + "\r\nHost: " + host;
}

std::string CCDDB::BuildGet(const CCDDBSite& site, const std::string& command) {
    std::string query = "?cmd=" + command + "&" + GetHelloCommand();
    // Host as well: a server that shares its address with other sites
    // cannot tell which one is meant without it.
    if (proxyHost_.empty()) {
        return "GET " + site.GetAddress() + query + " HTTP/1.0\r\nHost: " + HostPart(site) +
               "\r\n\r\n";
    }
    std::string host = HostPart(site);
    return "GET http://" + host + site.GetAddress() + query + " HTTP/1.0\r\n" +
           GetProxyHeader(host) + "\r\n\r\n";
}

int CCDDB::ReadResponse(CHTTPSocket& socket, std::string& response, std::string_view terminator,
                        size_t growBy, int kind) {
    using Clock = std::chrono::steady_clock;
    response.clear();
    std::vector<char> chunk(std::max<size_t>(growBy, 1));
    auto lastData = Clock::now();
    size_t bodyStart = std::string::npos;
    bool listAnswer = false;  // the first line of the body says more lines follow
    const auto timeout = std::chrono::milliseconds(timeout_);
    // Outside an exchange the total limit counts from here.
    auto deadline = deadline_;
    if (deadline == Clock::time_point::max() && totalTimeout_ > 0) {
        deadline = lastData + std::chrono::milliseconds(totalTimeout_);
    }
    auto fail = [&](uint32_t error) {
        lastCommandResponse_ = response;
        systemError_ = error;
        return 0;
    };
    for (;;) {
        auto now = Clock::now();
        auto idle = now - lastData;
        if (idle > timeout || now >= deadline) {
            return fail(errorTimedOut);
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::min<Clock::duration>(timeout - idle, deadline - now))
                        .count();
        // Waiting on the socket instead of sleeping answers as soon as data
        // comes; the time-out is still checked at least every quarter second.
        if (!socket.IsReadible(static_cast<int>(std::clamp<long long>(left + 1, 0, kPollMs)))) {
            continue;
        }
        long got = socket.Receive(chunk.data(), chunk.size());
        if (got < 0) {
            return fail(static_cast<uint32_t>(socket.GetLastError()));
        }
        bool ended = got == 0;
        size_t searchFrom =
            response.size() >= terminator.size() ? response.size() - terminator.size() : 0;
        size_t headerFrom = response.size() >= 3 ? response.size() - 3 : 0;
        response.append(chunk.data(), static_cast<size_t>(got));
        lastData = Clock::now();
        if (response.size() > kMaxResponseSize) {
            return fail(errorBadResponse);
        }
        // Each new piece is searched once, so a large answer costs linear time.
        if (bodyStart == std::string::npos) {
            size_t headerEnd = response.find("\r\n\r\n", headerFrom);
            if (headerEnd != std::string::npos) {
                bodyStart = headerEnd + 4;
            }
        }
        if ((kind == responseQuery || kind == responseSubmit) && bodyStart != std::string::npos &&
            !listAnswer) {
            size_t lineFrom = std::max(bodyStart, headerFrom);
            if (ended || response.find('\n', lineFrom) != std::string::npos) {
                if (!cddb::IsListCode(
                        cddb::ResponseCode(std::string_view(response).substr(bodyStart)))) {
                    return 1;  // a one-line answer
                }
                listAnswer = true;
            }
        }
        size_t end = response.find(terminator, searchFrom);
        if (end != std::string::npos) {
            response.resize(end);
            return 1;
        }
        if (ended) {
            // The server hung up before the answer was complete; a one-line
            // refusal is still worth keeping as the server's words.
            std::string_view body = bodyStart == std::string::npos
                                        ? std::string_view()
                                        : std::string_view(response).substr(bodyStart);
            if (bodyStart != std::string::npos && !cddb::IsListCode(cddb::ResponseCode(body))) {
                std::string refusal(body);
                fail(errorBadResponse);
                lastCommandResponse_ = std::move(refusal);
                return 0;
            }
            return fail(errorBadResponse);
        }
    }
}

bool CCDDB::Exchange(const CCDDBSite& site, const std::string& request, int kind,
                     std::string& body) {
    const bool viaProxy = !proxyHost_.empty();
    const std::string& host = viaProxy ? proxyHost_ : site.GetHost();
    const int port = viaProxy ? proxyPort_ : site.GetPort();
    int waitMs = static_cast<int>(std::min<uint32_t>(timeout_, 0x7FFFFFFF));
    // Each step waits at most the time-out, and the whole command at most
    // the total: a host with many unanswering addresses, or a server that
    // trickles its answer, cannot hold the caller for long.
    if (totalTimeout_ > 0) {
        waitMs = std::min(waitMs, static_cast<int>(std::min<uint32_t>(totalTimeout_, 0x7FFFFFFF)));
        deadline_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(totalTimeout_);
    }
    struct DeadlineReset {
        std::chrono::steady_clock::time_point& deadline;
        ~DeadlineReset() { deadline = std::chrono::steady_clock::time_point::max(); }
    } reset{deadline_};
    CHTTPSocket socket;
    if (!socket.Create() || !socket.Connect(host, port, waitMs) || !socket.Send(request, waitMs)) {
        systemError_ = static_cast<uint32_t>(socket.GetLastError());
        return false;
    }
    std::string response;
    if (!ReadResponse(socket, response, kTerminator, kGrowBy, kind)) {
        if (systemError_ == 0) {
            systemError_ = errorBadResponse;
        }
        return false;
    }
    bool haveBody = false;
    body = std::string(cddb::ResponseBody(response, &haveBody));
    if (!haveBody) {
        BadResponse(response);
        return false;
    }
    return true;
}

int CCDDB::Sites(std::vector<CCDDBSite>& sites, const CCDDBSite& site) {
    BeginCommand();
    sites.clear();
    std::string body;
    if (!Exchange(site, BuildGet(site, "sites"), responseList, body)) {
        return 0;
    }
    if (!cddb::ParseSites(body, sites)) {
        return BadResponse(body);
    }
    lastCommandResponse_.clear();
    return 1;
}

int CCDDB::Sites(std::vector<CCDDBSite>& sites, const std::string& host, const std::string& address,
                 int port) {
    CCDDBSite site;
    site.SetHost(host);
    site.SetAddress(address);
    site.SetPort(port);
    return Sites(sites, site);
}

int CCDDB::Categories(const CCDDBSite& site, std::vector<std::string>& categories) {
    BeginCommand();
    categories.clear();
    std::string body;
    if (!Exchange(site, BuildGet(site, "cddb+lscat"), responseList, body)) {
        return 0;
    }
    if (!cddb::ParseCategories(body, categories)) {
        return BadResponse(body);
    }
    lastCommandResponse_.clear();
    return 1;
}

int CCDDB::Status(const CCDDBSite& site, CCDDBStatus& status) {
    BeginCommand();
    status = CCDDBStatus();
    std::string body;
    if (!Exchange(site, BuildGet(site, "stat"), responseList, body)) {
        return 0;
    }
    if (!cddb::ParseStatus(body, status)) {
        return BadResponse(body);
    }
    lastCommandResponse_.clear();
    return 1;
}

int CCDDB::Query(const CCDDBSite& site, uint32_t discId,
                 const std::vector<CCDDBTrackPosition>& positions,
                 std::vector<CCDDBQueryResult>& results) {
    BeginCommand();
    results.clear();
    if (positions.size() < 2) {
        systemError_ = EINVAL;
        return 0;
    }
    const size_t tracks = positions.size() - 1;
    std::string command = "cddb+query+" + Hex8(discId) + "+" + std::to_string(tracks);
    for (size_t i = 0; i < tracks; ++i) {
        command += "+" + std::to_string(positions[i].Frames());
    }
    command += "+" + std::to_string(positions.back().Seconds() - positions.front().Seconds());
    std::string body;
    if (!Exchange(site, BuildGet(site, command), responseQuery, body)) {
        return 0;
    }
    switch (cddb::ParseQuery(body, results)) {
        case cddb::QueryOutcome::Matches:
            lastCommandResponse_.clear();
            return 1;
        case cddb::QueryOutcome::NoMatch:
            lastCommandResponse_.clear();
            return 0;
        case cddb::QueryOutcome::Bad:
            break;
    }
    results.clear();
    return BadResponse(body);
}

int CCDDB::Read(const CCDDBSite& site, uint32_t discId, const std::string& category,
                CCDDBRecord& record) {
    BeginCommand();
    std::string command = "cddb+read+" + EncodeArgument(category) + "+" + Hex8(discId);
    std::string body;
    if (!Exchange(site, BuildGet(site, command), responseList, body)) {
        return 0;
    }
    CCDDBRecord parsed;
    if (!cddb::ParseRecord(body, parsed)) {
        return BadResponse(body);
    }
    parsed.SetDiscID(discId);
    record = std::move(parsed);
    lastCommandResponse_.clear();
    return 1;
}

int CCDDB::Submit(const CCDDBSite& site, const std::string& category, const std::string& email,
                  const CCDDBRecord& record, const std::string& note, int really) {
    BeginCommand();
    std::string body = cddb::BuildSubmitBody(record);
    std::string request;
    if (proxyHost_.empty()) {
        request =
            "POST " + site.GetAddress() + " HTTP/1.0\r\nHost: " + HostPart(site) + "\r\nCategory: ";
    } else {
        std::string host = HostPart(site);
        request = "POST http://" + host + site.GetAddress() + " HTTP/1.0\r\n" +
                  GetProxyHeader(host) + "\r\nCategory: ";
    }
    char id[16];
    std::snprintf(id, sizeof id, "%08x", record.GetDiscID());
    request += HeaderValue(category) + "\r\n";
    request += std::string("Discid: ") + id + "\r\n";
    request += "User-Email: " + HeaderValue(email) + "\r\n";
    request += really ? "Submit-Mode: submit\r\n" : "Submit-Mode: test\r\n";
    request += "X-Cddbd-Note: " + HeaderValue(note) + "\r\n";
    request += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    request += body;
    std::string answer;
    if (!Exchange(site, request, responseSubmit, answer)) {
        return 0;
    }
    int code = cddb::ResponseCode(answer);
    if (code < 200 || code > 209) {
        return BadResponse(answer);
    }
    lastCommandResponse_.clear();
    return 1;
}

int CCDDB::MessageOfTheDay(const CCDDBSite& site, std::string& text) {
    BeginCommand();
    text.clear();
    std::string body;
    if (!Exchange(site, BuildGet(site, "motd"), responseList, body)) {
        return 0;
    }
    if (!cddb::ParseMessageOfTheDay(body, text)) {
        return BadResponse(body);
    }
    lastCommandResponse_.clear();
    return 1;
}

int CCDDB::MessageOfTheDay(std::string& text, const std::string& host, const std::string& address,
                           int port) {
    CCDDBSite site;
    site.SetHost(host);
    site.SetAddress(address);
    site.SetPort(port);
    return MessageOfTheDay(site, text);
}

uint32_t CCDDB::GetLastError() const {
    return lastError_ != 0 ? lastError_ : systemError_;
}

std::string CCDDB::GetErrorMessage() const {
    if (lastError_ != 0) {
        std::string text;
        switch (lastError_) {
            case errorDeviceName:
                text = "The CD drive or image could not be opened";
                break;
            case errorNoAudioTracks:
                text = "The disc has no tracks";
                break;
            default:
                text = "The CD drive reported an error";
                break;
        }
        if (!deviceMessage_.empty()) {
            text += ": " + deviceMessage_;
        }
        return text.substr(0, 128);
    }
    switch (systemError_) {
        case 0:
            return {};
        case errorHostNotFound:
            return "The host name could not be resolved";
        case errorBadResponse:
            return "The server's answer was not understood";
        case errorTimedOut:
            return "The server did not answer in time";
        default: {
            char buffer[256];
            // The GNU strerror_r returns the text, which may not be buffer.
            return ::strerror_r(static_cast<int>(systemError_), buffer, sizeof buffer);
        }
    }
}
