#pragma once
// Looking up the album of some songs, shared by `tunemoss lookup` and
// qarv's Look Up Album Online: the songs as the matching sees them, the
// search that finds their release, the fields each song would change, and
// the writing of what the user accepts as part of one edit.

#include <optional>
#include <string>
#include <vector>

#include "songcore/edit/EditHistory.h"
#include "songcore/online/MusicBrainzRelease.h"
#include "songcore/online/ReleaseMatch.h"
#include "songcore/tags/Picture.h"
#include "songcore/tags/SongValues.h"

namespace songcore {

// A song as the lookup sees it, with its fields now.
struct LookupSong {
    std::string path;
    SongToMatch match;
    SongValues fields;
    std::string album;
    std::string artist;  // its album artist, else its artist
};

// False when the song's tags cannot be read.
bool ReadLookupSong(const std::string& path, LookupSong& song);

// What a release search asks for: the album and artist most songs have,
// and as many tracks as there are songs.
struct AlbumQuery {
    std::string album;
    std::string artist;
    int trackCount = 0;
};
AlbumQuery QueryForSongs(const std::vector<LookupSong>& songs);

// The index of the release to take from a search: the surest answer; of
// equally sure ones, one with as many tracks as there are songs. -1 when
// the search found none.
int ChooseRelease(const std::vector<MbRelease>& found, size_t songCount);

// One song's part of the release: its track and the fields that differ
// from what it has now (FieldsFromTrack's order).
struct SongLookupChanges {
    TrackMatch match;
    FieldValues changes;
};
// One entry per song, in the songs' order; a song no track fits has none.
std::vector<SongLookupChanges> PlanLookupChanges(const std::vector<LookupSong>& songs,
                                                 const MbRelease& release);

// What is written into one song: the accepted fields, the cover (in place
// of its front cover) and, with a release, the identifiers of the release
// and of the song's track.
struct LookupWrite {
    FieldValues changes;
    const Picture* cover = nullptr;
    const MbRelease* release = nullptr;
    int medium = -1;
    int track = -1;
};

// Writes one song's part into operation (one entry of the edit history for
// all the songs). Returns what failed, each text for "PATH: text"; the
// identifiers are not written when the fields could not be.
std::vector<std::string> WriteLookupResult(const std::string& path, const LookupWrite& write,
                                           EditOperation& operation);

}  // namespace songcore
