// tunemoss tag-from-name: sets tag fields from the songs' file names.
#include <ctime>
#include <iostream>

#include "cli/Command.h"
#include "cli/EditRun.h"
#include "cli/Options.h"
#include "cli/TerminalText.h"
#include "songcore/edit/EditHistory.h"
#include "songcore/edit/NamePattern.h"
#include "songcore/util/Paths.h"
#include "songcore/util/WriteBatch.h"

namespace tunemoss {
namespace {

std::string Describe(const songcore::FieldValues& values) {
    std::string text;
    for (const auto& [field, value] : values) {
        text += text.empty() ? "" : ", ";
        text += std::string(songcore::InfoOf(field).key) + "=" + EscapeForTerminal(value);
    }
    return text;
}

// A value the name gives that the field cannot hold (a track number too
// large for any tag).
std::string ValueProblem(const songcore::FieldValues& values) {
    for (const auto& [field, value] : values) {
        if (std::string problem = songcore::FieldTextProblem(field, value); !problem.empty()) {
            return problem;
        }
    }
    return {};
}

const std::vector<OptionSpec> kOptions = {
    {"pattern", ValueKind::Text}, {"dry-run"}, {"legacy-encoding", ValueKind::Text}};

int RunTagFromName(const std::vector<std::string>& args) {
    Options options(kOptions);
    if (!options.parse(args)) {
        return UsageError("tag-from-name", options.error());
    }
    if (!ApplyLegacyEncoding(options)) {
        return UsageError("tag-from-name", "--legacy-encoding: unknown encoding");
    }
    auto patternText = options.value("pattern");
    if (!patternText) {
        return UsageError("tag-from-name", "--pattern is required");
    }
    if (options.positional().empty()) {
        return UsageError("tag-from-name", "no file given");
    }
    std::string problem;
    std::optional<songcore::NamePattern> pattern =
        songcore::NamePattern::Parse(*patternText, problem);
    if (!pattern) {
        return UsageError("tag-from-name", "--pattern: " + problem);
    }
    const bool dryRun = options.has("dry-run");
    int status = kExitOk;
    songcore::EditOperation operation{"tag-from-name", std::time(nullptr), {}};
    songcore::WriteBatch batch;
    for (const std::string& path : options.positional()) {
        std::optional<songcore::FieldValues> values =
            pattern->Match(songcore::NormalLocalPath(path));
        if (!values) {
            ReportFileError(path, "the name does not fit the pattern; skipped");
            status = kExitFailure;
            continue;
        }
        if (std::string problem = ValueProblem(*values); !problem.empty()) {
            ReportFileError(path, problem + "; skipped");
            status = kExitFailure;
            continue;
        }
        std::cout << EscapeForTerminal(path) << ": " << Describe(*values) << "\n";
        if (dryRun) {
            continue;
        }
        songcore::SongEditResult result = songcore::EditSong(path, *values);
        if (!result.ok) {
            ReportFileError(path, result.error);
            status = kExitFailure;
            continue;
        }
        operation.Add(path, std::move(result));
    }
    if (!FinishEditRun(batch, std::move(operation), !dryRun)) {
        status = kExitFailure;
    }
    return status;
}

const CommandRegistrar registrar({
    "tag-from-name",
    "set tag fields from the songs' file names",
    "Usage: tunemoss tag-from-name --pattern PATTERN [--dry-run] [--legacy-encoding ENC]\n"
    "                              FILE...\n"
    "Matches each file's name (without its extension) against the pattern and\n"
    "writes the values it gives. Tokens: %TITLE %ARTIST %ALBUM %GENRE %YEAR,\n"
    "%TRACK (digits) and %IGNORE (anything, not kept). A '/' in the pattern\n"
    "matches the folders above the file, e.g. \"%ARTIST/%ALBUM/%TRACK - %TITLE\".\n"
    "Files whose names do not fit are reported and skipped.\n\n"
    "  --dry-run   print the values each name gives; write nothing\n"
    "  --legacy-encoding ENC  the code page of ID3v1 tags, ID3v2 frames in\n"
    "              ISO-8859-1 and RealMedia texts, read and written (default\n"
    "              ISO-8859-1)\n",
    &RunTagFromName,
    kOptions,
    ValueKind::Song,
    {},
    "tunemoss tag-from-name --dry-run --pattern \"%ALBUM/%TRACK - %TITLE\" \"Blue/07 - Stay.mp3\"\n"
    "tunemoss tag-from-name --pattern \"%TRACK - %ARTIST - %TITLE\" *.mp3\n",
});

}  // namespace
}  // namespace tunemoss
