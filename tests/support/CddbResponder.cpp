#include "support/CddbResponder.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

namespace testsupport {
namespace {

void SleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace

CddbResponder::CddbResponder() {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listenFd_, 8) != 0) {
        std::abort();
    }
    socklen_t length = sizeof address;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
}

CddbResponder::~CddbResponder() {
    stop_ = true;
    thread_.join();
    ::close(listenFd_);
}

void CddbResponder::Queue(Reply reply) {
    std::lock_guard<std::mutex> lock(mutex_);
    replies_.push_back(std::move(reply));
}

void CddbResponder::QueueBody(const std::string& body) {
    Reply reply;
    reply.text = Http(body);
    Queue(std::move(reply));
}

std::vector<std::string> CddbResponder::Requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

std::string CddbResponder::LastRequest() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_.empty() ? std::string() : requests_.back();
}

std::string CddbResponder::Http(const std::string& body) {
    return "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n" + body;
}

void CddbResponder::Serve() {
    while (!stop_) {
        pollfd entry{listenFd_, POLLIN, 0};
        if (::poll(&entry, 1, 20) <= 0) {
            continue;
        }
        int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0) {
            Answer(fd);
            ::close(fd);
        }
    }
}

void CddbResponder::Answer(int fd) {
    // Read the header, then as much body as Content-Length announces.
    std::string request;
    char buffer[4096];
    size_t wanted = std::string::npos;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!stop_ && std::chrono::steady_clock::now() < deadline) {
        size_t headerEnd = request.find("\r\n\r\n");
        if (headerEnd != std::string::npos && wanted == std::string::npos) {
            size_t length = 0;
            size_t field = request.find("Content-Length: ");
            if (field != std::string::npos && field < headerEnd) {
                length = std::strtoul(request.c_str() + field + 16, nullptr, 10);
            }
            wanted = headerEnd + 4 + length;
        }
        if (wanted != std::string::npos && request.size() >= wanted) {
            break;
        }
        pollfd entry{fd, POLLIN, 0};
        if (::poll(&entry, 1, 20) <= 0) {
            continue;
        }
        ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0) {
            break;
        }
        request.append(buffer, static_cast<size_t>(got));
    }
    Reply reply;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(request);
        if (!replies_.empty()) {
            reply = std::move(replies_.front());
            replies_.pop_front();
        }
    }
    // Stop waiting when the client has given up, so the next connection is
    // not held behind this one.
    for (int waited = 0; waited < reply.delayMs && !stop_; waited += 10) {
        pollfd entry{fd, POLLIN, 0};
        if (::poll(&entry, 1, 10) > 0 && ::recv(fd, buffer, sizeof buffer, 0) <= 0) {
            return;
        }
    }
    size_t piece = reply.pieceSize ? reply.pieceSize : reply.text.size();
    for (size_t pos = 0; pos < reply.text.size() && !stop_; pos += piece) {
        std::string_view part = std::string_view(reply.text).substr(pos, piece);
        if (::send(fd, part.data(), part.size(), MSG_NOSIGNAL) < 0) {
            return;
        }
        if (pos + piece < reply.text.size() && reply.pauseMs > 0) {
            SleepMs(reply.pauseMs);
        }
    }
    if (!reply.hangUp) {
        // Keep the line open until the client gives up or the test ends.
        while (!stop_) {
            pollfd entry{fd, POLLIN, 0};
            if (::poll(&entry, 1, 20) > 0 && ::recv(fd, buffer, sizeof buffer, 0) <= 0) {
                return;
            }
        }
    }
}

}  // namespace testsupport
