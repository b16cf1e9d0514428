// tunemoss-docs: writes the manual pages and the shell completions of
// tunemoss and qarv, made from the same command table and help texts as
// the programs, at build time.
//
//   tunemoss-docs FOLDER DATE
#include <fstream>
#include <iostream>

#include "cli/Command.h"
#include "cli/docgen/Completion.h"
#include "cli/docgen/HelpText.h"
#include "cli/docgen/ManPages.h"
#include "qarv/CommandLine.h"

namespace {

using namespace tunemoss;
using namespace tunemoss::docgen;

CompletedProgram Tunemoss() {
    CompletedProgram program;
    program.name = "tunemoss";
    program.options = {{"help", ValueKind::None, {}, "print the commands and exit"},
                       {"version", ValueKind::None, {}, "print the version and exit"}};
    for (const Command* command : CommandRegistry::instance().all()) {
        std::vector<HelpBlock> help = ParseHelp(command->help);
        CompletionCommand completion{
            command->name, command->summary, {}, command->arguments, command->actions};
        for (const OptionSpec& option : command->options) {
            completion.options.push_back({option.name, option.value, option.choices,
                                          OptionSummary(help, "--" + option.name)});
        }
        completion.options.push_back(
            {"help", ValueKind::None, {}, "print the help of " + command->name + " and exit"});
        program.commands.push_back(std::move(completion));
    }
    return program;
}

CompletedProgram Qarv() {
    std::vector<HelpBlock> help = ParseHelp(CommandLine::HelpText());
    CompletedProgram program;
    program.name = "qarv";
    for (const char* option : {"help", "version"}) {
        program.options.push_back(
            {option, ValueKind::None, {}, OptionSummary(help, std::string("--") + option)});
    }
    program.arguments = ValueKind::Song;
    return program;
}

bool Write(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
        std::cerr << "tunemoss-docs: " << path << ": cannot be written\n";
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: tunemoss-docs FOLDER DATE\n";
        return 2;
    }
    const std::string folder = argv[1];
    const std::string date = argv[2];
    CompletedProgram tunemoss = Tunemoss();
    CompletedProgram qarv = Qarv();
    bool ok = Write(folder + "/tunemoss.1", TunemossManPage(date)) &&
              Write(folder + "/qarv.1", QarvManPage(date)) &&
              Write(folder + "/tunemoss.bash", BashCompletion(tunemoss)) &&
              Write(folder + "/qarv.bash", BashCompletion(qarv)) &&
              Write(folder + "/_tunemoss", ZshCompletion(tunemoss)) &&
              Write(folder + "/_qarv", ZshCompletion(qarv)) &&
              Write(folder + "/tunemoss.fish", FishCompletion(tunemoss)) &&
              Write(folder + "/qarv.fish", FishCompletion(qarv));
    return ok ? 0 : 1;
}
