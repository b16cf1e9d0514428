#include "support/SearchServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace testsupport {

SearchServer::SearchServer() : server_("search_server.py", {}) {
    if (server_.port() <= 0) {
        throw std::runtime_error("the test server did not start");
    }
}

std::string SearchServer::log() const {
    return server_.Get("/log");
}

int UnusedPort() {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    int port = 1;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
        port = ntohs(address.sin_port);
    }
    if (fd >= 0) {
        ::close(fd);  // bound but never listening: connections are refused
    }
    return port;
}

void ClearProxyEnvironment() {
    for (const char* name :
         {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) {
        ::unsetenv(name);
    }
}

}  // namespace testsupport
