// fish completion, for fish's vendor_completions.d.
#include "cli/docgen/Completion.h"

namespace tunemoss::docgen {

namespace {

std::string Quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out + "'";
}

// What fish offers for a value or an argument: "-a '...'" or "-F"; empty
// when there is nothing to offer.
std::string Offer(const std::string& name, ValueKind kind,
                  const std::vector<std::string>& choices) {
    switch (kind) {
        case ValueKind::Choice:
            return "-a " + Quoted(Join(choices, " "));
        case ValueKind::Folder:
            return "-a '(__fish_complete_directories)'";
        case ValueKind::File:
            return "-F";
        case ValueKind::Song:
        case ValueKind::Image:
        case ValueKind::PlayList:
        case ValueKind::Database:
            return "-a '(__" + name + "_files " + Join(FileExtensions(kind), " ") + ")'";
        case ValueKind::None:
        case ValueKind::Text:
            break;
    }
    return "";
}

// The switches of an option: a value is required (-r), and only what is
// offered is listed (-x), unless any file will do.
std::string OptionOffer(const std::string& name, const CompletionOption& option) {
    if (option.value == ValueKind::None) {
        return "";
    }
    std::string offer = Offer(name, option.value, option.choices);
    if (option.value == ValueKind::File) {
        return " -r " + offer;
    }
    return " -x" + (offer.empty() ? "" : " " + offer);
}

std::string OptionLines(const std::string& head, const std::string& name,
                        const std::vector<CompletionOption>& options) {
    std::string out;
    for (const CompletionOption& option : options) {
        out += head + " -l " + option.name + OptionOffer(name, option);
        if (!option.summary.empty()) {
            out += " -d " + Quoted(option.summary);
        }
        out += "\n";
    }
    return out;
}

std::string Helpers(const std::string& name) {
    return "# Files with one of the given extensions (any case), and folders to go into.\n"
           "function __" +
           name +
           "_files\n"
           "    set -l pattern (string escape --style=regex -- $argv | string join '|')\n"
           "    complete -C\"__fish_command_without_completions \"(commandline -ct) |\n"
           "        string match -ri -- \"^.*(?:\\.(?:$pattern)|/)\\$\"\n"
           "end\n\n";
}

}  // namespace

std::string FishCompletion(const CompletedProgram& program) {
    const std::string& name = program.name;
    const std::string complete = "complete -c " + name;
    std::string out =
        "# fish completion for " + name +
        "\n# Made from the program's own description of its options; do not edit.\n\n" +
        Helpers(name);
    if (program.commands.empty()) {
        out += complete + " -f\n" + OptionLines(complete, name, program.options);
        std::string offer = Offer(name, program.arguments, {});
        if (!offer.empty()) {
            out += complete + " " + offer + "\n";
        }
        return out;
    }
    out +=
        "# The command, when the words before the cursor give one.\n"
        "function __" +
        name +
        "_using\n"
        "    set -l words (commandline -opc)\n"
        "    set -q words[2]; and test \"$words[2]\" = \"$argv[1]\"\n"
        "end\n\n"
        "function __" +
        name +
        "_needs_command\n"
        "    test (count (commandline -opc)) -eq 1\n"
        "end\n\n"
        "# True while no word after the command is an argument; takes the options\n"
        "# that are followed by a value.\n"
        "function __" +
        name +
        "_no_argument\n"
        "    set -l skip 0\n"
        "    for word in (commandline -opc)[3..-1]\n"
        "        if test $skip = 1\n"
        "            set skip 0\n"
        "        else if contains -- $word $argv\n"
        "            set skip 1\n"
        "        else if not string match -q -- '-*' $word\n"
        "            return 1\n"
        "        end\n"
        "    end\n"
        "end\n\n" +
        complete + " -f\n";
    const std::string top = complete + " -n __" + name + "_needs_command";
    out += OptionLines(top, name, program.options);
    for (const CompletionCommand& command : program.commands) {
        out += top + " -a " + command.name + " -d " + Quoted(command.summary) + "\n";
    }
    for (const CompletionCommand& command : program.commands) {
        out += "\n";
        const std::string condition = "__" + name + "_using " + command.name;
        const std::string head = complete + " -n " + Quoted(condition);
        out += OptionLines(head, name, command.options);
        std::vector<std::string> valueOptions;
        for (const CompletionOption& option : command.options) {
            if (option.value != ValueKind::None) {
                valueOptions.push_back("--" + option.name);
            }
        }
        std::string noArgument = "__" + name + "_no_argument";
        for (const std::string& option : valueOptions) {
            noArgument += " " + option;
        }
        std::string argumentCondition = condition;
        if (!command.actions.empty()) {
            out += complete + " -n " + Quoted(condition + "; and " + noArgument) + " -a " +
                   Quoted(Join(command.actions, " ")) + "\n";
            argumentCondition += "; and not " + noArgument;
        }
        std::string offer = Offer(name, command.arguments, {});
        if (!offer.empty()) {
            out += complete + " -n " + Quoted(argumentCondition) + " " + offer + "\n";
        }
    }
    return out;
}

}  // namespace tunemoss::docgen
