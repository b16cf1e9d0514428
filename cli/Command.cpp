#include "cli/Command.h"

#include <algorithm>
#include <iostream>

#include "cli/TerminalText.h"

#ifndef TUNEMOSS_VERSION
#define TUNEMOSS_VERSION "0.0.0"
#endif

namespace tunemoss {

CommandRegistry& CommandRegistry::instance() {
    static CommandRegistry registry;
    return registry;
}

void CommandRegistry::add(Command command) {
    commands_.push_back(std::move(command));
}

const Command* CommandRegistry::find(const std::string& name) const {
    for (const Command& command : commands_) {
        if (command.name == name) {
            return &command;
        }
    }
    return nullptr;
}

std::vector<const Command*> CommandRegistry::all() const {
    std::vector<const Command*> list;
    for (const Command& command : commands_) {
        list.push_back(&command);
    }
    std::sort(list.begin(), list.end(),
              [](const Command* a, const Command* b) { return a->name < b->name; });
    return list;
}

std::string OverallHelp() {
    std::string text =
        "Usage: tunemoss COMMAND [OPTIONS] [ARGS...]\n"
        "       tunemoss --version\n"
        "Reads and writes the tags of music files and manages play lists.\n\n"
        "Commands:\n";
    for (const Command* command : CommandRegistry::instance().all()) {
        std::string name = command->name;
        name.resize(std::max<size_t>(name.size() + 2, 12), ' ');
        text += "  " + name + command->summary + "\n";
    }
    text +=
        "\nRun 'tunemoss COMMAND --help' for the options of a command.\n"
        "Exit status: 0 on success, 1 when any file failed, 2 for a usage error.\n";
    return text;
}

std::string CommandHelp(const Command& command) {
    std::string text = command.help;
    if (!command.examples.empty()) {
        text += "\nExamples:\n";
        size_t start = 0;
        while (start < command.examples.size()) {
            size_t end = command.examples.find('\n', start);
            if (end == std::string::npos) {
                end = command.examples.size();
            }
            text += "  " + command.examples.substr(start, end - start) + "\n";
            start = end + 1;
        }
    }
    return text;
}

std::string VersionText() {
    return "tunemoss " TUNEMOSS_VERSION;
}

// Messages carry file names and tag text, which may hold control
// characters: they are escaped as on standard output.
void ReportFileError(const std::string& path, const std::string& message) {
    std::cerr << "tunemoss: " << EscapeForTerminal(path) << ": " << EscapeForTerminal(message)
              << "\n";
}

void ReportError(const std::string& message) {
    std::cerr << "tunemoss: " << EscapeForTerminal(message) << "\n";
}

int UsageError(const std::string& command, const std::string& message) {
    std::cerr << "tunemoss " << command << ": " << EscapeForTerminal(message) << "\n"
              << "Try 'tunemoss " << command << " --help'.\n";
    return kExitUsage;
}

}  // namespace tunemoss
