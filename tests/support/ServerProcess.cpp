#include "support/ServerProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
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

}  // namespace testsupport
