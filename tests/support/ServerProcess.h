#pragma once
// A Python test server from tests/support in a child process, for as long as
// the object lives. The script prints its port on its first line of output
// once it listens.

#include <sys/types.h>

#include <string>
#include <vector>

namespace testsupport {

class ServerProcess {
public:
    // Runs /usr/bin/python3 script args. Its standard input is a pipe held
    // open for the object's life (closing it asks the server to stop); its
    // standard error goes to errorFd when one is given.
    ServerProcess(const std::string& script, const std::vector<std::string>& args,
                  int errorFd = -1);
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    // 0 when the server did not start.
    int port() const { return port_; }
    // The body of the server's answer to a GET of path ("" when there was
    // none), fetched through a plain socket rather than the library under
    // test.
    std::string Get(const std::string& path) const;

private:
    pid_t pid_ = -1;
    int stdinFd_ = -1;
    int port_ = 0;
};

}  // namespace testsupport
