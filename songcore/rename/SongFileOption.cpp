#include "songcore/rename/SongFileOption.h"

#include <array>
#include <string_view>

namespace {

// A tag value as part of a file name. "." and ".." would name a folder, and
// a leading dot would hide the file: the dot becomes "_".
std::string NamePart(const std::string& value, bool atStart) {
    if (value == "." || value == "..") {
        return "_";
    }
    std::string part = value;
    if (atStart && !part.empty() && part.front() == '.') {
        part.front() = '_';
    }
    return part;
}

}  // namespace

std::string CSongFileOption::ExpandPattern(const std::string& pattern, const std::string& artist,
                                           const std::string& album, const std::string& title,
                                           const std::string& genre, const std::string& year) {
    const std::array<std::pair<std::string_view, const std::string*>, 5> tokens = {{
        {"%TITLE", &title},
        {"%ARTIST", &artist},
        {"%ALBUM", &album},
        {"%GENRE", &genre},
        {"%YEAR", &year},
    }};
    // One pass over the pattern: a value is put in as it is and never
    // scanned for tokens again, so a title "%ARTIST" stays "%ARTIST".
    std::string name;
    size_t at = 0;
    while (at < pattern.size()) {
        bool replaced = false;
        if (pattern[at] == '%') {
            for (const auto& [token, value] : tokens) {
                if (pattern.compare(at, token.size(), token) == 0) {
                    name += NamePart(*value, name.empty());
                    at += token.size();
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced) {
            name += pattern[at++];
        }
    }
    return name;
}

std::string CSongFileOption::CheckFileName(const std::string& name) {
    if (name.empty()) {
        return "the pattern gives an empty file name";
    }
    if (name.find('/') != std::string::npos) {
        return "the name \"" + name + "\" holds a \"/\"";
    }
    if (name.find('\0') != std::string::npos) {
        return "the name holds a NUL character";
    }
    if (name == "." || name == "..") {
        return "the name \"" + name + "\" is not a file name";
    }
    return {};
}

void CSongFileOption::SetDestPath(const char* pattern, const char* artist, const char* album,
                                  const char* title, const char* genre, const char* year) {
    auto text = [](const char* s) { return std::string(s ? s : ""); };
    dest_ = ExpandPattern(text(pattern), text(artist), text(album), text(title), text(genre),
                          text(year));
}

int CSongFileOption::RenameTo() {
    error_ = CheckFileName(dest_);
    if (!error_.empty()) {
        return 0;
    }
    dest_ = GetFilePath(source_.c_str()) + dest_ + GetFileExt(source_.c_str());
    // Paths are compared exactly: a change of letter case alone is a rename.
    if (dest_ == source_) {
        return 1;
    }
    return Rename(source_.c_str(), dest_.c_str());
}
