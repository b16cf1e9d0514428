#include "songcore/edit/TrackNumbering.h"

#include <algorithm>
#include <map>
#include <numeric>
#include <tuple>
#include <utility>

namespace songcore {

namespace {

// Folder first, so that the songs of one folder stay together.
bool PathLess(const std::string& a, const std::string& b, const NameLess& nameLess) {
    const size_t slashA = a.rfind('/');
    const size_t slashB = b.rfind('/');
    const std::string folderA = slashA == std::string::npos ? "" : a.substr(0, slashA);
    const std::string folderB = slashB == std::string::npos ? "" : b.substr(0, slashB);
    if (nameLess(folderA, folderB)) {
        return true;
    }
    if (nameLess(folderB, folderA)) {
        return false;
    }
    return nameLess(a.substr(slashA + 1), b.substr(slashB + 1));
}

// Within an album: disc, then track, a missing number after every
// number.
bool AlbumLess(const NumberingSong& a, const NumberingSong& b, const NameLess& nameLess) {
    auto key = [](uint32_t number) { return std::pair(number == 0, number); };
    if (key(a.disc) != key(b.disc)) {
        return key(a.disc) < key(b.disc);
    }
    if (key(a.track) != key(b.track)) {
        return key(a.track) < key(b.track);
    }
    return PathLess(a.path, b.path, nameLess);
}

}  // namespace

std::vector<TrackNumber> NumberSongs(const std::vector<NumberingSong>& songs, NumberingOrder order,
                                     uint32_t total, const NameLess& nameLess) {
    std::vector<TrackNumber> numbers(songs.size());
    std::vector<size_t> indexes(songs.size());
    std::iota(indexes.begin(), indexes.end(), size_t{0});
    if (order != NumberingOrder::kAlbumTracks) {
        if (order == NumberingOrder::kPaths) {
            std::stable_sort(indexes.begin(), indexes.end(), [&](size_t a, size_t b) {
                return PathLess(songs[a].path, songs[b].path, nameLess);
            });
        }
        for (size_t at = 0; at < indexes.size(); ++at) {
            numbers[indexes[at]] = {static_cast<uint32_t>(at + 1), total};
        }
        return numbers;
    }
    // A disc of an album is numbered on its own: a song is its disc's
    // track n, as the disc number beside it says.
    std::map<std::tuple<std::string, std::string, uint32_t>, std::vector<size_t>> albums;
    for (size_t index : indexes) {
        albums[{songs[index].albumArtist, songs[index].album, songs[index].disc}].push_back(index);
    }
    for (auto& [album, members] : albums) {
        std::stable_sort(members.begin(), members.end(), [&](size_t a, size_t b) {
            return AlbumLess(songs[a], songs[b], nameLess);
        });
        for (size_t at = 0; at < members.size(); ++at) {
            numbers[members[at]] = {static_cast<uint32_t>(at + 1),
                                    static_cast<uint32_t>(members.size())};
        }
    }
    return numbers;
}

std::string TrackText(const TrackNumber& number) {
    std::string text = std::to_string(number.number);
    if (number.total > 0) {
        text += "/" + std::to_string(number.total);
    }
    return text;
}

}  // namespace songcore
