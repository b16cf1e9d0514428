// tunemoss fingerprint: the acoustic fingerprints of songs, as AcoustID
// takes them, and the recordings AcoustID knows them as.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <optional>
#include <sstream>

#include "cli/Command.h"
#include "cli/EditRun.h"
#include "cli/Json.h"
#include "cli/Options.h"
#include "cli/SongPaths.h"
#include "cli/TerminalText.h"
#include "songcore/edit/SongEdit.h"
#include "songcore/online/AcoustId.h"
#include "songcore/online/AlbumLookup.h"
#include "songcore/online/MusicBrainzIds.h"
#include "songcore/settings/AppRegKey.h"
#include "songcore/util/WriteBatch.h"

namespace tunemoss {
namespace {

const std::vector<OptionSpec> kOptions = {
    {"lookup"}, {"key", ValueKind::Text},       {"json"},
    {"write"},  {"min-score", ValueKind::Text}, {"dry-run"},
};

// A match written without --min-score is at least this sure.
constexpr double kDefaultMinScore = 0.8;

// The matches shown: the best few, each with its first recordings.
constexpr size_t kMatchesShown = 3;

std::string MatchesJson(const std::vector<songcore::AcoustIdMatch>& matches) {
    std::string list;
    for (size_t i = 0; i < matches.size() && i < kMatchesShown; ++i) {
        for (const songcore::AcoustIdRecording& recording : matches[i].recordings) {
            JsonObject object;
            object.add("score", matches[i].score)
                .add("acoustid", matches[i].id)
                .add("recording", recording.id)
                .add("title", recording.title)
                .add("artist", recording.artist);
            list += (list.empty() ? "" : ",") + object.str();
        }
    }
    return "[" + list + "]";
}

// "0.8", a fraction from 0 to 1.
std::optional<double> ParseScore(const std::string& text) {
    char* end = nullptr;
    const double score = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || !(score >= 0 && score <= 1)) {
        return std::nullopt;
    }
    return score;
}

// What the best match would write into the song: its title, artist and
// album where they differ; empty when it is not sure enough (why says so).
// recording is the match's recording.
songcore::FieldValues ChangesFromMatch(const std::vector<songcore::AcoustIdMatch>& matches,
                                       double minScore, const songcore::SongValues& now,
                                       const songcore::AcoustIdRecording*& recording,
                                       std::string& why) {
    recording = nullptr;
    auto best = std::find_if(matches.begin(), matches.end(),
                             [](const auto& match) { return !match.recordings.empty(); });
    if (best == matches.end()) {
        why = "no recording matches it";
        return {};
    }
    if (best->score < minScore) {
        why = "the best match is " + std::to_string(static_cast<int>(best->score * 100 + 0.5)) +
              "% sure, less than asked";
        return {};
    }
    recording = &best->recordings.front();
    songcore::FieldValues changes;
    for (auto [field, value] : {std::pair{songcore::SongField::Title, &recording->title},
                                std::pair{songcore::SongField::Artist, &recording->artist},
                                std::pair{songcore::SongField::Album, &recording->album}}) {
        if (!value->empty() && now.Text(field) != *value) {
            changes.emplace_back(field, *value);
        }
    }
    return changes;
}

// The fields and the recording's identifier, as part of the run's edit.
void WriteMatch(const std::string& path, const songcore::FieldValues& changes,
                const std::string& recordingId, songcore::EditOperation& operation, int& status) {
    if (!changes.empty()) {
        songcore::SongEditResult result = songcore::EditSong(path, changes);
        if (!result.ok) {
            ReportFileError(path, result.error);
            status = kExitFailure;
            return;
        }
        operation.Add(path, std::move(result));
    }
    songcore::SongEditResult id = songcore::WriteMusicBrainzRecordingId(path, recordingId);
    if (id.ok) {
        operation.Add(path, std::move(id), true);
    } else {
        ReportFileError(path, "cannot write the MusicBrainz identifier: " + id.error);
        status = kExitFailure;
    }
}

int RunFingerprint(const std::vector<std::string>& args) {
    Options options(kOptions);
    if (!options.parse(args)) {
        return UsageError("fingerprint", options.error());
    }
    if (options.positional().empty()) {
        return UsageError("fingerprint", "no song or folder given");
    }
    if (options.has("key") && !options.has("lookup")) {
        return UsageError("fingerprint", "--key goes with --lookup");
    }
    const bool write = options.has("write");
    if (write && !options.has("lookup")) {
        return UsageError("fingerprint", "--write goes with --lookup");
    }
    if ((options.has("min-score") || options.has("dry-run")) && !write) {
        return UsageError("fingerprint", "--min-score and --dry-run go with --write");
    }
    double minScore = kDefaultMinScore;
    if (std::optional<std::string> text = options.value("min-score")) {
        std::optional<double> score = ParseScore(*text);
        if (!score) {
            return UsageError("fingerprint", "--min-score takes a number from 0 to 1: " + *text);
        }
        minScore = *score;
    }
    const bool dryRun = options.has("dry-run");
    const std::string key = options.value("key").value_or(CAppRegKey().GetAcoustIdKey());
    if (options.has("lookup") && key.empty()) {
        return UsageError("fingerprint",
                          "--lookup needs an AcoustID application key: --key KEY, or AcoustID "
                          "Key under [Online] in the settings");
    }
    int status = kExitOk;
    songcore::EditOperation operation{"fingerprint", std::time(nullptr), {}};
    songcore::WriteBatch batch;
    for (const std::string& path : CollectSongPaths(options.positional(), status)) {
        songcore::Fingerprint fingerprint;
        if (std::string why = songcore::MakeFingerprint(path, fingerprint); !why.empty()) {
            ReportFileError(path, "cannot make its fingerprint: " + why);
            status = kExitFailure;
            continue;
        }
        std::vector<songcore::AcoustIdMatch> matches;
        bool lookedUp = false;
        if (options.has("lookup")) {
            if (std::string why = songcore::LookUpFingerprint(fingerprint, key, matches);
                !why.empty()) {
                ReportFileError(path, "cannot look it up on AcoustID: " + why);
                status = kExitFailure;
            } else {
                lookedUp = true;
            }
        }
        songcore::LookupSong song;
        songcore::FieldValues changes;
        const songcore::AcoustIdRecording* recording = nullptr;
        std::string leftAlone;
        if (write && lookedUp) {
            if (!songcore::ReadLookupSong(path, song)) {
                ReportFileError(path, "cannot read its tags; left alone");
                status = kExitFailure;
                lookedUp = false;
            } else {
                changes = ChangesFromMatch(matches, minScore, song.fields, recording, leftAlone);
            }
        }
        const bool writing = write && lookedUp;
        std::ostringstream out;
        if (options.has("json")) {
            JsonObject line;
            line.add("path", path)
                .add("duration", static_cast<int64_t>(fingerprint.seconds))
                .add("fingerprint", fingerprint.compressed);
            if (options.has("lookup")) {
                line.addRaw("matches", MatchesJson(matches));
            }
            if (writing) {
                JsonObject fields;
                for (const auto& [field, value] : changes) {
                    fields.add(songcore::InfoOf(field).key, value);
                }
                line.addRaw("changes", fields.str());
                line.add("recording", recording != nullptr ? recording->id : std::string());
            }
            out << line.str() << "\n";
        } else {
            out << EscapeForTerminal(path) << "\n  length: " << fingerprint.seconds
                << " s\n  fingerprint: " << fingerprint.compressed << "\n";
            if (options.has("lookup") && matches.empty()) {
                out << "  no match\n";
            }
            for (size_t i = 0; i < matches.size() && i < kMatchesShown; ++i) {
                for (const songcore::AcoustIdRecording& recording : matches[i].recordings) {
                    out << "  match " << static_cast<int>(matches[i].score * 100 + 0.5)
                        << "%: " << recording.id << "  " << EscapeForTerminal(recording.title)
                        << " - " << EscapeForTerminal(recording.artist) << "\n";
                }
            }
            if (writing && recording == nullptr) {
                out << "  left alone: " << leftAlone << "\n";
            } else if (writing) {
                out << (dryRun ? "  would write" : "  writes") << " recording " << recording->id
                    << (changes.empty() ? " and no field" : ", and:") << "\n";
                for (const auto& [field, value] : changes) {
                    out << "    " << songcore::InfoOf(field).key << ": "
                        << EscapeForTerminal(song.fields.Text(field)) << " -> "
                        << EscapeForTerminal(value) << "\n";
                }
            }
        }
        std::cout << out.str();
        if (writing && recording != nullptr && !dryRun) {
            WriteMatch(path, changes, recording->id, operation, status);
        }
    }
    if (write && !FinishEditRun(batch, std::move(operation), !dryRun)) {
        status = kExitFailure;
    }
    return status;
}

const CommandRegistrar kRegistrar({
    "fingerprint",
    "make songs' acoustic fingerprints and look them up on AcoustID",
    "Usage: tunemoss fingerprint [--lookup [--key KEY] [--write [--min-score S]\n"
    "                            [--dry-run]]] [--json] PATH...\n"
    "Makes each song's acoustic fingerprint (Chromaprint, over the first two\n"
    "minutes, as AcoustID's fpcalc makes it) and prints it with the song's\n"
    "length. Folders are searched for songs. With --lookup, asks AcoustID which\n"
    "recordings the fingerprint belongs to and prints the best matches with\n"
    "their MusicBrainz recording ids, titles and artists: the way to name songs\n"
    "whose tags say nothing. With --write, the best match's title, artist and\n"
    "album and its MusicBrainz recording id are written into the song when the\n"
    "match is sure enough; the songs written are one edit, which tunemoss undo\n"
    "takes back.\n\n"
    "Options:\n"
    "  --lookup     look the fingerprints up on AcoustID (AcoustID Server under\n"
    "               [Online] in the settings, https://api.acoustid.org unless set)\n"
    "  --key KEY    the AcoustID application key (default: AcoustID Key under\n"
    "               [Online] in the settings); AcoustID gives one to each program\n"
    "  --json       one JSON object per song instead of the text\n"
    "  --write      write the best match into the song\n"
    "  --min-score S\n"
    "               how sure the match must be to be written, 0 to 1 (default\n"
    "               0.8)\n"
    "  --dry-run    show what --write would write, write nothing\n",
    RunFingerprint,
    kOptions,
    ValueKind::Song,
    {},
    "tunemoss fingerprint song.flac\n"
    "tunemoss fingerprint --lookup --key YOUR_KEY unknown.mp3\n"
    "tunemoss fingerprint --lookup --write --dry-run unknown.mp3\n",
});

}  // namespace
}  // namespace tunemoss
