#include "songcore/files/ShellFileOp.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "songcore/files/FileOption.h"
#include "songcore/util/Hex.h"

namespace fs = std::filesystem;

namespace {

bool Exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string BaseName(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Join(const std::string& folder, const std::string& name) {
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

// "name (2).ext", "name (3).ext", ... beside the taken one.
std::string FreeName(const std::string& target) {
    fs::path path(target);
    std::string stem = path.stem().string();
    std::string ext = path.extension().string();
    std::string folder = path.parent_path().string();
    for (int n = 2; n < 10000; ++n) {
        std::string candidate = Join(folder, stem + " (" + std::to_string(n) + ")" + ext);
        if (!Exists(candidate)) {
            return candidate;
        }
    }
    return {};
}

std::string PercentEncode(const std::string& path) {
    std::string out;
    for (unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            songcore::AppendHexByte(out, c);
        }
    }
    return out;
}

// Copies a file or a whole folder; files are written safely, one by one.
std::error_code CopyTree(const std::string& source, const std::string& target, bool replace) {
    std::error_code ec;
    fs::file_status status = fs::symlink_status(source, ec);
    if (ec) {
        return ec;
    }
    if (fs::is_symlink(status)) {
        if (replace) {
            fs::remove(target, ec);
        }
        fs::copy_symlink(source, target, ec);
        return ec;
    }
    if (fs::is_directory(status)) {
        fs::create_directory(target, source, ec);
        if (ec) {
            return ec;
        }
        for (const fs::directory_entry& entry : fs::directory_iterator(source, ec)) {
            std::error_code sub = CopyTree(entry.path().string(),
                                           Join(target, entry.path().filename().string()), replace);
            if (sub) {
                return sub;
            }
        }
        return ec;
    }
    CFileOption option;
    if (!option.Copy(source.c_str(), target.c_str(), replace ? 0 : 1)) {
        return std::make_error_code(std::errc::io_error);
    }
    return {};
}

}  // namespace

int CShellFileOp::AddSourceFile(const char* path) {
    sources_.emplace_back(path ? path : "");
    return 1;
}

int CShellFileOp::AddDestFile(const char* path) {
    dests_.emplace_back(path ? path : "");
    return 1;
}

void CShellFileOp::SetOperationFlags(unsigned operation, void* owner, int silent, int allowUndo,
                                     int filesOnly, int noConfirmation, int noConfirmMkDir,
                                     int renameOnCollision, int simpleProgress) {
    uint16_t flags = 0;
    flags |= silent ? FOF_SILENT : 0;
    flags |= allowUndo ? FOF_ALLOWUNDO : 0;
    flags |= filesOnly ? FOF_FILESONLY : 0;
    flags |= noConfirmation ? FOF_NOCONFIRMATION : 0;
    flags |= noConfirmMkDir ? FOF_NOCONFIRMMKDIR : 0;
    flags |= renameOnCollision ? FOF_RENAMEONCOLLISION : 0;
    flags |= simpleProgress ? FOF_SIMPLEPROGRESS : 0;
    SetOperationFlags(operation, owner, flags);
}

void CShellFileOp::SetOperationFlags(unsigned operation, void* owner, uint16_t flags) {
    operation_ = operation;
    owner_ = owner;
    flags_ = flags;
    flagsSet_ = true;
}

void CShellFileOp::Reset() {
    sources_.clear();
    dests_.clear();
    operation_ = 0;
    owner_ = nullptr;
    flags_ = 0;
    flagsSet_ = false;
    started_ = false;
    aborted_ = false;
    title_.clear();
    error_.clear();
}

std::string CShellFileOp::TrashFolder() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/') {
        return std::string(data) + "/Trash";
    }
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.local/share/Trash";
}

int CShellFileOp::Fail(int error, const std::string& what) {
    error_ = what + ": " + std::strerror(error);
    return error;
}

int CShellFileOp::Delete(const std::string& path) {
    if (!Exists(path)) {
        return Fail(ENOENT, path);
    }
    std::error_code ec;
    if (!(flags_ & FOF_ALLOWUNDO)) {
        fs::remove_all(path, ec);
        return ec ? Fail(ec.value(), path) : 0;
    }
    std::string trash = TrashFolder();
    fs::create_directories(trash + "/files", ec);
    fs::create_directories(trash + "/info", ec);
    std::string absolute = fs::absolute(path, ec).lexically_normal().string();
    std::string base = BaseName(absolute);
    // The info file is created first and exclusively: it reserves the name.
    for (int n = 1; n < 10000; ++n) {
        std::string name = n == 1 ? base : base + "." + std::to_string(n);
        std::string info = trash + "/info/" + name + ".trashinfo";
        int fd = ::open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) {
                continue;
            }
            return Fail(errno, info);
        }
        char when[32];
        time_t now = std::time(nullptr);
        std::tm local{};
        ::localtime_r(&now, &local);
        std::strftime(when, sizeof when, "%Y-%m-%dT%H:%M:%S", &local);
        std::string text =
            "[Trash Info]\nPath=" + PercentEncode(absolute) + "\nDeletionDate=" + when + "\n";
        bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
        ::close(fd);
        std::string target = trash + "/files/" + name;
        if (!written || Exists(target) || ::rename(absolute.c_str(), target.c_str()) != 0) {
            // On another file system, or anything else: the file stays put.
            int err = written ? (errno ? errno : EEXIST) : EIO;
            ::unlink(info.c_str());
            return Fail(err, path);
        }
        return 0;
    }
    return Fail(EEXIST, path);
}

int CShellFileOp::RunItem(const std::string& source, const std::string& requested) {
    if (operation_ == FO_DELETE) {
        return Delete(source);
    }
    if (!Exists(source)) {
        return Fail(ENOENT, source);
    }
    std::string target = requested;
    bool replace = false;
    if (Exists(target)) {
        if (flags_ & FOF_RENAMEONCOLLISION) {
            target = FreeName(target);
            if (target.empty()) {
                return Fail(EEXIST, requested);
            }
        } else if (flags_ & FOF_NOCONFIRMATION) {
            struct stat a, b;
            if (::stat(source.c_str(), &a) == 0 && ::stat(target.c_str(), &b) == 0 &&
                a.st_dev == b.st_dev && a.st_ino == b.st_ino) {
                return Fail(EINVAL, target + " is the source itself");
            }
            replace = true;
        } else {
            aborted_ = true;  // nobody to confirm the replacement: keep it
            return 0;
        }
    }
    std::error_code ec;
    std::string sourceAbs = fs::absolute(source, ec).lexically_normal().string();
    std::string targetAbs = fs::absolute(target, ec).lexically_normal().string();
    if (IsDirectory(source) && (targetAbs + "/").rfind(sourceAbs + "/", 0) == 0) {
        return Fail(EINVAL, target + " lies inside " + source);
    }
    if (operation_ == FO_COPY) {
        ec = CopyTree(source, target, replace);
        return ec ? Fail(ec.value(), target) : 0;
    }
    // Move and rename (the target is free, or is to be replaced).
    if (::rename(source.c_str(), target.c_str()) == 0) {
        return 0;
    }
    int err = errno;
    if (err != EXDEV || operation_ == FO_RENAME) {
        return Fail(err, target);
    }
    // To another file system: copy, then remove the original.
    ec = CopyTree(source, target, replace);
    if (ec) {
        return Fail(ec.value(), target);
    }
    fs::remove_all(source, ec);
    return ec ? Fail(ec.value(), source) : 0;
}

int CShellFileOp::Go(int* started, int* result, int* aborted) {
    if (started) {
        *started = 0;
    }
    if (result) {
        *result = 0;
    }
    if (aborted) {
        *aborted = 0;
    }
    aborted_ = false;
    error_.clear();
    if (!flagsSet_ || operation_ < FO_MOVE || operation_ > FO_RENAME || sources_.empty()) {
        return 0;
    }
    bool remove = operation_ == FO_DELETE;
    if (!remove && (dests_.empty() || (dests_.size() != 1 && dests_.size() != sources_.size()))) {
        return 0;
    }
    bool multiDest = !remove && dests_.size() > 1;
    if (multiDest) {
        flags_ |= FOF_MULTIDESTFILES;
    }
    started_ = true;
    if (started) {
        *started = 1;
    }
    int code = 0;
    // One destination for several sources (or an existing folder) is the
    // folder they all go into.
    bool intoFolder = !remove && !multiDest && operation_ != FO_RENAME &&
                      (sources_.size() > 1 || IsDirectory(dests_[0]));
    if (intoFolder && !IsDirectory(dests_[0])) {
        std::error_code ec;
        fs::create_directories(dests_[0], ec);
        if (ec) {
            code = Fail(ec.value(), dests_[0]);
        }
    }
    for (size_t i = 0; i < sources_.size() && code == 0; ++i) {
        std::string target;
        if (!remove) {
            target = multiDest    ? dests_[i]
                     : intoFolder ? Join(dests_[0], BaseName(sources_[i]))
                                  : dests_[0];
        }
        code = RunItem(sources_[i], target);
    }
    if (result) {
        *result = code;
    }
    if (aborted) {
        *aborted = aborted_ ? 1 : 0;
    }
    return code == 0 ? 1 : 0;
}
