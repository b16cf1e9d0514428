#include "songcore/files/FileOption.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "songcore/files/NewFileWriter.h"
#include "songcore/util/SafeFileReplace.h"

namespace {

std::string_view NameOf(std::string_view path) {
    size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool Exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace

std::string CFileOption::GetFilePath(const char* path) const {
    std::string_view text = path ? path : "";
    size_t slash = text.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(text.substr(0, slash + 1));
}

std::string CFileOption::GetFileName(const char* path) const {
    std::string_view name = NameOf(path ? path : "");
    size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string() : std::string(name.substr(0, dot));
}

std::string CFileOption::GetFileExt(const char* path) const {
    // Only a dot in the name itself starts an extension: "/m.d/song" has
    // none.
    std::string_view name = NameOf(path ? path : "");
    size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot));
}

int CFileOption::Rename(const char* from, const char* to) {
    error_.clear();
    if (from == nullptr || to == nullptr) {
        error_ = "no file name";
        return 0;
    }
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) {
        return 1;
    }
    int err = errno;
    if (err != EINVAL && err != ENOSYS) {
        error_ = std::strerror(err);
        return 0;
    }
    // A file system without the no-replace rename: a hard link fails on an
    // existing target just as well.
    if (::link(from, to) == 0) {
        if (::unlink(from) == 0) {
            return 1;
        }
        err = errno;
        ::unlink(to);
        error_ = std::strerror(err);
        return 0;
    }
    err = errno;
    if (err == EEXIST) {
        error_ = std::strerror(err);
        return 0;
    }
    // Last resort (no hard links either, e.g. FAT): check, then rename.
    if (Exists(to)) {
        error_ = std::strerror(EEXIST);
        return 0;
    }
    if (::rename(from, to) != 0) {
        error_ = std::strerror(errno);
        return 0;
    }
    return 1;
}

int CFileOption::Copy(const char* from, const char* to, int failIfExists) {
    error_.clear();
    if (from == nullptr || to == nullptr) {
        error_ = "no file name";
        return 0;
    }
    struct stat source, target;
    if (::stat(from, &source) != 0) {
        error_ = std::strerror(errno);
        return 0;
    }
    if (::stat(to, &target) == 0) {
        if (failIfExists) {
            error_ = std::strerror(EEXIST);
            return 0;
        }
        if (source.st_dev == target.st_dev && source.st_ino == target.st_ino) {
            error_ = "source and destination are the same file";
            return 0;
        }
    }
    int fd = ::open(from, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error_ = std::strerror(errno);
        return 0;
    }
    if (failIfExists) {
        // The name must still be free when the copy is complete, and a link
        // under it is never followed.
        bool ok = CopyToNewFile(fd, static_cast<uint64_t>(std::max<off_t>(source.st_size, 0)), to);
        ::close(fd);
        return ok ? 1 : 0;
    }
    songcore::SafeFileReplace out(to);
    bool ok = out.begin() &&
              out.copyFromFd(fd, 0, static_cast<uint64_t>(std::max<off_t>(source.st_size, 0))) &&
              out.commit();
    ::close(fd);
    if (!ok) {
        error_ = out.error();
    }
    return ok ? 1 : 0;
}

bool CFileOption::CopyToNewFile(int fd, uint64_t length, const char* to) {
    songcore::NewFileWriter out(to);
    if (!out.begin()) {
        error_ = out.targetExists() ? std::strerror(EEXIST) : out.error();
        return false;
    }
    std::vector<uint8_t> block(std::min<uint64_t>(length, 1 << 20));
    uint64_t at = 0;
    while (at < length) {
        ssize_t got = ::pread(fd, block.data(), std::min<uint64_t>(block.size(), length - at),
                              static_cast<off_t>(at));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            error_ = got < 0 ? std::strerror(errno) : "the source file ended early";
            return false;
        }
        if (!out.append(block.data(), static_cast<size_t>(got))) {
            error_ = out.error();
            return false;
        }
        at += static_cast<uint64_t>(got);
    }
    if (!out.commit()) {
        error_ = out.targetExists() ? std::strerror(EEXIST) : out.error();
        return false;
    }
    return true;
}

int CFileOption::MakeDirectory(const char* path) {
    std::string text = path ? path : "";
    size_t slash = text.rfind('/');
    // No "/": the folder is the current one, which exists.
    std::string folder = slash == std::string::npos ? std::string() : text.substr(0, slash);
    while (!folder.empty() && folder.back() == '/') {
        folder.pop_back();  // "a//b" and the root "/" end the walk cleanly
    }
    if (folder.empty() || Exists(folder)) {
        return 1;
    }
    if (!MakeDirectory(folder.c_str())) {
        return 0;
    }
    if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
        error_ = "cannot create " + folder + ": " + std::strerror(errno);
        return 0;
    }
    return 1;
}
