#include "support/HttpTestServer.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/TestSupport.h"

extern char** environ;

namespace testsupport {

HttpTestServer::HttpTestServer(const std::string& folder) {
    char logName[] = "/tmp/tunemoss-http-log-XXXXXX";
    int logFd = ::mkstemp(logName);
    if (logFd < 0) {
        return;
    }
    logPath_ = logName;
    int out[2];
    if (::pipe(out) != 0) {
        ::close(logFd);
        return;
    }
    std::string script = std::string(TUNEMOSS_TEST_SUPPORT) + "/range_server.py";
    std::string python = "/usr/bin/python3";
    char* argv[] = {python.data(), script.data(), const_cast<char*>(folder.c_str()), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, logFd, 2);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    int spawned = posix_spawn(&pid_, argv[0], &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(logFd);
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

HttpTestServer::~HttpTestServer() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    if (!logPath_.empty()) {
        ::unlink(logPath_.c_str());
    }
}

std::string HttpTestServer::url(const std::string& name) const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/" + name;
}

std::string HttpTestServer::log() const {
    return ReadFileText(logPath_);
}

}  // namespace testsupport
