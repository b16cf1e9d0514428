// tunemoss scan: searches folders for songs, reads their tags into a song
// tree, prints the tree and, on request, keeps it in a song database file.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "cli/Command.h"
#include "cli/Options.h"
#include "cli/SongExtensions.h"
#include "cli/TerminalText.h"
#include "cli/TreeOutline.h"
#include "songcore/lists/SDFFile.h"
#include "songcore/search/LocalSongSearch.h"
#include "songcore/util/Paths.h"
#include "songcore/views/SongTreeCtrl.h"

namespace tunemoss {
namespace {

const std::vector<OptionSpec> kOptions = {
    {"view", ValueKind::Choice, {"0", "1"}},
    {"ext", ValueKind::Text},
    {"db", ValueKind::Database},
    {"legacy-encoding", ValueKind::Text},
};

// Inserts the files the walk reports, a batch at a time (one tree change
// for many songs), and notes the ones that could not be opened. On a
// terminal it says how far the walk has got, since the tree is printed only
// once it is complete.
class TreeSearch : public CLocalSongSearch {
public:
    explicit TreeSearch(CSongTreeCtrl& tree) : tree_(tree), progress_(::isatty(2) == 1) {}
    ~TreeSearch() override {
        Stop();
        Wait();
    }
    // After Wait: inserts what is left of the last batch.
    void Flush() {
        std::lock_guard lock(mutex_);
        FlushLocked();
    }
    int failures() {
        std::lock_guard lock(mutex_);
        return failures_;
    }
    // Takes the progress line off the terminal.
    void EndProgress() {
        std::lock_guard lock(mutex_);
        if (shown_) {
            std::fputs("\r\x1b[K", stderr);
            shown_ = false;
        }
    }

protected:
    void MusicFile(const std::string& path) override {
        std::lock_guard lock(mutex_);
        // One spelling per song: "./a/b.mp3" and "a/b.mp3" are one file.
        pending_.push_back(songcore::NormalLocalPath(path));
        ++found_;
        if (pending_.size() >= kBatch) {
            FlushLocked();
        }
        ShowProgress();
    }
    void FolderEntered(const std::string& folder) override {
        std::lock_guard lock(mutex_);
        folder_ = folder;
        ShowProgress();
    }

private:
    static constexpr size_t kBatch = 64;
    static constexpr auto kProgressEvery = std::chrono::milliseconds(100);
    static constexpr size_t kMaxFolderShown = 60;

    void ShowProgress() {
        auto now = std::chrono::steady_clock::now();
        if (!progress_ || now - lastShown_ < kProgressEvery) {
            return;
        }
        lastShown_ = now;
        std::string folder = EscapeForTerminal(folder_);
        if (folder.size() > kMaxFolderShown) {
            folder = "..." + folder.substr(folder.size() - kMaxFolderShown);
        }
        std::fprintf(stderr, "\r\x1b[Kscanning: %zu songs found, in %s", found_, folder.c_str());
        std::fflush(stderr);
        shown_ = true;
    }

    void FlushLocked() {
        std::vector<int> inserted = tree_.InsertSongFiles(pending_);
        for (size_t i = 0; i < pending_.size(); ++i) {
            if (!inserted[i]) {
                if (shown_) {
                    std::fputs("\r\x1b[K", stderr);  // the message takes the line
                    shown_ = false;
                }
                ReportFileError(pending_[i], "cannot be opened as a song");
                ++failures_;
            }
        }
        pending_.clear();
    }

    CSongTreeCtrl& tree_;
    const bool progress_;
    std::mutex mutex_;
    std::vector<std::string> pending_;
    int failures_ = 0;
    size_t found_ = 0;
    std::string folder_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point lastShown_{};
};

int RunScan(const std::vector<std::string>& args) {
    Options options(kOptions);
    if (!options.parse(args)) {
        return UsageError("scan", options.error());
    }
    if (!ApplyLegacyEncoding(options)) {
        return UsageError("scan", "--legacy-encoding: unknown encoding");
    }
    std::optional<uint32_t> view = ParseViewOption(options, "scan");
    if (!view) {
        return kExitUsage;
    }
    if (options.positional().empty()) {
        return UsageError("scan", "no folder given");
    }
    std::string extensions = options.value("ext").value_or(kAllSongExtensions);
    std::optional<std::string> db = options.value("db");

    CSongTreeCtrl tree;
    tree.SetViewMethod(*view, 0);
    struct stat info;
    if (db && ::stat(db->c_str(), &info) == 0) {
        // An existing file that is not a song database is someone else's:
        // it is neither loaded nor overwritten.
        // Nor is one that lost its end: saving the songs that could be read
        // would throw the rest away.
        std::string problem = CheckSongDatabase(*db);
        if (problem.empty()) {
            problem = songcore::SongDatabaseDamage(*db);
        }
        if (!problem.empty() || !tree.LoadFromFile(*db)) {
            ReportFileError(*db, problem.empty() ? "cannot be loaded" : problem);
            return kExitFailure;
        }
    }

    int status = kExitOk;
    {
        TreeSearch search(tree);
        for (const std::string& path : options.positional()) {
            if (::stat(path.c_str(), &info) != 0) {
                ReportFileError(path, std::strerror(errno));
                status = kExitFailure;
                continue;
            }
            search.Search(extensions, songcore::NormalLocalPath(path));
            search.Wait();
            search.Flush();
        }
        search.EndProgress();
        if (search.failures() > 0) {
            status = kExitFailure;
        }
    }

    PrintOutline(tree.GetOutline());
    std::fflush(stdout);
    if (db && !tree.SaveToFile(*db)) {
        ReportFileError(*db, "cannot be written");
        return kExitFailure;
    }
    return status;
}

const CommandRegistrar registrar({
    "scan",
    "read the songs below folders into a song tree and print it",
    "Usage: tunemoss scan [--view 0|1] [--ext LIST] [--db FILE.sdf] [--legacy-encoding ENC]\n"
    "                     PATH...\n"
    "Walks each PATH (a folder and its subfolders, or one file), reads the tags of\n"
    "every song whose extension is listed, inserts it into a song tree and prints\n"
    "the tree as an indented outline.\n\n"
    "  --view 0      group by file type, then artist (default)\n"
    "  --view 1      group by artist, then file type\n"
    "  --ext LIST    extensions separated by \";\", any case (default: every song type)\n"
    "  --db FILE     a song database file: loaded first when it exists, so that a\n"
    "                rescan adds only what is new, and saved with the result\n"
    "  --legacy-encoding ENC  the code page of ID3v1 tags, ID3v2 frames in\n"
    "                ISO-8859-1 and RealMedia texts (default ISO-8859-1)\n",
    &RunScan,
    kOptions,
    ValueKind::Folder,
    {},
    "tunemoss scan --db ~/.local/share/Tunemoss/default.sdf ~/Music\n",
});

}  // namespace
}  // namespace tunemoss
