// Reads arbitrary text as MusicBrainz answers (a release search, a release
// lookup), and matches songs to whatever release came out of it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "songcore/online/AcoustId.h"
#include "songcore/online/MusicBrainzRelease.h"
#include "songcore/online/ReleaseMatch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::string why;
    std::vector<songcore::MbRelease> found;
    songcore::ParseMbReleaseSearch(text, found, why);
    std::vector<songcore::AcoustIdMatch> matches;
    songcore::ParseAcoustIdAnswer(text, matches, why);
    songcore::MbRelease release;
    if (songcore::ParseMbRelease(text, release, why)) {
        std::vector<songcore::SongToMatch> songs = {
            {"a", 1, 1, 100}, {"", 0, 2, 0}, {"b", 0, 0, 5}};
        for (const songcore::TrackMatch& match : songcore::MatchSongsToRelease(songs, release)) {
            if (match.medium >= 0) {
                songcore::FieldsFromTrack(release, match.medium, match.track);
            }
        }
    }
    return 0;
}
