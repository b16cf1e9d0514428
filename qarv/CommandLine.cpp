#include "qarv/CommandLine.h"

#ifndef TUNEMOSS_VERSION
#define TUNEMOSS_VERSION "0.0.0"
#endif

namespace CommandLine {

std::string HelpText() {
    return "Usage: qarv [FILE|FOLDER...]\n"
           "       qarv --help | --version\n"
           "The desktop program of Tunemoss: keeps a music collection in a song tree,\n"
           "plays a play list, and edits the tags of the songs.\n\n"
           "Each FILE is added to the play list; each FOLDER is searched, and the songs\n"
           "below it go into the song tree. When qarv is already running, the files\n"
           "and folders are handed to it and its window comes to the front.\n\n"
           "  --help      print this help and exit\n"
           "  --version   print the version and exit\n\n"
           "Qt's own options, such as -platform or -style, are taken as well.\n";
}

std::string VersionText() {
    return "qarv " TUNEMOSS_VERSION;
}

std::optional<std::string> InfoRequest(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            return HelpText();
        }
        if (arg == "--version") {
            return VersionText() + "\n";
        }
    }
    return std::nullopt;
}

}  // namespace CommandLine
