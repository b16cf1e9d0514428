#include "cli/Command.h"

#include <algorithm>
#include <iostream>

#include "cli/TerminalText.h"

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
