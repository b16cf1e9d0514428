// tunemoss lookup: finds the songs' album on MusicBrainz and writes its
// titles, artists, numbers and date into them.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <map>
#include <sstream>

#include "cli/Command.h"
#include "cli/EditRun.h"
#include "cli/Json.h"
#include "cli/Options.h"
#include "cli/SongPaths.h"
#include "cli/TerminalText.h"
#include "songcore/edit/EditHistory.h"
#include "songcore/edit/SongEdit.h"
#include "songcore/online/CoverArtArchive.h"
#include "songcore/online/MusicBrainz.h"
#include "songcore/online/MusicBrainzIds.h"
#include "songcore/online/ReleaseMatch.h"
#include "songcore/settings/AppRegKey.h"
#include "songcore/tags/SongFileInfo.h"
#include "songcore/tags/SongPictures.h"
#include "songcore/tags/StreamProperties.h"
#include "songcore/util/WriteBatch.h"

namespace tunemoss {
namespace {

const char kHelp[] =
    "Usage: tunemoss lookup [--release MBID] [--dry-run] [--json] PATH...\n"
    "Finds the album of the songs given (folders are searched) on MusicBrainz,\n"
    "matches each song to one of its tracks by disc and track number, title\n"
    "and length, and writes the title, artist, album, album artist, date,\n"
    "track and disc numbers it has for that track, and the MusicBrainz\n"
    "identifiers of the release, its artists and the recording (see tunemoss\n"
    "items). Without --release the\n"
    "album is searched by the songs' album, artist and number of songs. The\n"
    "songs are written as one edit, which tunemoss undo takes back.\n\n"
    "Options:\n"
    "  --release MBID   the MusicBrainz release to take, instead of searching\n"
    "  --dry-run        show the changes, write nothing\n"
    "  --json           one JSON object per song instead of the text\n"
    "  --cover SIZE     the release's front cover from the Cover Art Archive,\n"
    "                   written as each song's front cover: 500 or 1200 pixels,\n"
    "                   original, or none (default: Cover Size under [Online]\n"
    "                   in the settings, else 500)\n"
    "The servers are MusicBrainz Server and Cover Art Server under [Online] in\n"
    "the settings (https://musicbrainz.org and https://coverartarchive.org by\n"
    "default).\n";

const std::vector<OptionSpec> kOptions = {
    {"release", ValueKind::Text},
    {"dry-run"},
    {"json"},
    {"cover", ValueKind::Choice, {"500", "1200", "original", "none"}},
};

// The song's pictures with cover first, in place of its front cover.
bool PicturesWithCover(const std::string& path, const songcore::Picture& cover,
                       std::vector<songcore::Picture>& pictures, std::string& why) {
    if (!songcore::ReadSongPictures(path, pictures, why)) {
        return false;
    }
    std::erase_if(pictures, [](const songcore::Picture& picture) {
        return picture.type == songcore::kPictureFrontCover;
    });
    pictures.insert(pictures.begin(), cover);
    return true;
}

// A song as the matching sees it, with its fields now.
struct Song {
    std::string path;
    songcore::SongToMatch match;
    songcore::SongValues fields;
    std::string album, artist;
};

bool ReadSong(const std::string& path, Song& song) {
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
    songcore::StreamProperties stream = songcore::ReadStreamProperties(info);
    if (const songcore::StreamProperty* length = stream.find("length_seconds")) {
        song.match.lengthSeconds = std::get<double>(length->value);
    }
    return true;
}

// The value most songs have (ties: the first), "" when none has one.
std::string MostCommon(const std::vector<Song>& songs, std::string Song::*member) {
    std::map<std::string, int> counts;
    std::string best;
    int bestCount = 0;
    for (const Song& song : songs) {
        const std::string& value = song.*member;
        if (!value.empty() && ++counts[value] > bestCount) {
            best = value;
            bestCount = counts[value];
        }
    }
    return best;
}

std::string ReleaseLine(const songcore::MbRelease& release) {
    std::string line = release.title + " / " + release.artist;
    if (!release.date.empty() || !release.country.empty()) {
        line += " (" + release.date +
                (release.date.empty() || release.country.empty() ? "" : ", ") + release.country +
                ")";
    }
    return line + ", " + std::to_string(release.trackCount) + " tracks, " + release.id;
}

int RunLookup(const std::vector<std::string>& args) {
    Options options(kOptions);
    if (!options.parse(args)) {
        return UsageError("lookup", options.error());
    }
    if (options.positional().empty()) {
        return UsageError("lookup", "no song or folder given");
    }
    std::optional<std::string> releaseId = options.value("release");
    if (releaseId && !songcore::IsMbid(*releaseId)) {
        return UsageError("lookup", "not a MusicBrainz release id: " + *releaseId);
    }
    const bool dryRun = options.has("dry-run");
    const bool json = options.has("json");
    const std::string coverSize = options.value("cover").value_or(CAppRegKey().GetCoverSize());
    if (coverSize != "none" && !songcore::ParseCoverSize(coverSize)) {
        return UsageError("lookup", "--cover takes 500, 1200, original or none");
    }
    int status = kExitOk;
    std::vector<Song> songs;
    for (const std::string& path : CollectSongPaths(options.positional(), status)) {
        Song song;
        if (!ReadSong(path, song)) {
            ReportFileError(path, "cannot read its tags; left out");
            status = kExitFailure;
            continue;
        }
        songs.push_back(std::move(song));
    }
    if (songs.empty()) {
        return status == kExitOk ? UsageError("lookup", "no song found") : status;
    }

    songcore::MusicBrainz service(songcore::MusicBrainz::ConfiguredServer());
    std::string why;
    if (!releaseId) {
        std::vector<songcore::MbRelease> found;
        if (!service.SearchReleases(MostCommon(songs, &Song::album),
                                    MostCommon(songs, &Song::artist),
                                    static_cast<int>(songs.size()), found, why)) {
            ReportError(why);
            return kExitFailure;
        }
        // The surest answer; of equally sure ones, one with as many tracks
        // as there are songs.
        auto best = std::max_element(found.begin(), found.end(), [&](const auto& a, const auto& b) {
            auto rank = [&](const songcore::MbRelease& r) {
                return std::make_pair(r.score, r.trackCount == static_cast<int>(songs.size()));
            };
            return rank(a) < rank(b);
        });
        if (best == found.end()) {
            ReportError("MusicBrainz knows no release of that album");
            return kExitFailure;
        }
        releaseId = best->id;
    }
    songcore::MbRelease release;
    if (!service.LookupRelease(*releaseId, release, why)) {
        ReportError(why);
        return kExitFailure;
    }
    if (!json) {
        std::cout << "Release: " << EscapeForTerminal(ReleaseLine(release)) << "\n";
    }

    // The cover is fetched once for all the songs; a release without one
    // is no failure.
    std::optional<songcore::Picture> cover;
    if (coverSize != "none") {
        songcore::Picture picture;
        if (songcore::FetchFrontCover(CAppRegKey().GetCoverArtServer(), release.id,
                                      *songcore::ParseCoverSize(coverSize), picture, why)) {
            cover = std::move(picture);
        } else if (!json) {
            std::cout << "Cover: " << EscapeForTerminal(why) << "\n";
        }
    }
    if (cover && !json) {
        std::cout << "Cover: " << cover->mime << ", " << cover->data.size() / 1024
                  << " KB, written as each song's front cover\n";
    }

    std::vector<songcore::SongToMatch> toMatch;
    for (const Song& song : songs) {
        toMatch.push_back(song.match);
    }
    std::vector<songcore::TrackMatch> matches = songcore::MatchSongsToRelease(toMatch, release);
    songcore::EditOperation operation{"lookup", std::time(nullptr), {}};
    songcore::WriteBatch batch;
    for (size_t i = 0; i < songs.size(); ++i) {
        const Song& song = songs[i];
        const songcore::TrackMatch& match = matches[i];
        if (match.medium < 0) {
            ReportFileError(song.path, "no track of the release fits it; left alone");
            status = kExitFailure;
            continue;
        }
        songcore::FieldValues changes;
        for (auto& [field, value] : songcore::FieldsFromTrack(release, match.medium, match.track)) {
            if (song.fields.Text(field) != value) {
                changes.emplace_back(field, value);
            }
        }
        const int confidence = static_cast<int>(std::lround(match.confidence * 100));
        if (json) {
            JsonObject line;
            line.add("path", song.path);
            line.add("release", release.id);
            line.add("disc", static_cast<int64_t>(release.media[match.medium].position));
            line.add("track", static_cast<int64_t>(
                                  release.media[match.medium].tracks[match.track].position));
            line.add("confidence", static_cast<int64_t>(confidence));
            JsonObject fields;
            for (const auto& [field, value] : changes) {
                fields.add(songcore::InfoOf(field).key, value);
            }
            line.addRaw("changes", fields.str());
            line.add("cover", cover ? cover->mime : std::string());
            std::cout << line.str() << "\n";
        } else {
            std::cout << EscapeForTerminal(song.path) << " (" << confidence << "% sure)"
                      << (changes.empty() ? ": nothing to change" : ":") << "\n";
            for (const auto& [field, value] : changes) {
                std::cout << "  " << songcore::InfoOf(field).key << ": "
                          << EscapeForTerminal(song.fields.Text(field)) << " -> "
                          << EscapeForTerminal(value) << "\n";
            }
        }
        if (dryRun) {
            continue;
        }
        // The cover is part of the edit, and of its undo.
        std::vector<songcore::Picture> pictures;
        std::string coverFailure;
        if (cover && PicturesWithCover(song.path, *cover, pictures, coverFailure)) {
            songcore::SongEditResult result = songcore::EditSongPictures(song.path, pictures);
            if (result.ok) {
                operation.Add(song.path, std::move(result), true);
            } else {
                coverFailure = result.error;
            }
        }
        if (!coverFailure.empty()) {
            ReportFileError(song.path, "cannot write the cover: " + coverFailure);
            status = kExitFailure;
        }
        if (!changes.empty()) {
            songcore::SongEditResult result = songcore::EditSong(song.path, changes);
            if (!result.ok) {
                ReportFileError(song.path, result.error);
                status = kExitFailure;
                continue;
            }
            operation.Add(song.path, std::move(result));
        }
        // The identifiers, so that players and later lookups find the same
        // release and recording again.
        songcore::SongEditResult ids =
            songcore::WriteMusicBrainzIds(song.path, release, static_cast<size_t>(match.medium),
                                          static_cast<size_t>(match.track));
        if (ids.ok) {
            operation.Add(song.path, std::move(ids), true);
        } else {
            ReportFileError(song.path, "cannot write the MusicBrainz identifiers: " + ids.error);
            status = kExitFailure;
        }
    }
    if (!FinishEditRun(batch, std::move(operation), !dryRun)) {
        status = kExitFailure;
    }
    return status;
}

const CommandRegistrar kRegistrar({
    "lookup",
    "find the songs' album on MusicBrainz and write its data into them",
    kHelp,
    RunLookup,
    kOptions,
    ValueKind::Song,
    {},
    "tunemoss lookup --dry-run ~/Music/Artist/Album\n"
    "tunemoss lookup --release 0a2f3b9e-2c7d-4c1e-9a70-0d5f1c3b8e11 *.flac\n",
});

}  // namespace
}  // namespace tunemoss
