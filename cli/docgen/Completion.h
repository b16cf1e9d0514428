#pragma once
// The shell completions of a program (bash, zsh and fish), made from the
// description that its parser and its help share.

#include <string>
#include <vector>

#include "cli/Command.h"

namespace tunemoss::docgen {

struct CompletionOption {
    std::string name;  // without "--"
    ValueKind value = ValueKind::None;
    std::vector<std::string> choices = {};
    std::string summary = {};  // what the help says of it; may be empty
};

struct CompletionCommand {
    std::string name;
    std::string summary;
    std::vector<CompletionOption> options = {};
    ValueKind arguments = ValueKind::None;
    std::vector<std::string> actions = {};
};

// A program with commands (tunemoss art ...) or without (qarv FILE...).
struct CompletedProgram {
    std::string name;
    std::vector<CompletionOption> options;  // before a command, or the only ones
    ValueKind arguments = ValueKind::None;  // of a program without commands
    std::vector<CompletionCommand> commands;
};

// The extensions (lower case, without the dot) of the files a value of the
// kind is; empty for any file and for what is no file.
std::vector<std::string> FileExtensions(ValueKind kind);

// The words with the separator between them.
std::string Join(const std::vector<std::string>& words, const std::string& separator);

std::string BashCompletion(const CompletedProgram& program);
std::string ZshCompletion(const CompletedProgram& program);
std::string FishCompletion(const CompletedProgram& program);

}  // namespace tunemoss::docgen
