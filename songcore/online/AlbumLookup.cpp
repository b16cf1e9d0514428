#include "songcore/online/AlbumLookup.h"

#include <algorithm>
#include <map>
#include <variant>

#include "songcore/edit/SongEdit.h"
#include "songcore/online/MusicBrainzIds.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/SongPictures.h"
#include "songcore/tags/StreamProperties.h"

namespace songcore {
namespace {

// The value most songs have (ties: the first), "" when none has one.
std::string MostCommon(const std::vector<LookupSong>& songs, std::string LookupSong::*member) {
    std::map<std::string, int> counts;
    std::string best;
    int bestCount = 0;
    for (const LookupSong& song : songs) {
        const std::string& value = song.*member;
        if (!value.empty() && ++counts[value] > bestCount) {
            best = value;
            bestCount = counts[value];
        }
    }
    return best;
}

// The song's pictures with cover first, in place of its front cover.
bool PicturesWithCover(const std::string& path, const Picture& cover,
                       std::vector<Picture>& pictures, std::string& why) {
    if (!ReadSongPictures(path, pictures, why)) {
        return false;
    }
    std::erase_if(pictures,
                  [](const Picture& picture) { return picture.type == kPictureFrontCover; });
    pictures.insert(pictures.begin(), cover);
    return true;
}

}  // namespace

bool ReadLookupSong(const std::string& path, LookupSong& song) {
    CSongFileInfo info;
    if (!info.Open(path, 1, 0) || !info.GetSongInfo()) {
        return false;
    }
    song.path = path;
    song.fields = info.GetFields();
    song.album = info.GetAlbum();
    song.artist = !info.GetAlbumArtist().empty() ? info.GetAlbumArtist() : info.GetArtist();
    song.match.title = info.GetTitle();
    song.match.track = info.GetTrackNum();
    song.match.disc = info.GetDiscNum();
    StreamProperties stream = ReadStreamProperties(info);
    if (const StreamProperty* length = stream.find("length_seconds")) {
        song.match.lengthSeconds = std::get<double>(length->value);
    }
    return true;
}

AlbumQuery QueryForSongs(const std::vector<LookupSong>& songs) {
    return {MostCommon(songs, &LookupSong::album), MostCommon(songs, &LookupSong::artist),
            static_cast<int>(songs.size())};
}

int ChooseRelease(const std::vector<MbRelease>& found, size_t songCount) {
    auto rank = [&](const MbRelease& release) {
        return std::make_pair(release.score, release.trackCount == static_cast<int>(songCount));
    };
    auto best = std::max_element(found.begin(), found.end(),
                                 [&](const auto& a, const auto& b) { return rank(a) < rank(b); });
    return best == found.end() ? -1 : static_cast<int>(best - found.begin());
}

std::vector<SongLookupChanges> PlanLookupChanges(const std::vector<LookupSong>& songs,
                                                 const MbRelease& release) {
    std::vector<SongToMatch> toMatch;
    for (const LookupSong& song : songs) {
        toMatch.push_back(song.match);
    }
    std::vector<TrackMatch> matches = MatchSongsToRelease(toMatch, release);
    std::vector<SongLookupChanges> plan(songs.size());
    for (size_t i = 0; i < songs.size(); ++i) {
        plan[i].match = matches[i];
        if (matches[i].medium < 0) {
            continue;
        }
        for (auto& [field, value] : FieldsFromTrack(release, matches[i].medium, matches[i].track)) {
            if (songs[i].fields.Text(field) != value) {
                plan[i].changes.emplace_back(field, std::move(value));
            }
        }
    }
    return plan;
}

std::vector<std::string> WriteLookupResult(const std::string& path, const LookupWrite& write,
                                           EditOperation& operation) {
    std::vector<std::string> failures;
    // The cover is part of the edit, and of its undo.
    if (write.cover != nullptr) {
        std::vector<Picture> pictures;
        std::string why;
        if (PicturesWithCover(path, *write.cover, pictures, why)) {
            SongEditResult result = EditSongPictures(path, pictures);
            if (result.ok) {
                operation.Add(path, std::move(result), true);
            } else {
                why = result.error;
            }
        }
        if (!why.empty()) {
            failures.push_back("cannot write the cover: " + why);
        }
    }
    if (!write.changes.empty()) {
        SongEditResult result = EditSong(path, write.changes);
        if (!result.ok) {
            failures.push_back(result.error);
            return failures;
        }
        operation.Add(path, std::move(result));
    }
    // The identifiers, so that players and later lookups find the same
    // release and recording again.
    if (write.release != nullptr && write.medium >= 0 && write.track >= 0) {
        SongEditResult ids =
            WriteMusicBrainzIds(path, *write.release, static_cast<size_t>(write.medium),
                                static_cast<size_t>(write.track));
        if (ids.ok) {
            operation.Add(path, std::move(ids), true);
        } else {
            failures.push_back("cannot write the MusicBrainz identifiers: " + ids.error);
        }
    }
    return failures;
}

}  // namespace songcore
