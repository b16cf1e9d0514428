#pragma once
// A scripted CDDB server on 127.0.0.1 for the tests: it records every request
// and answers each connection with the next reply in its queue.

#include <atomic>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

class CddbResponder {
public:
    struct Reply {
        std::string text;      // sent once the request has been read
        int delayMs = 0;       // wait before answering
        size_t pieceSize = 0;  // send in pieces of this size (0: at once)
        int pauseMs = 0;       // between pieces
        bool hangUp = true;    // close after the answer; false keeps the line open
    };

    CddbResponder();
    ~CddbResponder();
    CddbResponder(const CddbResponder&) = delete;
    CddbResponder& operator=(const CddbResponder&) = delete;

    int port() const { return port_; }
    void Queue(Reply reply);
    // Queues an HTTP answer carrying body.
    void QueueBody(const std::string& body);
    // Every request received so far, header and body.
    std::vector<std::string> Requests();
    // The request line and headers of the last request, or "".
    std::string LastRequest();

    static std::string Http(const std::string& body);

private:
    void Serve();
    void Answer(int fd);

    int listenFd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::deque<Reply> replies_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

}  // namespace testsupport
