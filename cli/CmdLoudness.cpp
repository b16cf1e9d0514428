// tunemoss loudness: measures the loudness of songs and albums (EBU R 128),
// and the ReplayGain 2.0 gains and peaks that follow from it.
#include <unistd.h>

#include <algorithm>
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
#include "songcore/edit/EditHistory.h"
#include "songcore/loudness/LoudnessAnalysis.h"
#include "songcore/loudness/LoudnessTags.h"
#include "songcore/loudness/ReplayGainText.h"
#include "songcore/util/WriteBatch.h"

namespace tunemoss {
namespace {

const char kHelp[] =
    "Usage: tunemoss loudness [--album | --album-by-tags] [--dry-run] [--json]\n"
    "                         [--jobs N] [--sample-peak] [--reference LUFS] PATH...\n"
    "       tunemoss loudness --remove PATH...\n"
    "Measures the loudness of songs (EBU R 128: gated integrated loudness and\n"
    "loudness range) and their true peaks, prints the ReplayGain 2.0 gain and\n"
    "peak of each song, and of each album with --album or --album-by-tags, and\n"
    "stores them in the songs' tags (REPLAYGAIN_TRACK_GAIN and _PEAK, and the\n"
    "ALBUM ones; an Opus file gets R128_TRACK_GAIN and R128_ALBUM_GAIN, relative\n"
    "to -23 LUFS, instead). 'tunemoss undo' takes the tags of the whole run back.\n"
    "Folders are searched for songs. Songs are decoded in parallel, one per\n"
    "core unless --jobs says otherwise.\n\n"
    "Options:\n"
    "  --album            all the songs given form one album\n"
    "  --album-by-tags    songs with the same album and album artist form an album\n"
    "  --dry-run          measure and print, but change no tag\n"
    "  --remove           remove the loudness tags instead of measuring\n"
    "  --no-history       do not keep the old bytes for undo\n"
    "  --json             one JSON object per song and album instead of the table\n"
    "  --jobs N           songs decoded at once (default: one per core)\n"
    "  --sample-peak      the highest sample instead of the true (oversampled) peak\n"
    "  --reference LUFS   the level the gains bring songs to (default -18, as\n"
    "                     ReplayGain 2.0 asks; -23 is EBU R 128's own)\n";

const std::vector<OptionSpec> kOptions = {
    {"album"},       {"album-by-tags"},
    {"json"},        {"jobs", ValueKind::Text},
    {"sample-peak"}, {"reference", ValueKind::Text},
    {"dry-run"},     {"remove"},
    {"no-history"},
};

// Stores (or removes) the loudness tags of every song the report measured
// without fault, as one edit of the history; false when a song failed.
bool WriteTags(const songcore::LoudnessReport& report, double reference, bool removing,
               bool history) {
    bool ok = true;
    songcore::EditOperation operation{"loudness", std::time(nullptr), {}};
    songcore::WriteBatch batch;
    for (const songcore::SongLoudness& song : report.songs) {
        if (!song.error.empty()) {
            continue;
        }
        songcore::LoudnessTagValues values;
        values.reference = reference;
        if (!removing) {
            values.track = &song.loudness;
            if (song.album >= 0 && report.albums[song.album].error.empty()) {
                values.album = &report.albums[song.album].loudness;
            }
        }
        songcore::SongEditResult result = songcore::WriteLoudnessTags(song.path, values);
        if (!result.ok) {
            ReportFileError(song.path, "cannot write the loudness tags: " + result.error);
            ok = false;
            continue;
        }
        operation.Add(song.path, std::move(result), true);
    }
    return FinishEditRun(batch, std::move(operation), history) && ok;
}

std::string Fixed(double value, int decimals) {
    if (!std::isfinite(value)) {
        return "-inf";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

void AddValues(JsonObject& json, const std::string& prefix, const songcore::Loudness& loudness,
               double reference) {
    json.add(prefix + "loudness_lufs", loudness.integrated);
    json.add(prefix + "range_lu", loudness.range);
    if (std::isfinite(loudness.integrated)) {
        json.add(prefix + "gain", songcore::ReplayGainText(
                                      songcore::GainToReference(loudness.integrated, reference)));
        json.add(prefix + "r128_gain",
                 static_cast<int64_t>(songcore::R128Gain(loudness.integrated)));
    }
    json.add(prefix + "peak", songcore::ReplayGainPeakText(loudness.peak));
}

std::string TableLine(const songcore::Loudness& loudness, double reference,
                      const std::string& name) {
    std::ostringstream line;
    auto column = [&line](const std::string& text, size_t width) {
        line << std::string(width > text.size() ? width - text.size() : 0, ' ') << text << "  ";
    };
    column(Fixed(loudness.integrated, 2), 8);
    column(std::isfinite(loudness.integrated)
               ? Fixed(songcore::GainToReference(loudness.integrated, reference), 2)
               : "-",
           7);
    column(songcore::ReplayGainPeakText(loudness.peak), 8);
    column(Fixed(loudness.range, 2), 6);
    line << name << "\n";
    return line.str();
}

int RunLoudness(const std::vector<std::string>& args) {
    Options options(kOptions);
    if (!options.parse(args)) {
        return UsageError("loudness", options.error());
    }
    if (options.positional().empty()) {
        return UsageError("loudness", "no song or folder given");
    }
    if (options.has("remove")) {
        for (const char* other :
             {"album", "album-by-tags", "dry-run", "json", "jobs", "sample-peak", "reference"}) {
            if (options.has(other)) {
                return UsageError("loudness", std::string("--remove measures nothing: --") + other +
                                                  " does not go with it");
            }
        }
        int status = kExitOk;
        songcore::LoudnessReport report;
        for (std::string& path : CollectSongPaths(options.positional(), status)) {
            report.songs.push_back({std::move(path), {}, {}, -1});
        }
        if (!WriteTags(report, 0, true, !options.has("no-history"))) {
            status = kExitFailure;
        }
        return status;
    }
    if (options.has("album") && options.has("album-by-tags")) {
        return UsageError("loudness", "--album and --album-by-tags exclude each other");
    }
    songcore::LoudnessOptions settings;
    settings.peak =
        options.has("sample-peak") ? songcore::PeakKind::kSample : songcore::PeakKind::kTrue;
    if (std::optional<std::string> jobs = options.value("jobs")) {
        std::optional<unsigned long> count = ParseUnsigned(*jobs);
        if (!count || *count == 0 || *count > 256) {
            return UsageError("loudness", "--jobs takes a number from 1 to 256");
        }
        settings.jobs = static_cast<unsigned>(*count);
    }
    if (std::optional<std::string> reference = options.value("reference")) {
        char* end = nullptr;
        double level = std::strtod(reference->c_str(), &end);
        if (reference->empty() || *end != '\0' || !(level >= -70 && level <= 0)) {
            return UsageError("loudness", "--reference takes a level from -70 to 0 LUFS");
        }
        settings.reference = level;
    }

    int status = kExitOk;
    std::vector<std::string> paths = CollectSongPaths(options.positional(), status);
    std::vector<std::string> albums;
    if (options.has("album")) {
        albums.assign(paths.size(), "all");
    } else if (options.has("album-by-tags")) {
        for (const std::string& path : paths) {
            albums.push_back(songcore::AlbumKeyFromTags(path));
        }
    }

    const bool showProgress = ::isatty(2) == 1;
    auto progress = [showProgress](size_t done, size_t total) {
        if (showProgress) {
            std::fprintf(stderr, "\r\x1b[Kmeasuring: %zu of %zu songs", done, total);
        }
    };
    songcore::LoudnessReport report = songcore::AnalyseLoudness(paths, albums, settings, progress);
    if (showProgress && !paths.empty()) {
        std::fputs("\r\x1b[K", stderr);
    }

    const bool json = options.has("json");
    std::ostringstream out;
    if (!json && !report.songs.empty()) {
        out << "    LUFS     gain      peak      LRA  song\n";
    }
    for (const songcore::SongLoudness& song : report.songs) {
        if (!song.error.empty()) {
            ReportFileError(song.path, "cannot measure its loudness: " + song.error);
            status = kExitFailure;
            continue;
        }
        if (json) {
            JsonObject line;
            line.add("path", song.path);
            AddValues(line, "track_", song.loudness, settings.reference);
            if (song.album >= 0 && report.albums[song.album].error.empty()) {
                AddValues(line, "album_", report.albums[song.album].loudness, settings.reference);
            }
            out << line.str() << "\n";
        } else {
            out << TableLine(song.loudness, settings.reference, song.path);
        }
    }
    for (const songcore::AlbumLoudness& album : report.albums) {
        std::string name = album.key == "all" && options.has("album")
                               ? std::string("(album of all songs)")
                               : "(album " + album.key.substr(album.key.find('\x1f') + 1) + ")";
        if (!album.error.empty()) {
            ReportError(name + ": " + album.error);
            continue;
        }
        if (json) {
            JsonObject line;
            line.add("album", album.key.substr(album.key.find('\x1f') + 1));
            line.add("songs", static_cast<int64_t>(album.songs.size()));
            AddValues(line, "album_", album.loudness, settings.reference);
            out << line.str() << "\n";
        } else {
            out << TableLine(album.loudness, settings.reference, name);
        }
    }
    std::cout << out.str();
    if (!options.has("dry-run") &&
        !WriteTags(report, settings.reference, false, !options.has("no-history"))) {
        status = kExitFailure;
    }
    return status;
}

const CommandRegistrar kRegistrar({
    "loudness",
    "measure the loudness and ReplayGain of songs and albums",
    kHelp,
    RunLoudness,
    kOptions,
    ValueKind::Song,
    {},
    "tunemoss loudness song.flac\n"
    "# every song below the folder, and the folder's songs as one album\n"
    "tunemoss loudness --album ~/Music/Artist/Album\n"
    "# measure only\n"
    "tunemoss loudness --dry-run --json *.opus\n",
});

}  // namespace
}  // namespace tunemoss
