#include "songcore/lists/M3UFile.h"

#include <algorithm>
#include <span>

#include "songcore/util/Paths.h"
#include "songcore/util/SafeFileReplace.h"
#include "songcore/util/Text.h"

namespace songcore {

std::string ListTextToUtf8(std::string text) {
    auto bytes = [&] {
        return std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()) + 2,
                                        text.size() - 2);
    };
    if (text.compare(0, 2, "\xFF\xFE") == 0) {
        return Utf16LeToUtf8(bytes());
    }
    if (text.compare(0, 2, "\xFE\xFF") == 0) {
        return Utf16BeToUtf8(bytes());
    }
    return text;
}

void SplitDisplayText(std::string_view text, std::string& artist, std::string& title) {
    SplitArtistTitle(text, " - ", "-", artist, title);
}

}  // namespace songcore

namespace {

// A play list larger than this is not one.
constexpr size_t kMaxListSize = 1024u * 1024u * 1024u;

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
    text_ = songcore::ListTextToUtf8(std::move(text));
    // A byte order mark, as some programs put before UTF-8 lists.
    position_ = text_.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    reading_ = true;
    folder_ = songcore::AbsoluteFolderOf(path_);
    return 1;
}

void CM3UFile::Close() {
    Commit();
}

void CM3UFile::Abandon() {
    out_.reset();
    Close();
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
            artist = songcore::kUnknownArtist;
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
