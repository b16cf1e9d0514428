#include "songcore/util/PrivateFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace songcore {
namespace {

std::string OwnerProblem(const std::string& what, const struct stat& st) {
    return what + " belongs to another user (uid " + std::to_string(st.st_uid) +
           "); it is not used";
}

bool MakeFolders(const std::string& folder, std::string& error) {
    // Each missing level is made for this user alone, as the XDG folders
    // ask; levels that exist are left as they are.
    for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        std::string level = folder.substr(0, slash);
        if (::mkdir(level.c_str(), 0700) != 0 && errno != EEXIST) {
            error = "cannot create the folder " + level + ": " + std::strerror(errno);
            return false;
        }
        if (slash == std::string::npos) {
            return true;
        }
    }
}

}  // namespace

bool CheckPrivateFolder(const std::string& folder, bool& exists, std::string& error,
                        struct stat* found) {
    struct stat st;
    exists = false;
    if (::stat(folder.c_str(), &st) != 0) {
        if (errno == ENOENT) {
            return true;
        }
        error = "cannot examine the folder " + folder + ": " + std::strerror(errno);
        return false;
    }
    exists = true;
    if (!S_ISDIR(st.st_mode)) {
        error = folder + " is not a folder";
        return false;
    }
    if (st.st_uid != ::geteuid()) {
        error = OwnerProblem("the folder " + folder, st);
        return false;
    }
    if ((st.st_mode & 022) != 0 && ::chmod(folder.c_str(), st.st_mode & 07755) != 0) {
        error = "cannot take the write permission of others from " + folder + ": " +
                std::strerror(errno);
        return false;
    }
    if (found != nullptr) {
        *found = st;
    }
    return true;
}

bool PreparePrivateFolder(const std::string& folder, std::string& error) {
    if (folder.empty() || folder[0] != '/') {
        error = "there is no home folder for Tunemoss's own files";
        return false;
    }
    bool exists = false;
    if (!CheckPrivateFolder(folder, exists, error)) {
        return false;
    }
    if (exists) {
        return true;
    }
    return MakeFolders(folder, error) && CheckPrivateFolder(folder, exists, error);
}

int OpenPrivateFile(const std::string& path, int flags, std::string& error) {
    int fd = ::open(path.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0) {
        int err = errno;
        error = err == ELOOP ? path + " is a symbolic link; it is not followed"
                             : "cannot open " + path + ": " + std::strerror(err);
        errno = err;
        return -1;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = path + " is not a regular file";
    } else if (st.st_uid != ::geteuid()) {
        error = OwnerProblem(path, st);
    } else {
        if ((st.st_mode & 022) != 0) {
            ::fchmod(fd, st.st_mode & 07755);
        }
        // O_NONBLOCK only kept a FIFO from hanging the open; it stays, as it
        // changes nothing for a regular file (nor for flock).
        return fd;
    }
    ::close(fd);
    errno = EPERM;
    return -1;
}

}  // namespace songcore
