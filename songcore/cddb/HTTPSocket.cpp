#include "songcore/cddb/HTTPSocket.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;

// Waits for events on fd for at most timeoutMs, retrying after signals.
// Returns the revents, 0 on time-out, -1 on error.
int WaitFor(int fd, short events, int timeoutMs) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        pollfd entry{fd, events, 0};
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        int wait = left.count() > 0 ? static_cast<int>(left.count()) : 0;
        int ready = ::poll(&entry, 1, wait);
        if (ready > 0) {
            return entry.revents;
        }
        if (ready == 0) {
            return 0;
        }
        if (errno != EINTR) {
            return -1;
        }
    }
}

struct AddrInfoFree {
    void operator()(addrinfo* list) const { ::freeaddrinfo(list); }
};

}  // namespace

bool CHTTPSocket::Create() {
    Close();
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) {
        lastError_ = errno;
        return false;
    }
    return true;
}

bool CHTTPSocket::Connect(const std::string& host, int port, int timeoutMs) {
    if (port <= 0 || port > 65535) {
        lastError_ = EINVAL;
        return false;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    std::string service = std::to_string(port);
    if (host.empty() || ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 ||
        found == nullptr) {
        lastError_ = errorInvalid;
        return false;
    }
    std::unique_ptr<addrinfo, AddrInfoFree> list(found);
    for (addrinfo* entry = list.get(); entry != nullptr; entry = entry->ai_next) {
        if (ConnectOne(entry->ai_addr, entry->ai_addrlen, entry->ai_family, timeoutMs)) {
            return true;
        }
    }
    Close();
    return false;
}

bool CHTTPSocket::ConnectOne(const void* address, unsigned addressLength, int family,
                             int timeoutMs) {
    // A socket whose connect failed cannot be reused, and the family must
    // match the address: start every attempt on a fresh one.
    Close();
    fd_ = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) {
        lastError_ = errno;
        return false;
    }
    int flags = ::fcntl(fd_, F_GETFL);
    ::fcntl(fd_, F_SETFL, flags | O_NONBLOCK);
    if (::connect(fd_, static_cast<const sockaddr*>(address), addressLength) != 0) {
        if (errno != EINPROGRESS) {
            lastError_ = errno;
            return false;
        }
        int ready = WaitFor(fd_, POLLOUT, timeoutMs);
        if (ready == 0) {
            lastError_ = errorTimedOut;
            return false;
        }
        if (ready < 0) {
            lastError_ = errno;
            return false;
        }
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
            error = errno;
        }
        if (error != 0) {
            lastError_ = error;
            return false;
        }
    }
    // Receive relies on the socket being non-blocking so a wrong readiness
    // guess can never hang the caller.
    return true;
}

bool CHTTPSocket::Send(const void* data, size_t size, int timeoutMs) {
    if (fd_ < 0) {
        lastError_ = ENOTCONN;
        return false;
    }
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t sent = ::send(fd_, bytes, size, MSG_NOSIGNAL);
        if (sent > 0) {
            bytes += sent;
            size -= static_cast<size_t>(sent);
            continue;
        }
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            int ready = WaitFor(fd_, POLLOUT, timeoutMs);
            if (ready == 0) {
                lastError_ = errorTimedOut;
                return false;
            }
            if (ready < 0) {
                lastError_ = errno;
                return false;
            }
            continue;
        }
        lastError_ = sent < 0 ? errno : EPIPE;
        return false;
    }
    return true;
}

bool CHTTPSocket::IsReadible(int waitMs) {
    if (fd_ < 0) {
        return true;  // Receive reports the error
    }
    int ready = WaitFor(fd_, POLLIN, waitMs < 0 ? 0 : waitMs);
    return ready != 0;
}

long CHTTPSocket::Receive(void* buffer, size_t size) {
    if (fd_ < 0) {
        lastError_ = ENOTCONN;
        return -1;
    }
    for (;;) {
        ssize_t got = ::recv(fd_, buffer, size, 0);
        if (got >= 0) {
            return static_cast<long>(got);
        }
        if (errno == EINTR) {
            continue;
        }
        lastError_ = errno;
        return -1;
    }
}

void CHTTPSocket::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}
