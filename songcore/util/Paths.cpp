#include "songcore/util/Paths.h"

#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "songcore/util/FdIo.h"
#include "songcore/util/Hex.h"
#include "songcore/util/Text.h"

bool IsInternetLocation(const std::string& path) {
    size_t i = 0;
    while (i < path.size()) {
        char c = path[i];
        bool schemeChar = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'));
        if (!schemeChar) {
            break;
        }
        ++i;
    }
    return i > 0 && path.compare(i, 3, "://") == 0;
}

namespace songcore {

std::string SongNameFromPath(std::string_view path) {
    size_t slash = path.rfind('/');
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind('.');
    return std::string(dot == std::string_view::npos ? name : name.substr(0, dot));
}

std::string FileUriToPath(const std::string& entry) {
    if (entry.size() < 7 ||
        !EqualsIgnoreCaseAscii(std::string_view(entry).substr(0, 7), "file://")) {
        return entry;
    }
    std::string_view rest = std::string_view(entry).substr(7);
    if (EqualsIgnoreCaseAscii(rest.substr(0, 9), "localhost")) {
        rest.remove_prefix(9);
    }
    if (rest.empty() || rest[0] != '/') {
        return entry;  // a file on another host: leave it to the caller
    }
    std::string path;
    for (size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == '%' && i + 2 < rest.size() && HexDigitValue(rest[i + 1]) >= 0 &&
            HexDigitValue(rest[i + 2]) >= 0) {
            char c =
                static_cast<char>(HexDigitValue(rest[i + 1]) * 16 + HexDigitValue(rest[i + 2]));
            if (c == '\0') {
                return entry;  // no path can hold it
            }
            path += c;
            i += 2;
        } else {
            path += rest[i];
        }
    }
    return path;
}

std::string ResolveListEntry(const std::string& entry, const std::string& listFolder) {
    std::string path = FileUriToPath(entry);
    if (path.empty() || path[0] == '/' || IsInternetLocation(path) || listFolder.empty()) {
        return path;
    }
    // A Windows path ("C:\..." or "\\server\...") cannot be resolved here.
    if ((path.size() >= 2 && path[1] == ':') || path[0] == '\\') {
        return path;
    }
    std::string_view relative = path;
    while (relative.substr(0, 2) == "./") {
        relative.remove_prefix(2);
    }
    return listFolder + (listFolder.back() == '/' ? "" : "/") + std::string(relative);
}

std::string AbsoluteFolderOf(const std::string& path) {
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    return NormalLocalPath(folder.empty() ? std::string(".") : folder.string());
}

namespace {

// Whether an absolute path already has the form NormalLocalPath gives: no
// empty, "." or ".." part and no slash at its end. A folder walk hands over
// millions of such paths, which need no rebuilding.
bool IsNormalAbsolute(std::string_view path) {
    if (path == "/") {
        return true;
    }
    if (path.size() < 2 || path[0] != '/' || path.back() == '/') {
        return false;
    }
    for (size_t start = 1; start <= path.size();) {
        size_t end = std::min(path.find('/', start), path.size());
        std::string_view part = path.substr(start, end - start);
        if (part.empty() || part == "." || part == "..") {
            return false;
        }
        start = end + 1;
    }
    return true;
}

}  // namespace

std::string NormalLocalPath(const std::string& path) {
    if (path.empty() || IsNormalAbsolute(path) || IsInternetLocation(path)) {
        return path;
    }
    std::filesystem::path normal;
    if (path[0] == '/') {
        normal = std::filesystem::path(path).lexically_normal();
    } else {
        std::error_code ec;
        std::filesystem::path absolute = std::filesystem::absolute(path, ec);
        if (ec) {
            return path;
        }
        normal = absolute.lexically_normal();
    }
    std::string text = normal.string();
    // "//x" is the same folder as "/x" here; the library keeps one spelling.
    while (text.size() > 1 && text[0] == '/' && text[1] == '/') {
        text.erase(0, 1);
    }
    if (text.size() > 1 && text.back() == '/') {
        text.pop_back();
    }
    return text;
}

namespace {

std::string SizeText(size_t bytes) {
    if (bytes >= (1u << 20) && bytes % (1u << 20) == 0) {
        return std::to_string(bytes >> 20) + " MB";
    }
    return std::to_string(bytes) + " bytes";
}

}  // namespace

bool ReadSmallFile(const std::string& path, size_t maxSize, std::string& text, std::string& error) {
    text.clear();
    // Not blocking, so that a FIFO is refused instead of waited on.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0;
    if (!ok || !S_ISREG(st.st_mode)) {
        error = ok ? "not a regular file" : std::strerror(errno);
        ::close(fd);
        return false;
    }
    if (static_cast<uint64_t>(st.st_size) > maxSize) {
        error = "the file is larger than " + SizeText(maxSize);
        ::close(fd);
        return false;
    }
    text.resize(static_cast<size_t>(st.st_size));
    long long got = PreadAll(fd, text.data(), text.size(), 0);
    if (got < 0) {
        error = std::strerror(errno);
        ::close(fd);
        return false;
    }
    text.resize(static_cast<size_t>(got));
    ::close(fd);
    return true;
}

std::string StateFolder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state != nullptr && state[0] == '/') {
        return std::string(state) + "/Tunemoss";
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') {
        return {};
    }
    return std::string(home) + "/.local/state/Tunemoss";
}

}  // namespace songcore
