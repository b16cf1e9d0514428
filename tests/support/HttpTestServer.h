#pragma once
// Runs range_server.py on 127.0.0.1 for the life of the object.

#include <memory>
#include <string>

#include "support/ServerProcess.h"

namespace testsupport {

class HttpTestServer {
public:
    // Serves the files of folder; check ok() before use.
    explicit HttpTestServer(const std::string& folder);
    ~HttpTestServer();
    HttpTestServer(const HttpTestServer&) = delete;
    HttpTestServer& operator=(const HttpTestServer&) = delete;

    bool ok() const { return port() > 0; }
    int port() const;
    // "http://127.0.0.1:PORT/name"
    std::string url(const std::string& name) const;
    // What the server logged so far: one "PATH RANGE" line per request.
    std::string log() const;

private:
    std::string logPath_;
    std::unique_ptr<ServerProcess> server_;
};

}  // namespace testsupport
