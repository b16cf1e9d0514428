// tunemoss playlist: lists and converts M3U, M3U8, PLS and song database
// files.
#include <iostream>

#include "cli/Command.h"
#include "cli/Json.h"
#include "cli/Options.h"
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
    std::vector<ListEntry> entries;
    std::string error;
    if (!songcore::ReadListFile(path, entries, error)) {
        ReportFileError(path, "cannot read the play list: " + error);
        return kExitFailure;
    }
    bool json = options.has("json");
    for (const ListEntry& entry : entries) {
        if (json) {
            JsonObject object;
            object.add("artist", entry.artist)
                .add("album", entry.album)
                .add("title", entry.title)
                .add("file", entry.file)
                .add("length", static_cast<int64_t>(entry.length));
            std::cout << object.str() << "\n";
        } else {
            std::cout << entry.artist << " - " << entry.title << "\t" << entry.file << "\n";
        }
    }
    return kExitOk;
}

int Convert(const Options& options) {
    if (options.positional().size() != 3) {
        return UsageError("playlist", "convert needs IN and OUT");
    }
    const std::string& in = options.positional()[1];
    const std::string& out = options.positional()[2];
    if (songcore::ListKindOf(in) == ListKind::Unknown ||
        songcore::ListKindOf(out) == ListKind::Unknown) {
        return UsageError("playlist", "play lists end in .m3u, .m3u8, .pls or .sdf");
    }
    std::vector<ListEntry> entries;
    std::string error;
    if (!songcore::ReadListFile(in, entries, error)) {
        ReportFileError(in, "cannot read the play list: " + error);
        return kExitFailure;
    }
    if (!songcore::WriteListFile(out, entries, error)) {
        ReportFileError(out, "cannot write the play list: " + error);
        return kExitFailure;
    }
    return kExitOk;
}

int RunPlaylist(const std::vector<std::string>& args) {
    Options options({}, {"json"});
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
    "list or convert M3U, M3U8, PLS and song database (.sdf) files",
    "Usage: tunemoss playlist show [--json] FILE\n"
    "       tunemoss playlist convert IN OUT\n"
    "show lists the songs of a play list, one \"ARTIST - TITLE<tab>FILE\" line\n"
    "each (--json: one JSON object per song). convert reads IN and writes its\n"
    "songs to OUT; the kinds of both are told by their extensions (.m3u, .m3u8,\n"
    ".pls, .sdf). Relative paths in IN are resolved against IN's folder.\n",
    &RunPlaylist,
});

}  // namespace
}  // namespace tunemoss
