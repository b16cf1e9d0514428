// tunemoss rename: renames song files by a pattern built from their tags.
#include <iostream>

#include "cli/Command.h"
#include "cli/Options.h"
#include "songcore/edit/EditHistory.h"
#include "songcore/rename/NameTokens.h"
#include "songcore/rename/PatternJobs.h"
#include "songcore/settings/AppRegKey.h"

namespace tunemoss {
namespace {

using songcore::PatternJobResult;
using songcore::PatternJobStatus;

const std::vector<OptionSpec> kOptions = {
    {"pattern", ValueKind::Text}, {"dry-run"}, {"legacy-encoding", ValueKind::Text}};

int RunRename(const std::vector<std::string>& args) {
    Options options(kOptions);
    if (!options.parse(args)) {
        return UsageError("rename", options.error());
    }
    if (!ApplyLegacyEncoding(options)) {
        return UsageError("rename", "--legacy-encoding: unknown encoding");
    }
    if (options.positional().empty()) {
        return UsageError("rename", "no file given");
    }
    std::string pattern =
        options.value("pattern").value_or(CAppRegKey().GetRenameAsCustomizeString());
    if (pattern.empty()) {
        return UsageError("rename", "the pattern is empty");
    }
    if (std::string problem = songcore::NamePatternProblem(pattern); !problem.empty()) {
        return UsageError("rename", problem);
    }
    bool dryRun = options.has("dry-run");
    int status = kExitOk;
    std::vector<std::pair<std::string, std::string>> renamed;
    songcore::PatternJobCallbacks callbacks;
    callbacks.onResult = [&](const PatternJobResult& result) {
        switch (result.status) {
            case PatternJobStatus::Done:
                if (!dryRun) {
                    renamed.emplace_back(result.source, result.destination);
                }
                [[fallthrough]];
            case PatternJobStatus::Unchanged:
                std::cout << result.source << " -> " << result.destination << "\n";
                break;
            default:
                ReportFileError(result.source, result.message);
                status = kExitFailure;
                break;
        }
    };
    songcore::RenameSongsAs(options.positional(), pattern, callbacks, dryRun);
    // Earlier edits of the songs can still be undone under their new names.
    if (std::string error; !songcore::EditHistory().FollowRenames(renamed, error)) {
        ReportError("the edit history does not follow the new names: " + error);
    }
    return status;
}

const CommandRegistrar registrar({
    "rename",
    "rename song files by a pattern built from their tags",
    "Usage: tunemoss rename [--pattern P] [--dry-run] [--legacy-encoding ENC] FILE...\n"
    "Gives each file the name the pattern builds from its tags, in its own folder\n"
    "and with its own extension, and prints \"old -> new\". An existing file is\n"
    "never replaced. Files whose tags cannot be read are left alone.\n\n"
    "  --pattern P   the name pattern; the tokens %TITLE, %ARTIST, %ALBUM,\n"
    "                %ALBUMARTIST, %GENRE, %YEAR, %TRACK (two digits; %TRACK1,\n"
    "                %TRACK3... other widths), %DISC (%DISC2...) and %EXT (the\n"
    "                extension without its dot) stand for the song's tags; an\n"
    "                unknown token is refused (default: the RenameAs\n"
    "                setting, \"%TITLE\" unless changed)\n"
    "  --dry-run     only print what would be renamed\n"
    "  --legacy-encoding ENC  the code page of ID3v1 tags, ID3v2 frames in\n"
    "                ISO-8859-1 and RealMedia texts (default ISO-8859-1)\n",
    &RunRename,
    kOptions,
    ValueKind::Song,
    {},
    "tunemoss rename --dry-run --pattern \"%ARTIST - %TITLE\" ~/Music/*.mp3\n",
});

}  // namespace
}  // namespace tunemoss
