// tunemoss playlist: lists and converts M3U, M3U8, PLS and song database
// files.
#include <iostream>

#include "cli/Command.h"
#include "cli/Json.h"
#include "cli/Options.h"
#include "cli/TerminalText.h"
#include "songcore/lists/ListEntries.h"

namespace tunemoss {
namespace {

using songcore::ListEntry;
using songcore::ListKind;

int Show(const Options& options) {
    if (options.positional().size() != 2) {
        return UsageError("playlist", "show needs exactly one FILE");
    }
    const std::string& path = options.positional()[1];
    bool json = options.has("json");
    std::string error;
    // Song by song, so that a long list is never held whole.
    bool ok = songcore::ReadListFile(
        path,
        [json](ListEntry& entry) {
            if (json) {
                JsonObject object;
                object.add("artist", entry.artist)
                    .add("album", entry.album)
                    .add("title", entry.title)
                    .add("file", entry.file)
                    .add("length", static_cast<int64_t>(entry.length));
                std::cout << object.str() << "\n";
            } else {
                std::cout << EscapeForTerminal(entry.artist) << " - "
                          << EscapeForTerminal(entry.title) << "\t" << EscapeForTerminal(entry.file)
                          << "\n";
            }
            return true;
        },
        error);
    std::cout.flush();
    if (!ok) {
        ReportFileError(path, "cannot read the play list: " + error);
        return kExitFailure;
    }
    return kExitOk;
}

int Convert(const Options& options) {
    if (options.positional().size() != 3) {
        return UsageError("playlist", "convert needs IN and OUT");
    }
    const std::string& in = options.positional()[1];
    const std::string& out = options.positional()[2];
    if (songcore::ListKindOf(out) == ListKind::Unknown ||
        songcore::ListKindOf(out) == ListKind::PlayList) {
        return UsageError("playlist", "play lists are written as .m3u, .m3u8, .pls or .sdf");
    }
    if (songcore::DetectListKind(in) == ListKind::Unknown) {
        ReportFileError(in,
                        "cannot read the play list: not a play list (.m3u, .m3u8, .pls, "
                        ".sdf or .pl)");
        return kExitFailure;
    }
    // Read and written song by song; OUT is replaced only when all of IN
    // was read, so a damaged IN leaves OUT as it was.
    songcore::ListFileWriter writer;
    if (!writer.Open(out)) {
        ReportFileError(out, "cannot write the play list: " + writer.error());
        return kExitFailure;
    }
    std::string error;
    bool written = true;
    bool read = songcore::ReadListFile(
        in, [&](ListEntry& entry) { return written = writer.Add(entry); }, error);
    if (!written || (read && !writer.Commit())) {
        ReportFileError(out, "cannot write the play list: " + writer.error());
        return kExitFailure;
    }
    if (!read) {
        ReportFileError(in,
                        "cannot read the play list: " + error + "; " + out + " is left as it was");
        return kExitFailure;
    }
    return kExitOk;
}

const std::vector<OptionSpec> kOptions = {{"json"}};

int RunPlaylist(const std::vector<std::string>& args) {
    Options options(kOptions);
    if (!options.parse(args)) {
        return UsageError("playlist", options.error());
    }
    if (options.positional().empty()) {
        return UsageError("playlist", "give show or convert");
    }
    const std::string& action = options.positional()[0];
    if (action == "show") {
        return Show(options);
    }
    if (action == "convert") {
        return Convert(options);
    }
    return UsageError("playlist", "unknown action '" + action + "' (show or convert)");
}

const CommandRegistrar registrar({
    "playlist",
    "list or convert M3U, M3U8, PLS, song database (.sdf) and desktop play list (.pl) files",
    "Usage: tunemoss playlist show [--json] FILE\n"
    "       tunemoss playlist convert IN OUT\n"
    "show lists the songs of a play list, one \"ARTIST - TITLE<tab>FILE\" line\n"
    "each (--json: one JSON object per song). convert reads IN and writes its\n"
    "songs to OUT; the kinds of both are told by their extensions (.m3u, .m3u8,\n"
    ".pls, .sdf; IN may also be the desktop program's .pl list, and an IN with\n"
    "another extension is told by its content). Relative paths in IN are\n"
    "resolved against IN's folder. A damaged IN is reported and OUT is then\n"
    "left as it was.\n",
    &RunPlaylist,
    kOptions,
    ValueKind::PlayList,
    {"show", "convert"},
    "tunemoss playlist show party.m3u8\n"
    "tunemoss playlist convert party.m3u8 party.pls\n",
});

}  // namespace
}  // namespace tunemoss
