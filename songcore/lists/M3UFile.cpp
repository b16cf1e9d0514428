#include "songcore/lists/M3UFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "songcore/tags/SongType.h"
#include "songcore/util/SafeFileReplace.h"
#include "songcore/util/Text.h"

namespace songcore {
namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

}  // namespace

std::string SongNameFromPath(std::string_view path) {
    size_t slash = path.rfind('/');
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind('.');
    return std::string(dot == std::string_view::npos ? name : name.substr(0, dot));
}

void SplitDisplayText(std::string_view text, std::string& artist, std::string& title) {
    SplitArtistTitle(text, " - ", "-", artist, title);
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
        if (rest[i] == '%' && i + 2 < rest.size() && HexValue(rest[i + 1]) >= 0 &&
            HexValue(rest[i + 2]) >= 0) {
            char c = static_cast<char>(HexValue(rest[i + 1]) * 16 + HexValue(rest[i + 2]));
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

bool ReadSmallFile(const std::string& path, size_t maxSize, std::string& text, std::string& error) {
    text.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
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
        error = "the file is too large for a list";
        ::close(fd);
        return false;
    }
    text.resize(static_cast<size_t>(st.st_size));
    size_t got = 0;
    while (got < text.size()) {
        ssize_t n = ::read(fd, text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            error = std::strerror(errno);
            ::close(fd);
            return false;
        }
        if (n == 0) {
            break;
        }
        got += static_cast<size_t>(n);
    }
    text.resize(got);
    ::close(fd);
    return true;
}

}  // namespace songcore

namespace {

// A play list larger than this is not one.
constexpr size_t kMaxListSize = 64 * 1024 * 1024;

// atoi with saturation instead of overflow.
int ParseLength(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = std::min<long long>(value * 10 + (text[i] - '0'), 1LL << 31);
    }
    value = negative ? -value : value;
    return static_cast<int>(std::clamp<long long>(value, INT32_MIN, INT32_MAX));
}

// A text that must stay on one line of the list.
std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\r' || c == '\n' || c == '\0') {
            c = ' ';
        }
    }
    return text;
}

}  // namespace

CM3UFile::CM3UFile() = default;

CM3UFile::~CM3UFile() {
    Close();
}

int CM3UFile::Open(const char* path, int read) {
    Close();
    path_ = path ? path : "";
    error_.clear();
    if (read) {
        std::string text;
        if (!songcore::ReadSmallFile(path_, kMaxListSize, text, error_)) {
            return 0;
        }
        return OpenText(std::move(text), path_.c_str());
    }
    out_ = std::make_unique<songcore::SafeFileReplace>(path_);
    static const char kHeader[] = "#EXTM3U\n";
    if (!out_->begin() || !out_->append(kHeader, sizeof kHeader - 1)) {
        error_ = out_->error();
        out_.reset();
        return 0;
    }
    return 1;
}

int CM3UFile::OpenText(std::string text, const char* listPath) {
    Close();
    path_ = listPath ? listPath : "";
    text_ = std::move(text);
    // A byte order mark, as some programs put before UTF-8 lists.
    position_ = text_.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    reading_ = true;
    std::error_code ec;
    std::filesystem::path folder = std::filesystem::path(path_).parent_path();
    std::filesystem::path absolute = std::filesystem::absolute(folder.empty() ? "." : folder, ec);
    folder_ = ec ? folder.string() : absolute.lexically_normal().string();
    if (folder_.size() > 1 && folder_.back() == '/') {
        folder_.pop_back();
    }
    return 1;
}

void CM3UFile::Close() {
    Commit();
}

int CM3UFile::Commit() {
    int ok = songcore::CommitPending(out_, error_) ? 1 : 0;
    reading_ = false;
    text_.clear();
    text_.shrink_to_fit();
    position_ = 0;
    return ok;
}

bool CM3UFile::NextLine(std::string& line) {
    if (!reading_ || position_ >= text_.size()) {
        return false;
    }
    size_t end = text_.find('\n', position_);
    if (end == std::string::npos) {
        end = text_.size();
    }
    line.assign(text_, position_, end - position_);
    position_ = end + 1;
    return true;
}

int CM3UFile::GetItem(std::string& artist, std::string& title, std::string& file, int& length) {
    bool haveInfo = false;
    std::string line;
    while (NextLine(line)) {
        std::string trimmed = songcore::Trim(line);
        if (trimmed.empty() || trimmed.find('\0') != std::string::npos) {
            continue;
        }
        if (trimmed[0] == '#') {
            std::string_view rest = trimmed;
            rest.remove_prefix(1);
            while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) {
                rest.remove_prefix(1);
            }
            if (!songcore::EqualsIgnoreCaseAscii(rest.substr(0, 6), "EXTINF")) {
                continue;  // the header, and other directives
            }
            size_t colon = rest.find(':');
            size_t comma = colon == std::string_view::npos ? colon : rest.find(',', colon);
            if (comma == std::string_view::npos) {
                haveInfo = false;  // a broken information line tells nothing
                continue;
            }
            length = ParseLength(rest.substr(colon + 1, comma - colon - 1));
            songcore::SplitDisplayText(rest.substr(comma + 1), artist, title);
            haveInfo = true;
            continue;
        }
        file = songcore::ResolveListEntry(trimmed, folder_);
        if (!haveInfo) {
            artist.clear();
            title.clear();
            length = 0;
        }
        if (artist.empty()) {
            artist = "Unknow Artist";
        }
        if (title.empty()) {
            title = GetFileName(file);
        }
        return 1;
    }
    return 0;
}

int CM3UFile::WriteItem(std::string artist, std::string title, std::string file, int length) {
    if (!out_) {
        return 0;
    }
    std::string lines = "#EXTINF:" + std::to_string(length) + "," + OneLine(std::move(artist)) +
                        " - " + OneLine(std::move(title)) + "\n" + OneLine(std::move(file)) + "\n";
    if (!out_->append(lines.data(), lines.size())) {
        error_ = out_->error();
        return 0;
    }
    return 1;
}

std::string CM3UFile::GetFileName(std::string path) const {
    return songcore::SongNameFromPath(path);
}
