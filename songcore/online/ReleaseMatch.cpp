#include "songcore/online/ReleaseMatch.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <set>

namespace songcore {
namespace {

// Letters and digits only, in lower case: "Don't Stop (Remastered)" and
// "dont stop remastered" are one title.
std::string Folded(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c >= 0x80) {
            out += static_cast<char>(std::tolower(c));
        }
    }
    return out;
}

// 1 for the same title, less for one inside the other, 0 for different.
double TitleLikeness(const std::string& a, const std::string& b) {
    std::string x = Folded(a);
    std::string y = Folded(b);
    if (x.empty() || y.empty()) {
        return 0;
    }
    if (x == y) {
        return 1;
    }
    if (x.find(y) != std::string::npos || y.find(x) != std::string::npos) {
        return 0.6;
    }
    return 0;
}

// The most Score can give a song with what it knows (a number, a title, a
// length), for the confidence shown.
double MostPossible(const SongToMatch& song) {
    return (song.track != 0 ? 0.45 : 0) + (song.title.empty() ? 0 : 0.4) +
           (song.lengthSeconds > 0 ? 0.15 : 0);
}

double Score(const SongToMatch& song, const MbRelease& release, int medium, int track) {
    const MbMedium& disc = release.media[static_cast<size_t>(medium)];
    const MbTrack& candidate = disc.tracks[static_cast<size_t>(track)];
    double score = 0;
    bool numberFits = song.track != 0 && song.track == static_cast<unsigned>(candidate.position) &&
                      (song.disc == 0 || release.media.size() == 1 ||
                       song.disc == static_cast<unsigned>(disc.position));
    if (numberFits) {
        score += 0.45;
    }
    score += 0.4 * TitleLikeness(song.title, candidate.title);
    if (song.lengthSeconds > 0 && candidate.lengthMs > 0) {
        double apart =
            std::fabs(song.lengthSeconds - static_cast<double>(candidate.lengthMs) / 1000);
        if (apart <= 3) {
            score += 0.15;
        } else if (apart > 30) {
            score -= 0.2;
        }
    }
    return score;
}

}  // namespace

std::vector<TrackMatch> MatchSongsToRelease(const std::vector<SongToMatch>& songs,
                                            const MbRelease& release) {
    struct Pair {
        double score;
        size_t song;
        int medium;
        int track;
    };
    std::vector<Pair> pairs;
    for (size_t s = 0; s < songs.size(); ++s) {
        for (size_t m = 0; m < release.media.size(); ++m) {
            for (size_t t = 0; t < release.media[m].tracks.size(); ++t) {
                double score = Score(songs[s], release, static_cast<int>(m), static_cast<int>(t));
                if (score > 0.1) {
                    pairs.push_back({score, s, static_cast<int>(m), static_cast<int>(t)});
                }
            }
        }
    }
    // The surest pairs first; ties by the order of the songs and tracks.
    std::stable_sort(pairs.begin(), pairs.end(),
                     [](const Pair& a, const Pair& b) { return a.score > b.score; });
    std::vector<TrackMatch> matches(songs.size());
    std::set<std::pair<int, int>> taken;
    for (const Pair& pair : pairs) {
        if (matches[pair.song].medium >= 0 || taken.count({pair.medium, pair.track}) != 0) {
            continue;
        }
        double most = MostPossible(songs[pair.song]);
        matches[pair.song] = {pair.medium, pair.track,
                              most > 0 ? std::min(pair.score / most, 1.0) : 0.0};
        taken.insert({pair.medium, pair.track});
    }
    return matches;
}

FieldValues FieldsFromTrack(const MbRelease& release, int medium, int track) {
    const MbMedium& disc = release.media.at(static_cast<size_t>(medium));
    const MbTrack& song = disc.tracks.at(static_cast<size_t>(track));
    FieldValues fields;
    PutFieldValue(fields, SongField::Title, song.title);
    PutFieldValue(fields, SongField::Artist, song.artist.empty() ? release.artist : song.artist);
    PutFieldValue(fields, SongField::Album, release.title);
    PutFieldValue(fields, SongField::AlbumArtist, release.artist);
    if (!release.date.empty()) {
        PutFieldValue(fields, SongField::Year, release.date);
    }
    PutFieldValue(fields, SongField::Track, std::to_string(song.position));
    PutFieldValue(fields, SongField::TrackTotal, std::to_string(disc.tracks.size()));
    if (disc.position > 0) {
        PutFieldValue(fields, SongField::Disc, std::to_string(disc.position));
        PutFieldValue(fields, SongField::DiscTotal, std::to_string(release.media.size()));
    }
    return fields;
}

}  // namespace songcore
