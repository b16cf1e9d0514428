#pragma once
// Whole play lists in one call: every song of an M3U, M3U8, PLS or song
// database file, and the writing of such a file from a list of songs. The
// kind of file is told by its extension.

#include <cstdint>
#include <string>
#include <vector>

namespace songcore {

struct ListEntry {
    std::string artist;
    std::string album;  // only song database files carry it
    std::string title;
    std::string file;
    int length = 0;     // seconds; the list files written here put 0
    uint32_t type = 0;  // song type word (song database files); 0 elsewhere
};

enum class ListKind { Unknown, M3U, PLS, SDF };

// ".m3u" and ".m3u8", ".pls", ".sdf" (letter case ignored).
ListKind ListKindOf(const std::string& path);

// False when the file cannot be read or is not such a list; error says why.
bool ReadListFile(const std::string& path, std::vector<ListEntry>& entries, std::string& error);
// Replaces the file with the songs; a song database entry without a type
// gets the one its path calls for.
bool WriteListFile(const std::string& path, const std::vector<ListEntry>& entries,
                   std::string& error);

}  // namespace songcore
