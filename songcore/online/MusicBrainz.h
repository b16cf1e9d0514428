#pragma once
// The MusicBrainz web service (WS/2, JSON): releases searched by album,
// artist and track count, and one release looked up with its media, tracks,
// recordings and artists. Requests go through WebClient, which keeps to the
// service's rate limit and caches answers.

#include <functional>
#include <string>
#include <vector>

#include "songcore/online/MusicBrainzRelease.h"

namespace songcore {

class MusicBrainz {
public:
    // server: "https://musicbrainz.org", or a mirror's address.
    explicit MusicBrainz(std::string server, std::function<bool()> keepGoing = nullptr);
    // The server the settings name ([Online] MusicBrainz Server), else
    // https://musicbrainz.org.
    static std::string ConfiguredServer();

    bool SearchReleases(const std::string& album, const std::string& artist, int trackCount,
                        std::vector<MbRelease>& out, std::string& why);
    bool LookupRelease(const std::string& id, MbRelease& out, std::string& why);

private:
    bool Fetch(const std::string& pathAndQuery, std::string& body, std::string& why);

    std::string server_;
    std::function<bool()> keepGoing_;
};

}  // namespace songcore
