// tunemoss copy: copies song files into a folder under names built from their
// tags.
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <iostream>

#include "cli/Command.h"
#include "cli/Options.h"
#include "songcore/rename/NameTokens.h"
#include "songcore/rename/PatternJobs.h"
#include "songcore/settings/AppRegKey.h"

namespace tunemoss {
namespace {

using songcore::PatternJobResult;
using songcore::PatternJobStatus;

std::atomic<bool> gInterrupted{false};

void OnInterrupt(int) {
    gInterrupted.store(true);
}

const std::vector<OptionSpec> kOptions = {{"pattern", ValueKind::Text}, {"to", ValueKind::Folder}};

int RunCopy(const std::vector<std::string>& args) {
    Options options(kOptions);
    if (!options.parse(args)) {
        return UsageError("copy", options.error());
    }
    auto folder = options.value("to");
    if (!folder || folder->empty()) {
        return UsageError("copy", "give the destination folder with --to DIR");
    }
    if (options.positional().empty()) {
        return UsageError("copy", "no file given");
    }
    std::string pattern = options.value("pattern").value_or(CAppRegKey().GetCopyToFileNameFormat());
    if (pattern.empty()) {
        return UsageError("copy", "the pattern is empty");
    }
    if (std::string problem = songcore::NamePatternProblem(pattern); !problem.empty()) {
        return UsageError("copy", problem);
    }
    std::vector<songcore::CopyJob> jobs;
    for (const std::string& file : options.positional()) {
        jobs.push_back({file, *folder});
    }

    // Ctrl-C stops the copy in hand cleanly: no half-written file is left.
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    struct sigaction previous {};
    sigaction(SIGINT, &action, &previous);

    bool terminal = ::isatty(STDERR_FILENO) != 0;
    std::string current;
    int status = kExitOk;
    songcore::PatternJobCallbacks callbacks;
    callbacks.isCancelled = [] { return gInterrupted.load(); };
    callbacks.onFile = [&](const std::string& source, const std::string&) { current = source; };
    if (terminal) {
        callbacks.onProgress = [&](int percent) {
            std::cerr << "\r\033[K" << percent << "%  " << current << std::flush;
        };
    }
    bool reportedCancel = false;
    callbacks.onResult = [&](const PatternJobResult& result) {
        if (terminal) {
            std::cerr << "\r\033[K" << std::flush;
        }
        if (result.status == PatternJobStatus::Done) {
            std::cout << result.source << " -> " << result.destination << std::endl;
            return;
        }
        status = kExitFailure;
        if (result.status == PatternJobStatus::Cancelled) {
            if (!reportedCancel) {
                ReportError("copying cancelled; " + result.source + " and the rest not copied");
                reportedCancel = true;
            }
            return;
        }
        ReportFileError(result.source, result.message);
    };
    songcore::CopySongsTo(jobs, pattern, callbacks);
    sigaction(SIGINT, &previous, nullptr);
    return status;
}

const CommandRegistrar registrar({
    "copy",
    "copy song files into a folder under names built from their tags",
    "Usage: tunemoss copy [--pattern P] --to DIR FILE...\n"
    "Copies each file into DIR (created as needed) under the name the pattern\n"
    "builds from its tags, keeping its extension, and prints \"old -> new\". A\n"
    "file without readable tags is named after itself. An existing file of the\n"
    "new name is never replaced: that file fails. Ctrl-C stops cleanly, leaving\n"
    "no partial file.\n\n"
    "  --to DIR      the destination folder\n"
    "  --pattern P   the name pattern; the tokens %TITLE, %ARTIST, %ALBUM,\n"
    "                %ALBUMARTIST, %GENRE, %YEAR, %TRACK (two digits; %TRACK1,\n"
    "                %TRACK3... other widths), %DISC (%DISC2...) and %EXT (the\n"
    "                extension without its dot) stand for the song's tags; an\n"
    "                unknown token is refused (default: the CopyTo\n"
    "                setting, \"%TITLE\" unless changed)\n",
    &RunCopy,
    kOptions,
    ValueKind::Song,
    {},
    "tunemoss copy --pattern \"%ARTIST - %ALBUM - %TITLE\" --to /media/stick *.flac\n",
});

}  // namespace
}  // namespace tunemoss
