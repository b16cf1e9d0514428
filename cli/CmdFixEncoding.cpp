// tunemoss fix-encoding: finds tag text decoded with the wrong encoding
// (a Cyrillic ID3v1 tag shown as "Çâåçäà", UTF-8 shown as "Ã©") and writes
// it again as Unicode.
#include <atomic>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>

#include "cli/Command.h"
#include "cli/Json.h"
#include "cli/Options.h"
#include "cli/TerminalText.h"
#include "songcore/edit/EncodingRepair.h"
#include "songcore/songfile/SongType.h"
#include "songcore/util/Codepage.h"

namespace tunemoss {
namespace {

namespace fs = std::filesystem;

// The candidates shown besides the one chosen.
constexpr size_t kCandidatesShown = 5;

// The song files named and those below the folders named.
std::vector<std::string> SongPaths(const std::vector<std::string>& paths, int& status) {
    std::vector<std::string> songs;
    for (const std::string& path : paths) {
        std::error_code error;
        if (!fs::is_directory(path, error)) {
            songs.push_back(path);
            continue;
        }
        fs::recursive_directory_iterator walk(path, error), end;
        for (; !error && walk != end; walk.increment(error)) {
            if (walk->is_regular_file(error) &&
                (::GetSongType(walk->path().string()) & SONG_TYPE_TAGGED)) {
                songs.push_back(walk->path().string());
            }
        }
        if (error) {
            ReportFileError(path, "cannot walk the folder: " + error.message());
            status = kExitFailure;
        }
    }
    return songs;
}

std::string CandidatesText(const std::vector<songcore::EncodingCandidate>& candidates) {
    std::string text;
    for (size_t i = 0; i < candidates.size() && i < kCandidatesShown; ++i) {
        text += (i ? ", " : "") + candidates[i].encoding + " " +
                std::to_string(candidates[i].confidence);
    }
    return text;
}

std::string CandidatesJson(const std::vector<songcore::EncodingCandidate>& candidates) {
    std::string json = "[";
    for (size_t i = 0; i < candidates.size() && i < kCandidatesShown; ++i) {
        json += (i ? "," : "") + JsonObject()
                                     .add("encoding", candidates[i].encoding)
                                     .add("confidence", int64_t{candidates[i].confidence})
                                     .str();
    }
    return json + "]";
}

// One folder's choice, ready to be shown and written.
struct Choice {
    const songcore::RepairFolder* folder;
    songcore::EncodingCandidate chosen;
};

void PrintChoice(const Choice& choice, bool json,
                 const std::map<std::string, std::string>& failures,
                 const std::set<std::string>& written) {
    const songcore::RepairFolder& folder = *choice.folder;
    if (!json) {
        std::cout << EscapeForTerminal(folder.folder.empty() ? "." : folder.folder) << ": "
                  << (choice.chosen.ChangesNothing() ? "left as it is, reads as "
                                                     : "repaired from ")
                  << choice.chosen.encoding << " (candidates: " << CandidatesText(folder.candidates)
                  << ")\n";
    }
    for (size_t song = 0; song < folder.songs.size(); ++song) {
        const std::string& path = folder.songs[song].path;
        const songcore::FieldValues& changes = choice.chosen.changes[song];
        if (!json) {
            for (const auto& [field, after] : changes) {
                std::cout << EscapeForTerminal(path) << ": " << songcore::InfoOf(field).key << ": "
                          << EscapeForTerminal(folder.Shown(song, field)) << " -> "
                          << EscapeForTerminal(after) << "\n";
            }
            continue;
        }
        std::string fields = "[";
        for (const auto& [field, after] : changes) {
            fields +=
                (fields.size() > 1 ? "," : "") + JsonObject()
                                                     .add("field", songcore::InfoOf(field).key)
                                                     .add("before", folder.Shown(song, field))
                                                     .add("after", after)
                                                     .str();
        }
        JsonObject object;
        object.add("path", path);
        object.add("encoding", choice.chosen.encoding);
        object.addRaw("candidates", CandidatesJson(folder.candidates));
        object.addRaw("changes", fields + "]");
        object.add("written", written.count(path) > 0);
        if (auto failure = failures.find(path); failure != failures.end()) {
            object.add("error", failure->second);
        }
        std::cout << object.str() << "\n";
    }
}

const std::vector<OptionSpec> kOptions = {{"from", ValueKind::Text},
                                          {"auto"},
                                          {"dry-run"},
                                          {"json"},
                                          {"legacy-encoding", ValueKind::Text},
                                          {"old-players", ValueKind::Text}};

int RunFixEncoding(const std::vector<std::string>& args) {
    Options options(kOptions);
    if (!options.parse(args)) {
        return UsageError("fix-encoding", options.error());
    }
    std::optional<std::string> from = options.value("from");
    if (from && options.has("auto")) {
        return UsageError("fix-encoding", "give --from or --auto, not both");
    }
    if (from && !songcore::IsKnownEncoding(*from)) {
        return UsageError("fix-encoding", "--from: unknown encoding '" + *from + "'");
    }
    if (!ApplyLegacyEncoding(options)) {
        return UsageError("fix-encoding", "--legacy-encoding: unknown encoding");
    }
    if (!ApplyOldPlayers(options)) {
        return UsageError("fix-encoding", "--old-players: unknown encoding");
    }
    if (options.positional().empty()) {
        return UsageError("fix-encoding", "no file given");
    }
    const bool dryRun = options.has("dry-run");
    const bool json = options.has("json");
    int status = kExitOk;

    std::vector<std::pair<std::string, std::string>> unread;
    std::vector<songcore::RepairFolder> folders =
        songcore::JudgeFolders(SongPaths(options.positional(), status), unread);
    for (const auto& [path, reason] : unread) {
        ReportFileError(path, reason);
        status = kExitFailure;
    }
    std::vector<Choice> choices;
    std::vector<songcore::BatchItem> items;
    for (const songcore::RepairFolder& folder : folders) {
        if (folder.candidates.empty()) {
            continue;  // nothing beyond ASCII, or nothing in doubt
        }
        std::optional<songcore::EncodingCandidate> chosen =
            from ? folder.DecodeAs(*from) : folder.candidates.front();
        if (!chosen) {
            ReportFileError(folder.folder, "the tag texts are not valid " + *from +
                                               "; nothing written (candidates: " +
                                               CandidatesText(folder.candidates) + ")");
            status = kExitFailure;
            continue;
        }
        for (songcore::BatchItem& item : songcore::RepairItems(folder, *chosen)) {
            items.push_back(std::move(item));
        }
        choices.push_back({&folder, std::move(*chosen)});
    }

    std::map<std::string, std::string> failures;
    std::set<std::string> written;
    if (!dryRun && !items.empty()) {
        songcore::EditHistory history;
        std::atomic<bool> cancel{false};
        songcore::BatchOutcome outcome =
            songcore::RunBatchEdit(items, "fix-encoding", cancel, nullptr, &history);
        for (const songcore::FileEdit& file : outcome.operation.files) {
            written.insert(file.path);
        }
        for (const auto& [path, reason] : outcome.failures) {
            failures[path] = reason;
            if (path.empty()) {
                ReportError(reason);
            } else {
                ReportFileError(path, reason);
            }
            status = kExitFailure;
        }
        if (!outcome.historyError.empty()) {
            ReportError("the repair cannot be undone: " + outcome.historyError);
        }
    }
    for (const Choice& choice : choices) {
        PrintChoice(choice, json, failures, written);
    }
    return status;
}

const CommandRegistrar registrar({
    "fix-encoding",
    "find tag text decoded with the wrong encoding and repair it",
    "Usage: tunemoss fix-encoding [--from ENC | --auto] [--dry-run] [--json] PATH...\n"
    "Finds tag text that old taggers wrote in a legacy code page (an ID3v1 tag or\n"
    "an ID3v2 frame in \"ISO-8859-1\" that holds windows-1251, GBK, Shift_JIS,\n"
    "Big5 or windows-1253 bytes; an APEv2 or Vorbis value that is not UTF-8),\n"
    "and UTF-8 text read as ISO-8859-1 (an accented letter shown as two), and\n"
    "writes it again as Unicode.\n"
    "The songs of one folder are judged together; for each folder it prints the\n"
    "encoding chosen and the candidates, then each field before and after. Text\n"
    "that reads as a Western language is left alone. A PATH may be a folder,\n"
    "whose songs are all looked at. 'tunemoss undo' puts the old texts back.\n\n"
    "  --auto          take each folder's most likely encoding (the default)\n"
    "  --from ENC      take this encoding (windows-1251, KOI8-R, GBK, Big5,\n"
    "                  Shift_JIS, windows-1253, windows-1252, UTF-8, ...)\n"
    "  --dry-run       print what would change; write nothing\n"
    "  --json          one JSON object per song, on one line\n"
    "  --legacy-encoding ENC  the code page the texts are read in (default\n"
    "                  ISO-8859-1)\n"
    "  --old-players ENC  also write an ID3v1 tag in this code page into MPEG\n"
    "                  files, for car stereos and old players\n",
    &RunFixEncoding,
    kOptions,
    ValueKind::Song,
    {},
    "tunemoss fix-encoding --dry-run ~/Music/Kino\n"
    "tunemoss fix-encoding --from windows-1251 *.mp3\n",
});

}  // namespace
}  // namespace tunemoss
