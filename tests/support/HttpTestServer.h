#pragma once
// Runs range_server.py on 127.0.0.1 for the life of the object.

#include <sys/types.h>
#include <string>

namespace testsupport {

class HttpTestServer {
public:
    // Serves the files of folder; check ok() before use.
    explicit HttpTestServer(const std::string& folder);
    ~HttpTestServer();
    HttpTestServer(const HttpTestServer&) = delete;
    HttpTestServer& operator=(const HttpTestServer&) = delete;

    bool ok() const { return port_ > 0; }
    int port() const { return port_; }
    // "http://127.0.0.1:PORT/name"
    std::string url(const std::string& name) const;
    // What the server logged so far: one "PATH RANGE" line per request.
    std::string log() const;

private:
    pid_t pid_ = -1;
    int port_ = 0;
    std::string logPath_;
};

}  // namespace testsupport
