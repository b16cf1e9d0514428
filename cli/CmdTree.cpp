// tunemoss tree: prints the song tree a song database file holds.
#include <cstdio>

#include "cli/Command.h"
#include "cli/Options.h"
#include "cli/TreeOutline.h"
#include "songcore/lists/SDFFile.h"
#include "songcore/views/SongTreeCtrl.h"

namespace tunemoss {
namespace {

const std::vector<OptionSpec> kOptions = {{"view", ValueKind::Choice, {"0", "1"}}};

int RunTree(const std::vector<std::string>& args) {
    Options options(kOptions);
    if (!options.parse(args)) {
        return UsageError("tree", options.error());
    }
    std::optional<uint32_t> view = ParseViewOption(options, "tree");
    if (!view) {
        return kExitUsage;
    }
    if (options.positional().size() != 1) {
        return UsageError("tree", "give exactly one song database file");
    }
    const std::string& path = options.positional().front();
    std::string problem = CheckSongDatabase(path);
    if (problem.empty()) {
        problem = songcore::SongDatabaseDamage(path);
    }
    if (!problem.empty()) {
        ReportFileError(path, problem);
        return kExitFailure;
    }
    CSongTreeCtrl tree;
    tree.SetViewMethod(*view, 0);
    if (!tree.LoadFromFile(path)) {
        ReportFileError(path, "cannot be loaded");
        return kExitFailure;
    }
    PrintOutline(tree.GetOutline());
    std::fflush(stdout);
    return kExitOk;
}

const CommandRegistrar registrar({
    "tree",
    "print the song tree of a song database file",
    "Usage: tunemoss tree [--view 0|1] FILE.sdf\n"
    "Prints the songs of a song database file as an indented outline: the roots,\n"
    "then the groups, then each song's title with its file in parentheses.\n\n"
    "  --view 0   group by file type, then artist (default)\n"
    "  --view 1   group by artist, then file type\n",
    &RunTree,
    kOptions,
    ValueKind::Database,
    {},
    "tunemoss tree --view 1 ~/.local/share/Tunemoss/default.sdf\n",
});

}  // namespace
}  // namespace tunemoss
