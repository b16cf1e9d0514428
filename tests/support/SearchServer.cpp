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

#include "support/TestSupport.h"

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
    RunResult result = RunPython(
        "import sys, urllib.request\n"
        "sys.stdout.write(urllib.request.urlopen(sys.argv[1]).read().decode())\n",
        {base() + "/log"});
    return result.out;
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
