#pragma once
// Paths of songs and play lists: names, file:// locations, entries relative
// to a list's folder, and the one spelling a local path is stored under.

#include <cstddef>
#include <string>
#include <string_view>

// True when the path starts with a URL scheme followed by "://".
bool IsInternetLocation(const std::string& path);

namespace songcore {

// The artist a song without one is listed under, in the song tree and when
// play lists are read. The spelling "Unknow" is kept on purpose: song
// databases, play lists and settings written by earlier versions hold it,
// and a song tree groups by the exact text.
inline constexpr const char* kUnknownArtist = "Unknow Artist";

// The title of a song without information: the name of its file without
// folder and extension ("/music/Song.mp3" -> "Song").
std::string SongNameFromPath(std::string_view path);
// "file:///a%20b.mp3" -> "/a b.mp3"; other text is returned unchanged.
std::string FileUriToPath(const std::string& entry);
// A relative local path joined to the folder of a play list.
std::string ResolveListEntry(const std::string& entry, const std::string& listFolder);
// The absolute folder of a file ("lists/a.m3u" -> "/home/me/lists"), without
// a trailing "/".
std::string AbsoluteFolderOf(const std::string& path);
// A local path made absolute (against the current folder) and lexically
// normal: no "." or ".." parts, no doubled or trailing "/". Links are not
// followed, so a song keeps the path it was found under. Internet locations
// and empty text are returned unchanged.
std::string NormalLocalPath(const std::string& path);
// Tunemoss's folder for state kept between runs: $XDG_STATE_HOME/Tunemoss,
// else ~/.local/state/Tunemoss; empty when neither is an absolute path.
std::string StateFolder();
// Reads a whole small file (a play list); false when it cannot be read or is
// larger than maxSize.
bool ReadSmallFile(const std::string& path, size_t maxSize, std::string& text, std::string& error);

}  // namespace songcore
