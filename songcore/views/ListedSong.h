#pragma once
// What the play list files (M3U, PLS) say of a song besides its path, read
// from the song itself: its length for writing such a list, and its tags
// for reading one in, as Add Files reads them.

#include <string>

namespace songcore {

// The song's length in whole seconds, rounded; 0 when it is not known (a web
// location, a song that cannot be read), as the lists wrote it before.
int ListedSongLength(const std::string& file);

struct ListedTags {
    std::string artist;
    std::string album;
    std::string title;
};
// The tags of a local song; what they leave empty keeps what tags held on
// entry (the list's own words). False, leaving tags alone, for a web
// location or a song that cannot be read.
bool ReadListedTags(const std::string& file, ListedTags& tags);

}  // namespace songcore
