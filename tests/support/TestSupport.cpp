#include "support/TestSupport.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace testsupport {

TempDir::TempDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "tunemoss-test-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = buffer.data();
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void WaitUntil(const std::function<bool()>& done) {
    while (!done()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

std::string DataFile(const std::string& name) {
    return std::string(TUNEMOSS_TEST_DATA) + "/" + name;
}

std::string CopyDataFile(const TempDir& dir, const std::string& name, const std::string& newName) {
    std::string target =
        dir.file(newName.empty() ? std::filesystem::path(name).filename().string() : newName);
    std::filesystem::copy_file(DataFile(name), target,
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::permissions(
        target, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
        std::filesystem::perm_options::add);
    return target;
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFileText(const std::string& path) {
    std::vector<uint8_t> bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

RunResult Run(const std::vector<std::string>& argv, const std::string& input) {
    RunResult result;
    int inPipe[2], outPipe[2], errPipe[2];
    if (::pipe2(inPipe, O_CLOEXEC) || ::pipe2(outPipe, O_CLOEXEC) || ::pipe2(errPipe, O_CLOEXEC)) {
        return result;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, inPipe[0], 0);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    pid_t pid;
    int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(inPipe[0]);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    if (spawned != 0) {
        ::close(inPipe[1]);
        ::close(outPipe[0]);
        ::close(errPipe[0]);
        return result;
    }
    // The child reads little input; write it all before reading output.
    size_t offset = 0;
    while (offset < input.size()) {
        ssize_t n = ::write(inPipe[1], input.data() + offset, input.size() - offset);
        if (n <= 0) {
            break;
        }
        offset += static_cast<size_t>(n);
    }
    ::close(inPipe[1]);
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    while (open > 0) {
        if (::poll(fds, 2, -1) < 0) {
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP))) {
                char buffer[65536];
                ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
                if (n <= 0) {
                    ::close(fds[i].fd);
                    fds[i].fd = -1;
                    --open;
                } else {
                    sinks[i]->append(buffer, static_cast<size_t>(n));
                }
            }
        }
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

RunResult RunTunemoss(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {TUNEMOSS_CLI_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    return Run(argv);
}

RunResult RunPython(const std::string& script, const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"/usr/bin/python3", "-c", script};
    argv.insert(argv.end(), args.begin(), args.end());
    return Run(argv);
}

bool HaveMutagen() {
    static const bool have = RunPython("import mutagen").status == 0;
    return have;
}

}  // namespace testsupport
