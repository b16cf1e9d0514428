#pragma once
// CM3UFile: reads and writes M3U play lists (".m3u", and ".m3u8", which is
// UTF-8 by definition; this library's texts are UTF-8 either way). One
// object serves one file, opened either for reading or for writing.
//
// Reading takes extended lists ("#EXTM3U" with "#EXTINF" lines) as well as
// plain lists of paths, the most common kind written by other programs.
// Relative paths are resolved against the play list's folder, and file://
// locations become local paths. Writing goes to a temporary file that
// replaces the list when it is closed, so a failed export never leaves half
// a list behind.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "songcore/util/Paths.h"

namespace songcore {
class SafeFileReplace;
}

class CM3UFile {
public:
    CM3UFile();
    virtual ~CM3UFile();
    CM3UFile(const CM3UFile&) = delete;
    CM3UFile& operator=(const CM3UFile&) = delete;

    // read non-zero: open an existing list for reading; else start writing
    // a new list (it replaces the file at Close). 1 on success, 0 otherwise.
    int Open(const char* path, int read);
    // Reads a list from memory, as if it were the file at listPath.
    int OpenText(std::string text, const char* listPath);
    // Finishes writing (the list replaces the file) and closes.
    virtual void Close();
    // Close, telling whether a list being written reached the disk.
    int Commit();
    // Drops a list being written: the file stays as it was.
    void Abandon();

    int GetItem(std::string& artist, std::string& title, std::string& file, int& length);
    int WriteItem(std::string artist, std::string title, std::string file, int length);

    std::string GetFileName(std::string path) const;
    std::string GetPathName() const { return path_; }
    // Why the last Open, WriteItem or Commit failed.
    std::string GetErrorMessage() const { return error_; }

private:
    bool NextLine(std::string& line);

    std::string path_;
    std::string error_;
    // Reading: the whole list and the scan position.
    std::string text_;
    size_t position_ = 0;
    bool reading_ = false;
    std::string folder_;
    // Writing.
    std::unique_ptr<songcore::SafeFileReplace> out_;
};

namespace songcore {
// Splits "Artist - Title" at the first " - "; when there is none, at the
// first "-"; the artist is empty when there is neither. Both trimmed.
void SplitDisplayText(std::string_view text, std::string& artist, std::string& title);
// The text of a list file in UTF-8: UTF-16 with a byte order mark (either
// byte order, as some players save their lists) is converted, other text is
// returned as it is.
std::string ListTextToUtf8(std::string text);
}  // namespace songcore
