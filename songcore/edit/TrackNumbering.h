#pragma once
// New track numbers for songs numbered together: in the order they are
// given, in the order of their paths, or album by album in the order of
// the track numbers they have, each album counted on its own.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace songcore {

enum class NumberingOrder {
    kGiven,       // 1 to N as given
    kPaths,       // 1 to N by folder, then file name
    kAlbumTracks  // 1 to the disc's count, within each disc of an album
};

struct NumberingSong {
    std::string path;
    // The album is its album artist with its name: two albums of the same
    // name by different artists are counted apart.
    std::string albumArtist;
    std::string album;
    uint32_t disc = 0;   // 0: none
    uint32_t track = 0;  // 0: none
};

struct TrackNumber {
    uint32_t number = 0;
    uint32_t total = 0;  // 0: none
};

// How names sort for the user (numbers by their value, say); true when a
// goes before b.
using NameLess = std::function<bool(const std::string& a, const std::string& b)>;

// Each song's new number, at the song's own index. By album, each disc of
// an album (its album artist, album and disc number) is numbered on its
// own: its songs go by track (songs without one after those with one),
// then by path, and the total is the disc's song count; otherwise every song
// gets total (0 for none). Equal songs keep the order they were given in.
std::vector<TrackNumber> NumberSongs(const std::vector<NumberingSong>& songs, NumberingOrder order,
                                     uint32_t total, const NameLess& nameLess);

// "7" or "7/12".
std::string TrackText(const TrackNumber& number);

}  // namespace songcore
