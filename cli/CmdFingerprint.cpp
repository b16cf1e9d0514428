// tunemoss fingerprint: the acoustic fingerprints of songs, as AcoustID
// takes them, and the recordings AcoustID knows them as.
#include <cstdio>
#include <iostream>
#include <sstream>

#include "cli/Command.h"
#include "cli/Json.h"
#include "cli/Options.h"
#include "cli/SongPaths.h"
#include "cli/TerminalText.h"
#include "songcore/online/AcoustId.h"
#include "songcore/settings/AppRegKey.h"

namespace tunemoss {
namespace {

const std::vector<OptionSpec> kOptions = {
    {"lookup"},
    {"key", ValueKind::Text},
    {"json"},
};

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
    const std::string key = options.value("key").value_or(CAppRegKey().GetAcoustIdKey());
    if (options.has("lookup") && key.empty()) {
        return UsageError("fingerprint",
                          "--lookup needs an AcoustID application key: --key KEY, or AcoustID "
                          "Key under [Online] in the settings");
    }
    int status = kExitOk;
    for (const std::string& path : CollectSongPaths(options.positional(), status)) {
        songcore::Fingerprint fingerprint;
        if (std::string why = songcore::MakeFingerprint(path, fingerprint); !why.empty()) {
            ReportFileError(path, "cannot make its fingerprint: " + why);
            status = kExitFailure;
            continue;
        }
        std::vector<songcore::AcoustIdMatch> matches;
        if (options.has("lookup")) {
            if (std::string why = songcore::LookUpFingerprint(fingerprint, key, matches);
                !why.empty()) {
                ReportFileError(path, "cannot look it up on AcoustID: " + why);
                status = kExitFailure;
            }
        }
        std::ostringstream out;
        if (options.has("json")) {
            JsonObject line;
            line.add("path", path)
                .add("duration", static_cast<int64_t>(fingerprint.seconds))
                .add("fingerprint", fingerprint.compressed);
            if (options.has("lookup")) {
                line.addRaw("matches", MatchesJson(matches));
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
        }
        std::cout << out.str();
    }
    return status;
}

const CommandRegistrar kRegistrar({
    "fingerprint",
    "make songs' acoustic fingerprints and look them up on AcoustID",
    "Usage: tunemoss fingerprint [--lookup [--key KEY]] [--json] PATH...\n"
    "Makes each song's acoustic fingerprint (Chromaprint, over the first two\n"
    "minutes, as AcoustID's fpcalc makes it) and prints it with the song's\n"
    "length. Folders are searched for songs. With --lookup, asks AcoustID which\n"
    "recordings the fingerprint belongs to and prints the best matches with\n"
    "their MusicBrainz recording ids, titles and artists: the way to name songs\n"
    "whose tags say nothing.\n\n"
    "Options:\n"
    "  --lookup     look the fingerprints up on AcoustID (AcoustID Server under\n"
    "               [Online] in the settings, https://api.acoustid.org unless set)\n"
    "  --key KEY    the AcoustID application key (default: AcoustID Key under\n"
    "               [Online] in the settings); AcoustID gives one to each program\n"
    "  --json       one JSON object per song instead of the text\n",
    RunFingerprint,
    kOptions,
    ValueKind::Song,
    {},
    "tunemoss fingerprint song.flac\n"
    "tunemoss fingerprint --lookup --key YOUR_KEY unknown.mp3\n",
});

}  // namespace
}  // namespace tunemoss
