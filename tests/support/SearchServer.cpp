#include "support/SearchServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "support/TestSupport.h"  // IWYU pragma: keep

extern char** environ;

namespace testsupport {

SearchServer::SearchServer() {
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    std::string script = std::string(TUNEMOSS_TEST_SUPPORT) + "/search_server.py";
    std::vector<char*> argv = {const_cast<char*>("/usr/bin/python3"), script.data(), nullptr};
    int spawned = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    stdinFd_ = in[1];
    if (spawned != 0) {
        ::close(out[0]);
        pid_ = -1;
        throw std::runtime_error("cannot start the test server");
    }
    std::string line;
    char c;
    while (::read(out[0], &c, 1) == 1 && c != '\n') {
        line += c;
    }
    ::close(out[0]);
    port_ = std::atoi(line.c_str());
    if (port_ <= 0) {
        throw std::runtime_error("the test server did not start");
    }
}

SearchServer::~SearchServer() {
    if (stdinFd_ >= 0) {
        ::close(stdinFd_);
    }
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        int status;
        ::waitpid(pid_, &status, 0);
    }
}

std::string SearchServer::log() const {
    // A plain socket rather than the library under test, and no interpreter
    // start-up on every call.
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port_));
    std::string answer;
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        const char request[] = "GET /log HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
        if (::write(fd, request, sizeof request - 1) == static_cast<ssize_t>(sizeof request - 1)) {
            char buffer[4096];
            ssize_t n;
            while ((n = ::read(fd, buffer, sizeof buffer)) > 0) {
                answer.append(buffer, static_cast<size_t>(n));
            }
        }
    }
    if (fd >= 0) {
        ::close(fd);
    }
    size_t body = answer.find("\r\n\r\n");
    return body == std::string::npos ? "" : answer.substr(body + 4);
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
