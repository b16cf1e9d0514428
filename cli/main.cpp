// tunemoss: the command-line face of songcore.
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "cli/Command.h"
#include "songcore/util/AllocatorTuning.h"
#include "songcore/util/JournalRecovery.h"
#include "songcore/util/SafeFileReplace.h"

using tunemoss::CommandRegistry;

namespace {

void Report(const std::vector<songcore::JournalNotice>& notices) {
    for (const songcore::JournalNotice& notice : notices) {
        tunemoss::ReportFileError(notice.path, notice.message);
    }
}

// An interrupted rewrite leaves no temporary file behind; the song itself
// is untouched until the rewrite completes.
void RemoveTemporariesAndDie(int signal) {
    songcore::RemoveTemporaryFilesNow();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

}  // namespace

int main(int argc, char** argv) {
    songcore::KeepFreedBuffersForReuse();
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        std::signal(signal, RemoveTemporariesAndDie);
    }
    // Writes that a crash or a kill cut short are undone before anything
    // reads the songs they were changing.
    Report(songcore::RecoverInterruptedWrites().notices);
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::cout << tunemoss::OverallHelp();
        return tunemoss::kExitUsage;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        std::cout << tunemoss::OverallHelp();
        return tunemoss::kExitOk;
    }
    if (args[0] == "--version") {
        std::cout << tunemoss::VersionText() << "\n";
        return tunemoss::kExitOk;
    }
    const tunemoss::Command* command = CommandRegistry::instance().find(args[0]);
    if (command == nullptr) {
        std::cerr << "tunemoss: unknown command '" << args[0] << "'\n"
                  << "Try 'tunemoss --help'.\n";
        return tunemoss::kExitUsage;
    }
    args.erase(args.begin());
    for (const std::string& arg : args) {
        if (arg == "--") {
            break;
        }
        if (arg == "--help" || arg == "-h") {
            std::cout << tunemoss::CommandHelp(*command);
            return tunemoss::kExitOk;
        }
    }
    int status = command->run(args);
    Report(songcore::TakeJournalNotices());
    return status;
}
