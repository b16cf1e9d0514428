#pragma once
// Whole play lists in one call: every song of an M3U, M3U8, PLS, song
// database or desktop play list file, and the writing of such a file from a
// list of songs. The kind of file is told by its extension, and for reading
// by its content when the extension tells nothing.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace songcore {

struct ListEntry {
    std::string artist;
    std::string album;  // only song database and desktop play list files carry it
    std::string title;
    std::string file;
    int length = 0;     // seconds; the list files written here put 0
    uint32_t type = 0;  // song type word (song database files); 0 elsewhere
};

// PlayList is the desktop program's own list (".pl": an INI file of
// "Song N" sections); it is read, not written.
enum class ListKind { Unknown, M3U, PLS, SDF, PlayList };

// ".m3u" and ".m3u8", ".pls", ".sdf", ".pl" (letter case ignored).
ListKind ListKindOf(const std::string& path);
// The extension's kind, or, when it tells none, the kind the first bytes of
// the file show.
ListKind DetectListKind(const std::string& path);

// Hands each song to visit, in list order (visit returns false to stop).
// False when the file cannot be read, is not such a list, or is damaged or
// cut short (after the songs before the damage were visited); error says why.
bool ReadListFile(const std::string& path, const std::function<bool(ListEntry&)>& visit,
                  std::string& error);
bool ReadListFile(const std::string& path, std::vector<ListEntry>& entries, std::string& error);

// Writes a list song by song, without holding it; the file is replaced only
// by a successful Commit, so an abandoned writer leaves the old file as it was.
class ListFileWriter {
public:
    ListFileWriter();
    ~ListFileWriter();
    ListFileWriter(const ListFileWriter&) = delete;
    ListFileWriter& operator=(const ListFileWriter&) = delete;

    bool Open(const std::string& path);
    // A song database entry without a type gets the one its path calls for.
    bool Add(const ListEntry& entry);
    bool Commit();
    const std::string& error() const { return error_; }

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::string error_;
};

bool WriteListFile(const std::string& path, const std::vector<ListEntry>& entries,
                   std::string& error);

}  // namespace songcore
