#include "songcore/util/UserFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "songcore/util/SafeFileReplace.h"

namespace songcore {
namespace {

std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The rule the kernel applies with fs.protected_symlinks: in a sticky folder
// that everyone may write, a link is followed only when it belongs to the
// follower or to the folder's owner.
bool PlantedByAnotherUser(const std::string& path, const struct stat& link) {
    struct stat folder;
    if (::stat(FolderOf(path).c_str(), &folder) != 0) {
        return true;
    }
    bool shared = (folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH);
    return shared && link.st_uid != ::geteuid() && link.st_uid != folder.st_uid;
}

bool WriteInto(const std::string& path, int flags, std::span<const uint8_t> data,
               std::string& error) {
    int fd = ::open(path.c_str(), flags | O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        error = std::string("cannot open it for writing: ") + std::strerror(errno);
        return false;
    }
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            error = std::string("cannot write it: ") + std::strerror(errno);
            ::close(fd);
            return false;
        }
        done += static_cast<size_t>(n);
    }
    if (::close(fd) != 0) {
        error = std::string("cannot write it: ") + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace

bool WriteUserFile(const std::string& path, std::span<const uint8_t> data,
                   const std::string& source, std::string& error) {
    struct stat link;
    if (::lstat(path.c_str(), &link) != 0) {
        if (errno != ENOENT) {
            error = std::string("cannot examine it: ") + std::strerror(errno);
            return false;
        }
        return WriteFileSafely(path, data, &error);
    }
    if (S_ISLNK(link.st_mode) && PlantedByAnotherUser(path, link)) {
        error = "it is a symbolic link that another user owns in a shared folder; not followed";
        return false;
    }
    struct stat target;
    if (::stat(path.c_str(), &target) != 0) {
        error = errno == ENOENT ? "it is a symbolic link to nothing; not followed"
                                : std::string("cannot examine it: ") + std::strerror(errno);
        return false;
    }
    struct stat from;
    if (!source.empty() && ::stat(source.c_str(), &from) == 0 && from.st_dev == target.st_dev &&
        from.st_ino == target.st_ino) {
        error = "it is the song itself";
        return false;
    }
    if (S_ISCHR(target.st_mode) || S_ISFIFO(target.st_mode)) {
        return WriteInto(path, 0, data, error);
    }
    if (!S_ISREG(target.st_mode)) {
        error = S_ISDIR(target.st_mode) ? "it is a folder"
                                        : "it is not a regular file, a FIFO or a device";
        return false;
    }
    // A file of another user keeps its owner: it is written over in place,
    // as cp does.
    bool ownerKept = ::geteuid() == 0 || target.st_uid == ::geteuid();
    if (!ownerKept) {
        return WriteInto(path, O_TRUNC, data, error);
    }
    return WriteFileSafely(path, data, &error);
}

}  // namespace songcore
