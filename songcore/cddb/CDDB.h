#pragma once
// CCDDB: a client of the CDDB protocol over HTTP. It computes the disc
// identifier of an audio CD from its table of contents and asks a CDDB
// server for mirror sites, categories, status, matches and records, and
// submits records. Every command blocks the calling thread; failures are
// return values with the cause in GetLastError.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "songcore/cddb/CDDBQueryResult.h"
#include "songcore/cddb/CDDBRecord.h"
#include "songcore/cddb/CDDBSite.h"
#include "songcore/cddb/CDDBStatus.h"
#include "songcore/cddb/CDDBTrackPosition.h"

class CHTTPSocket;

class CCDDB {
public:
    // Error numbers of the server commands.
    static constexpr uint32_t errorHostNotFound = 10022;
    static constexpr uint32_t errorBadResponse = 10043;
    static constexpr uint32_t errorTimedOut = 10060;
    // Errors of the CD device (the table of contents).
    static constexpr uint32_t errorDeviceHardware = 262;
    static constexpr uint32_t errorDeviceName = 263;
    static constexpr uint32_t errorNoAudioTracks = 276;

    // A server answer above this size is refused rather than buffered.
    static constexpr size_t kMaxResponseSize = 16 * 1024 * 1024;
    // How ReadResponse tells the kinds of answer apart.
    enum ResponseKind { responseList = 0, responseQuery = 1, responseSubmit = 2 };

    CCDDB();
    virtual ~CCDDB();

    const std::string& GetProductName() const { return productName_; }
    void SetProductName(std::string name) { productName_ = std::move(name); }
    const std::string& GetProductVersion() const { return productVersion_; }
    void SetProductVersion(std::string version) { productVersion_ = std::move(version); }
    const std::string& GetProxyHost() const { return proxyHost_; }
    void SetProxyHost(std::string host) { proxyHost_ = std::move(host); }
    int GetProxyPort() const { return proxyPort_; }
    void SetProxyPort(int port) { proxyPort_ = port; }
    const std::string& GetProxyUser() const { return proxyUser_; }
    void SetProxyUser(std::string user) { proxyUser_ = std::move(user); }
    const std::string& GetProxyPassword() const { return proxyPassword_; }
    void SetProxyPassword(std::string password) { proxyPassword_ = std::move(password); }
    void SetProxyDetails(std::string host, int port, std::string user, std::string password);
    // Milliseconds without data after which a command gives up.
    uint32_t GetTimeout() const { return timeout_; }
    void SetTimeout(uint32_t milliseconds) { timeout_ = milliseconds; }
    // Milliseconds a whole command (connect, request and answer) may take,
    // however steadily the server trickles its answer; 0 means no limit.
    uint32_t GetTotalTimeout() const { return totalTimeout_; }
    void SetTotalTimeout(uint32_t milliseconds) { totalTimeout_ = milliseconds; }
    int GetCDDBProtocolVersion() const { return protocolVersion_; }
    void SetCDDBProtocolVersion(int version) { protocolVersion_ = version; }
    // The server's text for the last command that failed or did not finish.
    const std::string& GetLastCommandResponse() const { return lastCommandResponse_; }

    // The CD drives of this machine, as device paths.
    int GetCDROMDrives(std::vector<std::string>& drives);
    // One position per track plus the lead-out. drive is a device path or a
    // CUE sheet; null or empty means the default drive.
    int GetTrackPositions(std::vector<CCDDBTrackPosition>& positions, const char* drive);
    // positions: the tracks followed by the lead-out.
    uint32_t ComputeDiscID(const std::vector<CCDDBTrackPosition>& positions);
    int ComputeDiscID(uint32_t& discId, const char* drive);

    int Sites(std::vector<CCDDBSite>& sites, const CCDDBSite& site);
    int Sites(std::vector<CCDDBSite>& sites, const std::string& host, const std::string& address,
              int port);
    int Categories(const CCDDBSite& site, std::vector<std::string>& categories);
    int Status(const CCDDBSite& site, CCDDBStatus& status);
    // 1 when at least one match came back; 0 with no error when the server
    // knows no match.
    int Query(const CCDDBSite& site, uint32_t discId,
              const std::vector<CCDDBTrackPosition>& positions,
              std::vector<CCDDBQueryResult>& results);
    int Read(const CCDDBSite& site, uint32_t discId, const std::string& category,
             CCDDBRecord& record);
    // really zero sends the record in test mode.
    int Submit(const CCDDBSite& site, const std::string& category, const std::string& email,
               const CCDDBRecord& record, const std::string& note, int really);
    int MessageOfTheDay(const CCDDBSite& site, std::string& text);
    int MessageOfTheDay(std::string& text, const std::string& host, const std::string& address,
                        int port);

    uint32_t GetLastError() const;
    std::string GetErrorMessage() const;

    virtual std::string GetHelloCommand();
    virtual std::string GetUserNameA();
    virtual std::string GetHostName();
    // Reads a whole answer into response (HTTP header included) and returns
    // 1, or 0 with the cause in the last error. growBy is the step in which
    // the buffer grows; kind is one of ResponseKind.
    virtual int ReadResponse(CHTTPSocket& socket, std::string& response,
                             std::string_view terminator, size_t growBy, int kind);

protected:
    static std::string EncodeBase64(std::string_view data);
    static size_t Base64BufferSize(size_t length);
    static std::string PrepareTextForSubmit(std::string_view text);
    std::string GetProxyHeader(const std::string& host) const;

private:
    // Sends a request and reads the answer; the body on success.
    bool Exchange(const CCDDBSite& site, const std::string& request, int kind, std::string& body);
    // "GET ..." for a cmd=... command, with or without the proxy.
    std::string BuildGet(const CCDDBSite& site, const std::string& command);
    // Starts a command: forgets the errors of the one before.
    void BeginCommand();
    // Keeps an unexpected answer and fails with a bad response.
    int BadResponse(std::string_view body);
    void SetSystemError(uint32_t error) { systemError_ = error; }

    std::string lastCommandResponse_;
    uint32_t lastError_ = 0;    // a CD device error, or 0
    uint32_t systemError_ = 0;  // the socket or system error otherwise
    std::string deviceMessage_;
    std::string productName_ = "Discwright";
    std::string productVersion_ = "1.15";
    std::string proxyHost_;
    int proxyPort_ = 80;
    std::string proxyUser_;
    std::string proxyPassword_;
    uint32_t timeout_ = 2000;
    uint32_t totalTimeout_ = 60000;
    // When the command under way must end; set by each exchange.
    std::chrono::steady_clock::time_point deadline_ = std::chrono::steady_clock::time_point::max();
    int protocolVersion_ = 4;
};
