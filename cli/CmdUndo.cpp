// tunemoss undo and redo: the edit history shared with qarv.
#include <ctime>
#include <iostream>

#include "cli/Command.h"
#include "cli/Options.h"
#include "cli/TerminalText.h"
#include "songcore/edit/EditHistory.h"

namespace tunemoss {
namespace {

std::string When(int64_t time) {
    std::time_t seconds = static_cast<std::time_t>(time);
    std::tm local{};
    char text[32] = "";
    if (localtime_r(&seconds, &local) != nullptr) {
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    }
    return text;
}

void PrintOperations(const char* heading, const std::vector<songcore::EditOperation>& list) {
    std::cout << heading << (list.empty() ? " nothing\n" : "\n");
    int number = 1;
    for (const songcore::EditOperation& operation : list) {
        const std::vector<std::string> paths = operation.Paths();
        std::cout << "  " << number++ << ". " << When(operation.time) << "  "
                  << EscapeForTerminal(operation.label) << ", " << paths.size()
                  << (paths.size() == 1 ? " file" : " files");
        if (!paths.empty()) {
            std::cout << " (" << EscapeForTerminal(paths.front())
                      << (paths.size() > 1 ? ", ..." : "") << ")";
        }
        std::cout << "\n";
    }
}

const std::vector<OptionSpec> kUndoOptions = {{"list"}};

int Step(const std::string& name, const std::vector<std::string>& args, bool undo) {
    Options options(undo ? kUndoOptions : std::vector<OptionSpec>{});
    if (!options.parse(args)) {
        return UsageError(name, options.error());
    }
    if (!options.positional().empty()) {
        return UsageError(name, "takes no file");
    }
    songcore::EditHistory history;
    if (options.has("list")) {
        std::vector<songcore::EditOperation> undoList, redoList;
        std::string error;
        if (!history.List(undoList, redoList, error)) {
            ReportError(error);
            return kExitFailure;
        }
        PrintOperations("Can be undone:", undoList);
        PrintOperations("Can be redone:", redoList);
        return kExitOk;
    }
    songcore::HistoryOutcome outcome = undo ? history.Undo() : history.Redo();
    if (!outcome.error.empty() && outcome.label.empty()) {
        ReportError(outcome.error);
        return kExitFailure;
    }
    std::cout << (undo ? "Undone: " : "Redone: ") << EscapeForTerminal(outcome.label) << ", "
              << outcome.restored.size() << " of "
              << outcome.restored.size() + outcome.refused.size() << " files\n";
    for (const auto& [path, reason] : outcome.refused) {
        ReportFileError(path, reason);
    }
    if (!outcome.ok) {
        ReportError(outcome.error);
    }
    return outcome.ok && outcome.refused.empty() ? kExitOk : kExitFailure;
}

int RunUndo(const std::vector<std::string>& args) {
    return Step("undo", args, true);
}
int RunRedo(const std::vector<std::string>& args) {
    return Step("redo", args, false);
}

const CommandRegistrar undoRegistrar({
    "undo",
    "put back the values the last tag edit changed",
    "Usage: tunemoss undo [--list]\n"
    "Puts back the old values of the fields that the last edit (of tunemoss or\n"
    "qarv) changed. A file changed by anything else since is left alone and\n"
    "reported.\n\n"
    "  --list   show what can be undone and redone\n",
    &RunUndo,
    kUndoOptions,
    ValueKind::None,
    {},
    "tunemoss undo --list\n"
    "tunemoss undo\n",
});

const CommandRegistrar redoRegistrar({
    "redo",
    "make the last undone tag edit again",
    "Usage: tunemoss redo\n"
    "Writes again the values of the edit that the last undo took back.\n",
    &RunRedo,
});

}  // namespace
}  // namespace tunemoss
