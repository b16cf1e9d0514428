#pragma once
// Rename As and Copy To: songs renamed in place, or copied into folders,
// under names that a pattern builds from their tags. The application and
// tunemoss both run these; a song tree or play list hands in the songs (and,
// for Copy To, each song's destination folder) and follows along through the
// callbacks.

#include <functional>
#include <string>
#include <vector>

namespace songcore {

enum class PatternJobStatus {
    Done,       // renamed or copied (in a dry run: would be)
    Unchanged,  // the name is already the one the pattern gives
    Skipped,    // the song could not be opened or has no readable tags
    Failed,     // the rename or copy was refused or went wrong
    Cancelled,  // stopped by the caller; nothing of it is left behind
};

struct PatternJobResult {
    std::string source;
    std::string destination;  // full path; empty when it could not be built
    PatternJobStatus status = PatternJobStatus::Failed;
    std::string message;  // what went wrong, for Skipped, Failed, Cancelled
};

struct PatternJobCallbacks {
    // A file is being worked on; destination is empty until it is known.
    std::function<void(const std::string& source, const std::string& destination)> onFile;
    // How much of the current copy is done, 0 to 100.
    std::function<void(int percent)> onProgress;
    // Called once per song with the outcome (for messages and, on a
    // rename, for everything that holds the old path).
    std::function<void(const PatternJobResult& result)> onResult;
    // Polled between files and between blocks of a copy.
    std::function<bool()> isCancelled;
};

struct CopyJob {
    std::string source;
    std::string folder;  // destination folder; created as needed
};

// Renames each song to the pattern's name in its own folder. A dry run only
// works out the names (and whether they are free).
std::vector<PatternJobResult> RenameSongsAs(const std::vector<std::string>& files,
                                            const std::string& pattern,
                                            const PatternJobCallbacks& callbacks,
                                            bool dryRun = false);

// Copies each song into its folder under the pattern's name, keeping the
// extension. A copy only ever creates a new file: when the name is taken
// (by an existing file, a link, or an earlier song of the same run that
// gave the same name) that song fails and the name keeps what it held. A
// copy appears whole or not at all; a cancelled one leaves nothing.
std::vector<PatternJobResult> CopySongsTo(const std::vector<CopyJob>& jobs,
                                          const std::string& pattern,
                                          const PatternJobCallbacks& callbacks);

// The folder of a play list's Copy To: destination, the file's extension
// without its dot (when it has one), the artist: "/out" + "/in/x.mp3" +
// "Abba" -> "/out/mp3/Abba/".
std::string PlayListCopyFolder(const std::string& destination, const std::string& file,
                               const std::string& artist);
// A name taken from a tag or a tree group as one folder below its parent:
// "/" becomes "_", and "", "." and ".." become "_".
std::string FolderComponent(std::string name);
// folder + "/" + name, with exactly one "/" between.
std::string JoinFolder(const std::string& folder, const std::string& name);

}  // namespace songcore
