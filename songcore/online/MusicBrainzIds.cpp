#include "songcore/online/MusicBrainzIds.h"

#include "songcore/tags/SongFileInfo.h"

namespace songcore {

namespace {

// One identifier: its name in ID3v2 TXXX, MP4 and ASF (after "MusicBrainz/")
// tags, and in Vorbis comments and APEv2 tags.
struct IdKey {
    const char* spaced;  // "Album Id"
    const char* joined;  // "ALBUMID"
    // The recording, which ID3v2 keeps in a UFID frame of one identifier.
    bool recording = false;
};

std::string KeyIn(uint32_t kind, const IdKey& key) {
    const std::string spaced = std::string("MusicBrainz ") + key.spaced;
    switch (kind) {
        case TAG_ID3V2:
            // The recording has a frame of its own.
            return key.recording ? "UFID:http://musicbrainz.org" : "TXXX:" + spaced;
        case TAG_MP4:
            return "----:com.apple.iTunes:" + spaced;
        case TAG_ASF:
            return std::string("MusicBrainz/") + key.spaced;
        default:
            return std::string("MUSICBRAINZ_") + key.joined;
    }
}

}  // namespace

TagItemEdits MusicBrainzIdEdits(uint32_t kind, const MbRelease& release, size_t medium,
                                size_t track) {
    const MbTrack& song = release.media.at(medium).tracks.at(track);
    const std::pair<IdKey, std::vector<std::string>> ids[] = {
        {{"Album Id", "ALBUMID"}, {release.id}},
        {{"Album Artist Id", "ALBUMARTISTID"}, release.artistIds},
        {{"Release Group Id", "RELEASEGROUPID"}, {release.releaseGroupId}},
        {{"Artist Id", "ARTISTID"}, song.artistIds},
        {{"Release Track Id", "RELEASETRACKID"}, {song.trackId}},
        {{"Track Id", "TRACKID", true}, {song.recordingId}},
    };
    TagItemEdits edits;
    for (const auto& [key, values] : ids) {
        std::vector<std::string> given;
        for (const std::string& value : values) {
            if (!value.empty()) {
                given.push_back(value);
            }
        }
        // UFID holds one identifier.
        if (kind == TAG_ID3V2 && key.recording && given.size() > 1) {
            given.resize(1);
        }
        if (!given.empty()) {
            edits.push_back({KeyIn(kind, key), std::move(given)});
        }
    }
    return edits;
}

SongEditResult WriteMusicBrainzIds(const std::string& path, const MbRelease& release, size_t medium,
                                   size_t track) {
    return EditSongItemsFor(path, [&](const CSongFileInfo& song) {
        return MusicBrainzIdEdits(song.GetExtrasTagKind(), release, medium, track);
    });
}

SongEditResult WriteMusicBrainzRecordingId(const std::string& path,
                                           const std::string& recordingId) {
    MbRelease release;
    MbTrack track;
    track.recordingId = recordingId;
    release.media.push_back({1, {}, {track}});
    return WriteMusicBrainzIds(path, release, 0, 0);
}

}  // namespace songcore
