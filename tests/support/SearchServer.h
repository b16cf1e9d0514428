#pragma once
// The test web search service (search_server.py) in a child process, on
// 127.0.0.1 and a free port, for as long as the object lives.

#include <sys/types.h>

#include <string>

namespace testsupport {

class SearchServer {
public:
    SearchServer();  // throws when the server cannot be started
    ~SearchServer();
    SearchServer(const SearchServer&) = delete;
    SearchServer& operator=(const SearchServer&) = delete;

    int port() const { return port_; }
    std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }
    // The paths requested so far, one per line.
    std::string log() const;

private:
    pid_t pid_ = -1;
    int stdinFd_ = -1;
    int port_ = 0;
};

// A local port on which nothing listens.
int UnusedPort();

// Clears the proxy variables, so that requests to 127.0.0.1 go straight there.
void ClearProxyEnvironment();

}  // namespace testsupport
