// tunemoss lookup: finds the songs' album on MusicBrainz and writes its
// titles, artists, numbers and date into them.
#include <cmath>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <sstream>

#include "cli/Command.h"
#include "cli/EditRun.h"
#include "cli/Json.h"
#include "cli/Options.h"
#include "cli/SongPaths.h"
#include "cli/TerminalText.h"
#include "songcore/edit/EditHistory.h"
#include "songcore/online/AlbumLookup.h"
#include "songcore/online/CoverArtArchive.h"
#include "songcore/online/MusicBrainz.h"
#include "songcore/settings/AppRegKey.h"
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
    std::vector<songcore::LookupSong> songs;
    for (const std::string& path : CollectSongPaths(options.positional(), status)) {
        songcore::LookupSong song;
        if (!songcore::ReadLookupSong(path, song)) {
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
        const songcore::AlbumQuery query = songcore::QueryForSongs(songs);
        if (!service.SearchReleases(query.album, query.artist, query.trackCount, found, why)) {
            ReportError(why);
            return kExitFailure;
        }
        const int best = songcore::ChooseRelease(found, songs.size());
        if (best < 0) {
            ReportError("MusicBrainz knows no release of that album");
            return kExitFailure;
        }
        releaseId = found[static_cast<size_t>(best)].id;
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

    std::vector<songcore::SongLookupChanges> plan = songcore::PlanLookupChanges(songs, release);
    songcore::EditOperation operation{"lookup", std::time(nullptr), {}};
    songcore::WriteBatch batch;
    for (size_t i = 0; i < songs.size(); ++i) {
        const songcore::LookupSong& song = songs[i];
        const songcore::TrackMatch& match = plan[i].match;
        const songcore::FieldValues& changes = plan[i].changes;
        if (match.medium < 0) {
            ReportFileError(song.path, "no track of the release fits it; left alone");
            status = kExitFailure;
            continue;
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
        const songcore::LookupWrite write{changes, cover ? &*cover : nullptr, &release,
                                          match.medium, match.track};
        for (const std::string& failure :
             songcore::WriteLookupResult(song.path, write, operation)) {
            ReportFileError(song.path, failure);
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
