#pragma once
// What qarv answers on the command line before any window starts: --help
// and --version. Everything else is a song or a folder to open (Qt takes
// its own options, such as -platform, when the application is made).
// Plain text without Qt, so the manual page is made from the same words.

#include <optional>
#include <string>
#include <vector>

namespace CommandLine {

std::string HelpText();
// "qarv 0.1.0"
std::string VersionText();
// The text to print instead of starting, when the arguments (the program
// name left out) ask for the help or the version.
std::optional<std::string> InfoRequest(const std::vector<std::string>& args);

}  // namespace CommandLine
