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

// What an option's value or a command's arguments are: the shell
// completions offer files, folders or words by it.
enum class ValueKind {
    None,  // a flag, which takes no value
    Text,  // anything; nothing to offer
    Song,  // song files (or http(s) locations)
    File,  // any file
    Folder,
    Image,     // a picture file
    PlayList,  // an .m3u, .m3u8, .pls, .sdf or .pl file
    Database,  // a song database (.sdf)
    Choice,    // one of the option's choices
};

struct OptionSpec {
    std::string name;  // without "--"
    ValueKind value = ValueKind::None;
    std::vector<std::string> choices = {};  // the words a Choice takes
};

// A command as its help, its parser, its manual page and the shell
// completions see it: one description for all of them.
struct Command {
    std::string name;
    std::string summary;  // one line for the overall help
    std::string help;     // the full text for "tunemoss NAME --help"
    int (*run)(const std::vector<std::string>& args);
    std::vector<OptionSpec> options = {};
    ValueKind arguments = ValueKind::None;  // what follows the options
    std::vector<std::string> actions = {};  // the words the first argument can be
    std::string examples = {};              // command lines, "# " lines explain them
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

// "tunemoss --help": the commands and what they do.
std::string OverallHelp();
// "tunemoss NAME --help": the command's help and its examples.
std::string CommandHelp(const Command& command);
// "tunemoss 0.1.0"
std::string VersionText();

// "tunemoss: PATH: message" on stderr.
void ReportFileError(const std::string& path, const std::string& message);
// "tunemoss: message" on stderr.
void ReportError(const std::string& message);
// "tunemoss NAME: message" plus a hint, on stderr; returns kExitUsage.
int UsageError(const std::string& command, const std::string& message);

}  // namespace tunemoss
