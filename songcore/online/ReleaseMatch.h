#pragma once
// Which track of a release each of the user's songs is: by disc and track
// number, title and length, each song to a track of its own, with how sure
// the match is; and the fields a matched song gets from its track.

#include <string>
#include <vector>

#include "songcore/edit/FieldEdits.h"
#include "songcore/online/MusicBrainzRelease.h"

namespace songcore {

struct SongToMatch {
    std::string title;
    unsigned disc = 0;   // 0: unknown
    unsigned track = 0;  // 0: unknown
    double lengthSeconds = 0;
};

struct TrackMatch {
    int medium = -1;  // index into the release's media; -1: no track fits
    int track = -1;   // index into that medium's tracks
    // 0 to 1: how much of what the song tells (its number, title, length)
    // agrees with the track.
    double confidence = 0;
};

// One match per song, in the songs' order. A song is only given a track
// that fits it in some way (number, title or length); no track is given
// twice.
std::vector<TrackMatch> MatchSongsToRelease(const std::vector<SongToMatch>& songs,
                                            const MbRelease& release);

// The fields of the song matched to release.media[medium].tracks[track]:
// title, artist, album, album artist, year (the release date), track and
// disc numbers with their totals.
FieldValues FieldsFromTrack(const MbRelease& release, int medium, int track);

}  // namespace songcore
