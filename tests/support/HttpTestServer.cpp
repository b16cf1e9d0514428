#include "support/HttpTestServer.h"

#include <unistd.h>

#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace testsupport {

HttpTestServer::HttpTestServer(const std::string& folder) {
    char logName[] = "/tmp/tunemoss-http-log-XXXXXX";
    int logFd = ::mkstemp(logName);
    if (logFd < 0) {
        return;
    }
    logPath_ = logName;
    server_ =
        std::make_unique<ServerProcess>("range_server.py", std::vector<std::string>{folder}, logFd);
    ::close(logFd);
}

HttpTestServer::~HttpTestServer() {
    server_.reset();
    if (!logPath_.empty()) {
        ::unlink(logPath_.c_str());
    }
}

int HttpTestServer::port() const {
    return server_ ? server_->port() : 0;
}

std::string HttpTestServer::url(const std::string& name) const {
    return "http://127.0.0.1:" + std::to_string(port()) + "/" + name;
}

std::string HttpTestServer::log() const {
    return ReadFileText(logPath_);
}

}  // namespace testsupport
