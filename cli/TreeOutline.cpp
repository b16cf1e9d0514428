#include "cli/TreeOutline.h"

#include <cstdio>

#include "cli/Command.h"
#include "cli/TerminalText.h"
#include "songcore/lists/SDFFile.h"

namespace tunemoss {

std::optional<uint32_t> ParseViewOption(const Options& options, const std::string& command) {
    std::string view = options.value("view").value_or("0");
    if (view != "0" && view != "1") {
        UsageError(command, "--view takes 0 (type, artist, song) or 1 (artist, type, song)");
        return std::nullopt;
    }
    return view == "1" ? 1u : 0u;
}

std::string CheckSongDatabase(const std::string& path) {
    CSDFFile file;
    if (!file.Open(path.c_str(), 1)) {
        return file.GetErrorMessage().empty() ? "cannot open" : file.GetErrorMessage();
    }
    uint32_t version = 0;
    if (!file.ReadVersion(version)) {
        return "not a song database file";
    }
    if (version != CSDFFile::kVersion) {
        return "song database version " + std::to_string(version) + " is not supported";
    }
    return {};
}

void PrintOutline(const std::string& outline) {
    std::string text = EscapeLinesForTerminal(outline);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

}  // namespace tunemoss
