#pragma once
// The test web search service (search_server.py) in a child process, on
// 127.0.0.1 and a free port, for as long as the object lives.

#include <string>

#include "support/ServerProcess.h"

namespace testsupport {

class SearchServer {
public:
    SearchServer();  // throws when the server cannot be started
    SearchServer(const SearchServer&) = delete;
    SearchServer& operator=(const SearchServer&) = delete;

    int port() const { return server_.port(); }
    std::string base() const { return "http://127.0.0.1:" + std::to_string(port()); }
    // The paths requested so far, one per line.
    std::string log() const;

private:
    ServerProcess server_;
};

// A local port on which nothing listens.
int UnusedPort();

// Clears the proxy variables, so that requests to 127.0.0.1 go straight there.
void ClearProxyEnvironment();

}  // namespace testsupport
