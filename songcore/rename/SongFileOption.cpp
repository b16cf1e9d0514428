#include "songcore/rename/SongFileOption.h"

#include "songcore/rename/NameTokens.h"

std::string CSongFileOption::ExpandPattern(const std::string& pattern, const std::string& artist,
                                           const std::string& album, const std::string& title,
                                           const std::string& genre, const std::string& year) {
    songcore::NameValues values;
    values.artist = artist;
    values.album = album;
    values.title = title;
    values.genre = genre;
    values.year = year;
    return songcore::ExpandNamePattern(pattern, values);
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
