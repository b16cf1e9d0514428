#pragma once
// The commands of tunemoss. Each command registers itself from its own
// source file, so adding one never touches the others.

#include <string>
#include <vector>

namespace tunemoss {

// Exit statuses shared by every command.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;  // some file failed; the others were processed
constexpr int kExitUsage = 2;

struct Command {
    std::string name;
    std::string summary;  // one line for the overall help
    std::string help;     // the full text for "tunemoss NAME --help"
    int (*run)(const std::vector<std::string>& args);
};

class CommandRegistry {
public:
    static CommandRegistry& instance();
    void add(Command command);
    const Command* find(const std::string& name) const;
    // Sorted by name.
    std::vector<const Command*> all() const;

private:
    std::vector<Command> commands_;
};

struct CommandRegistrar {
    explicit CommandRegistrar(Command command) {
        CommandRegistry::instance().add(std::move(command));
    }
};

// "tunemoss: PATH: message" on stderr.
void ReportFileError(const std::string& path, const std::string& message);
// "tunemoss: message" on stderr.
void ReportError(const std::string& message);
// "tunemoss NAME: message" plus a hint, on stderr; returns kExitUsage.
int UsageError(const std::string& command, const std::string& message);

}  // namespace tunemoss
