#include "support/ServerProcess.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

extern char** environ;

namespace testsupport {

ServerProcess::ServerProcess(const std::string& script, const std::vector<std::string>& args,
                             int errorFd) {
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0) {
        return;
    }
    if (::pipe2(out, O_CLOEXEC) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        return;
    }
    std::string python = "/usr/bin/python3";
    std::string path = std::string(TUNEMOSS_TEST_SUPPORT) + "/" + script;
    std::vector<char*> argv = {python.data(), path.data()};
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    if (errorFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, errorFd, 2);
    }
    int spawned = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    stdinFd_ = in[1];
    if (spawned != 0) {
        pid_ = -1;
        ::close(out[0]);
        return;
    }
    // The first line is the port; reading it also waits until it listens.
    std::string line;
    char c;
    while (::read(out[0], &c, 1) == 1 && c != '\n') {
        line += c;
    }
    ::close(out[0]);
    port_ = std::atoi(line.c_str());
}

ServerProcess::~ServerProcess() {
    if (stdinFd_ >= 0) {
        ::close(stdinFd_);
    }
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
}

std::string ServerProcess::Get(const std::string& path) const {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port_));
    std::string answer;
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        const std::string request = "GET " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
        if (::write(fd, request.data(), request.size()) == static_cast<ssize_t>(request.size())) {
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

}  // namespace testsupport
