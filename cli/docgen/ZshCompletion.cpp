// zsh completion: a #compdef function for the completion system's fpath.
#include "cli/docgen/Completion.h"

namespace tunemoss::docgen {

namespace {

// Text for inside the single quotes of a spec, and inside its [...].
std::string Quoted(const std::string& text, bool inBrackets) {
    std::string out;
    for (char c : text) {
        if (c == '\'') {
            out += "'\\''";
        } else if (inBrackets && (c == '[' || c == ']')) {
            out += std::string("\\") + c;
        } else {
            out += c;
        }
    }
    return out;
}

// The message and action of a value: "file:_files".
std::string Action(ValueKind kind, const std::vector<std::string>& choices) {
    switch (kind) {
        case ValueKind::Choice:
            return "word:(" + Join(choices, " ") + ")";
        case ValueKind::Folder:
            return "folder:_files -/";
        case ValueKind::File:
            return "file:_files";
        case ValueKind::Song:
            return "song:_files -g \"*.(#i)(" + Join(FileExtensions(kind), "|") + ")(-.)\"";
        case ValueKind::Image:
            return "image:_files -g \"*.(#i)(" + Join(FileExtensions(kind), "|") + ")(-.)\"";
        case ValueKind::PlayList:
            return "play list:_files -g \"*.(#i)(" + Join(FileExtensions(kind), "|") + ")(-.)\"";
        case ValueKind::Database:
            return "song database:_files -g \"*.(#i)(" + Join(FileExtensions(kind), "|") +
                   ")(-.)\"";
        case ValueKind::None:
        case ValueKind::Text:
            break;
    }
    return "value: ";
}

// One _arguments call: the options, then the arguments.
std::string Arguments(const std::vector<CompletionOption>& options, ValueKind arguments,
                      const std::vector<std::string>& actions, const std::string& in) {
    std::vector<std::string> specs;
    for (const CompletionOption& option : options) {
        std::string spec = option.name == "help" || option.name == "version" ? "(- : *)" : "";
        spec += "--" + option.name;
        if (option.value != ValueKind::None) {
            spec += "=";
        }
        if (!option.summary.empty()) {
            spec += "[" + Quoted(option.summary, true) + "]";
        }
        if (option.value != ValueKind::None) {
            spec += ":" + Quoted(Action(option.value, option.choices), false);
        }
        specs.push_back("'" + spec + "'");
    }
    if (!actions.empty()) {
        specs.push_back("'1:action:(" + Join(actions, " ") + ")'");
    }
    if (arguments != ValueKind::None) {
        specs.push_back("'*:" + Quoted(Action(arguments, {}), false) + "'");
    }
    std::string out = in + "_arguments :";
    for (const std::string& spec : specs) {
        out += " \\\n" + in + "    " + spec;
    }
    return out;
}

}  // namespace

std::string ZshCompletion(const CompletedProgram& program) {
    const std::string& name = program.name;
    std::string out =
        "#compdef " + name +
        "\n# Made from the program's own description of its options; do not edit.\n\n";
    if (program.commands.empty()) {
        return out + Arguments(program.options, program.arguments, {}, "") + "\n";
    }
    out += "_" + name +
           "() {\n"
           "    local curcontext=$curcontext state state_descr line ret=1\n"
           "    typeset -A opt_args\n\n";
    std::string top = Arguments(program.options, ValueKind::None, {}, "    ");
    top.replace(top.find("_arguments :"), 12, "_arguments -C :");
    out += top +
           " \\\n        '1: :->command' \\\n        '*:: :->argument' && ret=0\n\n"
           "    case $state in\n"
           "        (command)\n"
           "            local -a commands=(\n";
    for (const CompletionCommand& command : program.commands) {
        out += "                '" + command.name + ":" + Quoted(command.summary, false) + "'\n";
    }
    out +=
        "            )\n"
        "            _describe -t commands '" +
        name +
        " command' commands && ret=0\n"
        "            ;;\n"
        "        (argument)\n"
        "            curcontext=${curcontext%:*:*}:" +
        name +
        "-$words[1]:\n"
        "            case $words[1] in\n";
    for (const CompletionCommand& command : program.commands) {
        out +=
            "                (" + command.name + ")\n" +
            Arguments(command.options, command.arguments, command.actions, "                    ") +
            " && ret=0\n                    ;;\n";
    }
    out +=
        "            esac\n"
        "            ;;\n"
        "    esac\n"
        "    return ret\n"
        "}\n\n"
        "_" +
        name + " \"$@\"\n";
    return out;
}

}  // namespace tunemoss::docgen
