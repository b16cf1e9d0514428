// bash completion, for bash-completion's completions folder (it uses that
// package's helpers: _init_completion, _filedir).
#include "cli/docgen/Completion.h"

namespace tunemoss::docgen {

namespace {

std::string OptionWords(const std::vector<CompletionOption>& options) {
    std::vector<std::string> words;
    for (const CompletionOption& option : options) {
        words.push_back("--" + option.name);
    }
    return Join(words, " ");
}

std::string Offer(ValueKind kind, const std::vector<std::string>& choices) {
    switch (kind) {
        case ValueKind::Choice:
            return "COMPREPLY=($(compgen -W '" + Join(choices, " ") + "' -- \"$cur\"))";
        case ValueKind::Folder:
            return "_filedir -d";
        case ValueKind::File:
            return "_filedir";
        case ValueKind::Song:
        case ValueKind::Image:
        case ValueKind::PlayList:
        case ValueKind::Database:
            return "_filedir '@(" + Join(FileExtensions(kind), "|") + ")'";
        case ValueKind::None:
        case ValueKind::Text:
            break;
    }
    return ":";
}

// The completion of the words after the command name (at words[first]).
std::string Body(const std::vector<CompletionOption>& options, ValueKind arguments,
                 const std::vector<std::string>& actions, int first, const std::string& in) {
    std::string out;
    std::vector<std::string> valueOptions, quiet;
    std::string cases;
    for (const CompletionOption& option : options) {
        if (option.value == ValueKind::None) {
            continue;
        }
        valueOptions.push_back("--" + option.name);
        if (option.value == ValueKind::Text) {
            quiet.push_back("--" + option.name);
        } else {
            cases += in + "    --" + option.name + ")\n" + in + "        " +
                     Offer(option.value, option.choices) + "\n" + in + "        return\n" + in +
                     "        ;;\n";
        }
    }
    if (!quiet.empty()) {
        cases += in + "    " + Join(quiet, " | ") + ")\n" + in + "        return\n" + in +
                 "        ;;\n";
    }
    if (!cases.empty()) {
        out += in + "case $prev in\n" + cases + in + "esac\n" + in + "$split && return\n";
    }
    out += in + "if [[ $cur == -* ]]; then\n" + in + "    COMPREPLY=($(compgen -W '" +
           OptionWords(options) + "' -- \"$cur\"))\n" + in + "    return\n" + in + "fi\n";
    if (!actions.empty()) {
        // The first word that is neither an option nor an option's value.
        out += in + "local i arguments=0\n" + in + "for ((i = " + std::to_string(first) +
               "; i < cword; i++)); do\n" + in + "    case ${words[i]} in\n";
        if (!valueOptions.empty()) {
            out += in + "        " + Join(valueOptions, " | ") + ") ((i++)) ;;\n";
        }
        out += in + "        -*) ;;\n" + in + "        *) arguments=$((arguments + 1)) ;;\n" + in +
               "    esac\n" + in + "done\n" + in + "if ((arguments == 0)); then\n" + in +
               "    COMPREPLY=($(compgen -W '" + Join(actions, " ") + "' -- \"$cur\"))\n" + in +
               "    return\n" + in + "fi\n";
    }
    out += in + Offer(arguments, {}) + "\n";
    return out;
}

}  // namespace

std::string BashCompletion(const CompletedProgram& program) {
    const std::string& name = program.name;
    std::string out = "# bash completion for " + name +
                      "                                -*- shell-script -*-\n"
                      "# Made from the program's own description of its options; do not edit.\n\n"
                      "_" +
                      name +
                      "()\n{\n"
                      "    local cur prev words cword split\n"
                      "    _init_completion -s || return\n\n";
    if (program.commands.empty()) {
        out += Body(program.options, program.arguments, {}, 1, "    ");
    } else {
        std::vector<std::string> firstWords;
        for (const CompletionCommand& command : program.commands) {
            firstWords.push_back(command.name);
        }
        firstWords.push_back(OptionWords(program.options));
        out +=
            "    if ((cword == 1)); then\n"
            "        COMPREPLY=($(compgen -W '" +
            Join(firstWords, " ") +
            "' -- \"$cur\"))\n"
            "        return\n"
            "    fi\n\n"
            "    case ${words[1]} in\n";
        for (const CompletionCommand& command : program.commands) {
            out += "        " + command.name + ")\n" +
                   Body(command.options, command.arguments, command.actions, 2, "            ") +
                   "            ;;\n";
        }
        out += "    esac\n";
    }
    out += "} &&\n    complete -F _" + name + " " + name + "\n";
    return out;
}

}  // namespace tunemoss::docgen
