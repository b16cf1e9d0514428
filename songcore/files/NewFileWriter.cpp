#include "songcore/files/NewFileWriter.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace songcore {
namespace {

std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool NameTaken(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace

NewFileWriter::NewFileWriter(std::string targetPath) : target_(std::move(targetPath)) {}

NewFileWriter::~NewFileWriter() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
    if (!committed_ && !temp_.empty()) {
        ::unlink(temp_.c_str());
    }
}

bool NewFileWriter::fail(const std::string& what, int err) {
    if (!failed_) {
        error_ = what + ": " + std::strerror(err);
    }
    failed_ = true;
    return false;
}

bool NewFileWriter::failExists() {
    exists_ = true;
    if (!failed_) {
        error_ = "cannot copy to " + target_ + ": a file of that name exists";
    }
    failed_ = true;
    return false;
}

bool NewFileWriter::begin() {
    if (fd_ >= 0 || committed_ || failed_) {
        return false;
    }
    // Checked here too, so that a copy onto a taken name is refused before
    // any data is moved; the commit checks again for names taken meanwhile.
    if (NameTaken(target_)) {
        return failExists();
    }
    std::string pattern = FolderOf(target_) + "/." + NameOf(target_) + ".tunemoss-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        return fail("cannot create a temporary file in " + FolderOf(target_), errno);
    }
    fd_ = fd;
    temp_ = name.data();
    return true;
}

bool NewFileWriter::append(const void* data, size_t size) {
    if (failed_ || fd_ < 0) {
        return false;
    }
    const auto* bytes = static_cast<const uint8_t*>(data);
    while (size > 0) {
        ssize_t n = ::write(fd_, bytes, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return fail("cannot write the temporary file", n < 0 ? errno : EIO);
        }
        bytes += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool NewFileWriter::linkIntoPlace() {
    if (::renameat2(AT_FDCWD, temp_.c_str(), AT_FDCWD, target_.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    int err = errno;
    if (err == EEXIST) {
        return failExists();
    }
    if (err != EINVAL && err != ENOSYS) {
        return fail("cannot create " + target_, err);
    }
    // No no-replace rename on this file system: a hard link refuses a taken
    // name just as well.
    if (::link(temp_.c_str(), target_.c_str()) == 0) {
        ::unlink(temp_.c_str());
        return true;
    }
    err = errno;
    if (err == EEXIST) {
        return failExists();
    }
    // No hard links either (FAT and the like): claim the name with an
    // exclusive create, then move the content over that empty file of ours.
    int claim = ::open(target_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (claim < 0) {
        return errno == EEXIST ? failExists() : fail("cannot create " + target_, errno);
    }
    ::close(claim);
    if (::rename(temp_.c_str(), target_.c_str()) != 0) {
        err = errno;
        ::unlink(target_.c_str());
        return fail("cannot create " + target_, err);
    }
    return true;
}

bool NewFileWriter::commit() {
    if (failed_ || fd_ < 0 || committed_) {
        return false;
    }
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd_, 0666 & ~mask);
    if (::fsync(fd_) != 0) {
        return fail("cannot flush the temporary file", errno);
    }
    int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0) {
        return fail("cannot close the temporary file", errno);
    }
    if (!linkIntoPlace()) {
        return false;
    }
    committed_ = true;
    int dir = ::open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

}  // namespace songcore
