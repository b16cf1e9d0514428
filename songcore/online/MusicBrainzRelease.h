#pragma once
// A release (one edition of an album) as MusicBrainz describes it, with the
// parts Tunemoss writes into songs, and the parsing of the service's JSON
// answers into it.

#include <string>
#include <vector>

namespace songcore {

struct MbTrack {
    int position = 0;  // on its medium, from 1
    std::string title;
    std::string artist;      // the artist credit as shown: "A feat. B"
    long long lengthMs = 0;  // 0 when unknown
    std::string trackId;
    std::string recordingId;
    std::vector<std::string> artistIds;
};

struct MbMedium {
    int position = 0;  // the disc number, from 1
    std::string format;
    std::vector<MbTrack> tracks;
};

struct MbRelease {
    std::string id;
    std::string title;
    std::string artist;  // the release's artist credit
    std::vector<std::string> artistIds;
    std::string date;  // "2003", "2003-05" or "2003-05-12"
    std::string country;
    std::string releaseGroupId;
    int score = 0;       // a search's confidence, 0 to 100
    int trackCount = 0;  // over all media
    std::vector<MbMedium> media;
};

// A release search's answer (/ws/2/release?query=...). False, with why,
// when it is not one.
bool ParseMbReleaseSearch(const std::string& json, std::vector<MbRelease>& out, std::string& why);
// A release lookup's answer (/ws/2/release/MBID?inc=...).
bool ParseMbRelease(const std::string& json, MbRelease& out, std::string& why);
// A MusicBrainz identifier: 36 characters, lower-case hexadecimal in groups
// of 8-4-4-4-12.
bool IsMbid(const std::string& text);

}  // namespace songcore
