#pragma once
// CHTTPSocket: the small blocking TCP connection the CDDB client talks HTTP
// over. Failures are return values; GetLastError says why (an errno value, or
// one of the numbers below).

#include <cstddef>
#include <string>

class CHTTPSocket {
public:
    // Error numbers callers compare against; everything else is an errno value.
    static constexpr int errorInvalid = 10022;   // the host name did not resolve
    static constexpr int errorTimedOut = 10060;  // no answer within the time-out

    CHTTPSocket() = default;
    ~CHTTPSocket() { Close(); }
    CHTTPSocket(const CHTTPSocket&) = delete;
    CHTTPSocket& operator=(const CHTTPSocket&) = delete;

    // Makes a TCP/IPv4 stream socket; Connect replaces it when the host is
    // reached over IPv6.
    bool Create();
    // Connects to a host name or numeric address, trying every address the
    // name resolves to; gives up on an address after timeoutMs.
    bool Connect(const std::string& host, int port, int timeoutMs = 30000);
    // Sends the whole buffer, waiting at most timeoutMs for room each time.
    bool Send(const void* data, size_t size, int timeoutMs = 30000);
    bool Send(const std::string& text, int timeoutMs = 30000) {
        return Send(text.data(), text.size(), timeoutMs);
    }
    // True when a Receive would not block (data, end of stream or an error),
    // waiting at most waitMs for that.
    bool IsReadible(int waitMs = 0);
    // Bytes received, 0 at the end of the stream, -1 on error.
    long Receive(void* buffer, size_t size);
    void Close();

    bool IsOpen() const { return fd_ >= 0; }
    int GetLastError() const { return lastError_; }

private:
    bool ConnectOne(const void* address, unsigned addressLength, int family, int timeoutMs);

    int fd_ = -1;
    int lastError_ = 0;
};
