#include "songcore/util/JournalRecovery.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <pthread.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <mutex>
#include <optional>
#include <utility>

#include "songcore/util/FdIo.h"
#include "songcore/util/JournalEntry.h"
#include "songcore/util/PrivateFiles.h"
#include "songcore/util/WriteJournal.h"

namespace songcore {
namespace {

// Left behind by a writer of the first format killed while saving its
// entry; the file was not touched yet, so such a half entry only has to go.
constexpr time_t kStaleHalfEntrySeconds = 600;
constexpr char kSetAside[] = "set-aside";
// More entries than this in one journal are not of this program's making.
constexpr size_t kMaxEntries = 1u << 20;

std::mutex g_noticesMutex;
std::vector<JournalNotice> g_notices;

// The journal folder as a look left it when nothing was there but this
// process's own journal. Until the folder changes, a write has nothing to
// settle and need not list it again: an entry can only be left by a process
// with a journal there, and a journal that no look saw (or saw in use) is
// one made since, which changes the folder. A change made within the same
// tick of the file system's clock as the look would not show, so a look is
// trusted only when the folder had not changed for a while before it.
struct QuietFolder {
    std::string folder;
    dev_t device = 0;
    ino_t inode = 0;
    timespec modified{};
    timespec changed{};
};
constexpr time_t kQuietAfterSeconds = 2;
std::mutex g_quietMutex;
std::optional<QuietFolder> g_quiet;

bool SameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool StillQuiet(const std::string& folder, const struct stat& st) {
    std::lock_guard lock(g_quietMutex);
    return g_quiet && g_quiet->folder == folder && g_quiet->device == st.st_dev &&
           g_quiet->inode == st.st_ino && SameTime(g_quiet->modified, st.st_mtim) &&
           SameTime(g_quiet->changed, st.st_ctim);
}

// Notes what a look that began at lookStart, with the folder as st says,
// found: quiet when no other journal was left there.
void NoteLook(const std::string& folder, const struct stat& st, const timespec& lookStart,
              bool quiet) {
    static const bool forgetInChild = [] {
        // The parent's journal is another process's to a child.
        ::pthread_atfork(nullptr, nullptr, [] { g_quiet.reset(); });
        return true;
    }();
    (void)forgetInChild;
    std::lock_guard lock(g_quietMutex);
    if (quiet && lookStart.tv_sec - st.st_mtim.tv_sec >= kQuietAfterSeconds) {
        g_quiet = QuietFolder{folder, st.st_dev, st.st_ino, st.st_mtim, st.st_ctim};
    } else {
        g_quiet.reset();
    }
}

timespec Now() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return now;
}

// A file descriptor closed at the end of its scope.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }
    void reset(int fd = -1) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = fd;
    }

private:
    int fd_;
};

// The path an entry was written for, as the programs know it now.
std::string LastingPath(const std::string& path) {
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        std::string resolved = real;
        std::free(real);
        return resolved;
    }
    return path;
}

// A journal file of a process that ended: open, locked (so no other
// recovery works on it at the same time) and read.
struct DeadJournal {
    std::string folder;
    std::string name;
    Descriptor fd;
    uint64_t size = 0;
    std::vector<JournalEntry> entries;
    bool olderFormat = false;

    std::string path() const { return folder + "/" + name; }

    // False when the file is gone, is another user's, or its process lives.
    bool Open(RecoveryReport& report) {
        std::string error;
        fd.reset(OpenPrivateFile(path(), O_RDWR, error));
        if (fd.get() < 0) {
            if (errno != ENOENT) {
                report.notices.push_back({path(), "not applied: " + error});
            }
            return false;
        }
        if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
            return false;  // the journal of a process at work
        }
        struct stat st;
        if (::fstat(fd.get(), &st) != 0) {
            return false;
        }
        size = static_cast<uint64_t>(st.st_size);
        // A damaged entry ends the list: it is the one a crash cut short
        // while it was saved, before its song was touched.
        for (uint64_t at = 0; at < size && entries.size() < kMaxEntries;) {
            JournalEntry entry;
            EntryRead read = ReadJournalEntry(fd.get(), at, size, entry);
            if (read == EntryRead::kOlderFormat) {
                olderFormat = true;
                break;
            }
            if (read != EntryRead::kOk) {
                break;
            }
            at += entry.size;
            entries.push_back(std::move(entry));
        }
        return true;
    }

    bool HasLiveEntries() const {
        return std::any_of(entries.begin(), entries.end(),
                           [](const JournalEntry& entry) { return entry.live; });
    }

    // Keeps the entry for the user in the set-aside folder, as a journal
    // file of its own, and takes it out of this one.
    JournalNotice SetAside(JournalEntry& entry, const std::string& reason) {
        std::string keptIn = folder + "/" + kSetAside;
        std::string target = keptIn + "/" + name + "-" + std::to_string(entry.at);
        std::string error;
        bool kept = PreparePrivateFolder(keptIn, error);
        if (kept) {
            std::vector<uint8_t> bytes(static_cast<size_t>(entry.size));
            kept = PreadExact(fd.get(), bytes.data(), bytes.size(), entry.at);
            int out = kept ? OpenPrivateFile(target, O_WRONLY | O_CREAT | O_TRUNC, error) : -1;
            kept = out >= 0 && PwriteAll(out, bytes.data(), bytes.size(), 0) && ::fsync(out) == 0;
            if (out >= 0) {
                ::close(out);
            }
        }
        if (kept) {
            MarkJournalEntryDropped(fd.get(), entry);
            entry.live = false;
        } else {
            target = path();  // stays where it is; still not applied
        }
        return {entry.path, "an interrupted write was not undone, because " + reason +
                                "; its old bytes are kept in " + target};
    }

    // Applies entry to the song open (and locked) on songFd, or sets it
    // aside when the song is not as the write left it. False when applying
    // failed.
    bool Settle(JournalEntry& entry, int songFd, RecoveryReport& report, std::string& error) {
        if (std::string mismatch = JournalEntryMismatch(fd.get(), entry, songFd);
            !mismatch.empty()) {
            report.notices.push_back(SetAside(entry, "the file changed since (" + mismatch + ")"));
            return true;
        }
        if (!ApplyJournalEntry(fd.get(), entry, songFd, error)) {
            error = "an interrupted write could not be undone: " + error;
            return false;
        }
        MarkJournalEntryDropped(fd.get(), entry);
        entry.live = false;
        ++report.undone;
        return true;
    }

    // Once nothing in it is live the journal becomes this process's own,
    // or goes (its lock still held, so no other recovery is reading it).
    // False when it stays, for a later look.
    bool RemoveIfDone() {
        if (olderFormat || HasLiveEntries()) {
            return false;
        }
        if (AdoptJournal(fd.get(), folder, name, size)) {
            // Its dropped entries need not be read again by the next look.
            if (!entries.empty()) {
                MarkJournalEmpty(fd.get());
            }
            fd.release();
        } else {
            ::unlink(path().c_str());
        }
        return true;
    }
};

// Applies an entry by the song at its path, as the programs do at start.
void RecoverEntry(DeadJournal& journal, JournalEntry& entry, RecoveryReport& report) {
    WriteStep("recovery-entry-read");
    Descriptor song(::open(entry.path.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (song.get() < 0 && errno != ENOENT && errno != ELOOP) {
        return;  // there, but not ours to open now: tried again next time
    }
    struct stat st;
    if (song.get() < 0 || ::fstat(song.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<uint64_t>(st.st_ino) != entry.inode) {
        report.notices.push_back(journal.SetAside(entry, song.get() < 0 && errno == ENOENT
                                                             ? "the file is gone"
                                                             : "another file has its name now"));
        return;
    }
    // A writer at work on the song holds its lock: tried again next time.
    if (::flock(song.get(), LOCK_EX | LOCK_NB) != 0) {
        return;
    }
    std::string error;
    if (!journal.Settle(entry, song.get(), report, error)) {
        report.notices.push_back({entry.path, error});
    }
}

// The journal files in folder, this process's own left out; the stale half
// entries of the first format are removed on the way.
std::vector<std::string> JournalNames(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return names;
    }
    const std::string own = OwnJournalName();
    while (dirent* item = ::readdir(dir)) {
        std::string name = item->d_name;
        if (name == "." || name == ".." || name == kSetAside || name == own) {
            continue;
        }
        if (name[0] == '.') {
            struct stat st;
            std::string path = folder + "/" + name;
            if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
                st.st_uid == ::geteuid() &&
                std::time(nullptr) - st.st_mtime > kStaleHalfEntrySeconds) {
                ::unlink(path.c_str());
            }
            continue;
        }
        names.push_back(std::move(name));
    }
    ::closedir(dir);
    return names;
}

bool FolderHasEntries(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    bool entries = false;
    while (dir != nullptr && !entries) {
        dirent* item = ::readdir(dir);
        if (item == nullptr) {
            break;
        }
        entries = item->d_name[0] != '.';
    }
    if (dir != nullptr) {
        ::closedir(dir);
    }
    return entries;
}

}  // namespace

RecoveryReport RecoverInterruptedWrites() {
    RecoveryReport report;
    std::string folder = JournalFolder();
    if (folder.empty()) {
        return report;
    }
    bool exists = false;
    std::string error;
    const timespec lookStart = Now();
    struct stat folderStatus;
    if (!CheckPrivateFolder(folder, exists, error, &folderStatus)) {
        // Said only when there is something to say it about: the state
        // folder of another user (sudo -E) is otherwise of no concern.
        if (FolderHasEntries(folder)) {
            report.notices.push_back(
                {folder, "interrupted writes recorded there were not undone: " + error});
        }
        return report;
    }
    if (!exists) {
        return report;
    }
    bool quiet = true;
    for (const std::string& name : JournalNames(folder)) {
        DeadJournal journal{folder, name, Descriptor(), 0, {}, false};
        if (!journal.Open(report)) {
            quiet = quiet && journal.fd.get() < 0 && errno == ENOENT;
            continue;
        }
        if (journal.olderFormat) {
            std::string target = folder + "/" + kSetAside + "/" + name;
            if (PreparePrivateFolder(folder + "/" + kSetAside, error) &&
                ::rename(journal.path().c_str(), target.c_str()) == 0) {
                report.notices.push_back(
                    {journal.path(),
                     "an interrupted write was not undone, because its journal "
                     "entry comes from an older version, which kept too little "
                     "to check the file; its old bytes are kept in " +
                         target});
            } else {
                quiet = false;
            }
            continue;
        }
        // The latest write first: two writes of one song undo in turn.
        for (auto entry = journal.entries.rbegin(); entry != journal.entries.rend(); ++entry) {
            if (entry->live) {
                RecoverEntry(journal, *entry, report);
            }
        }
        quiet = journal.RemoveIfDone() && quiet;
    }
    NoteLook(folder, folderStatus, lookStart, quiet);
    return report;
}

bool RecoverFile(int fd, const std::string& path, uint64_t device, uint64_t inode,
                 std::string& error) {
    std::string folder = JournalFolder();
    bool exists = false;
    std::string problem;
    const timespec lookStart = Now();
    struct stat folderStatus;
    if (folder.empty() || !CheckPrivateFolder(folder, exists, problem, &folderStatus) || !exists) {
        return true;  // no journal of ours: nothing of ours to undo
    }
    if (StillQuiet(folder, folderStatus)) {
        return true;
    }
    RecoveryReport report;
    std::string lastingPath;
    bool ok = true;
    bool quiet = true;
    for (const std::string& name : JournalNames(folder)) {
        DeadJournal journal{folder, name, Descriptor(), 0, {}, false};
        if (!journal.Open(report) || journal.olderFormat) {
            // The start-up recovery says what is wrong with it.
            quiet = quiet && journal.fd.get() < 0 && errno == ENOENT;
            continue;
        }
        for (auto entry = journal.entries.rbegin(); entry != journal.entries.rend(); ++entry) {
            if (!entry->live || entry->inode != inode) {
                continue;
            }
            // The same file: the same device, or the path it was written
            // under when the device number changed.
            if (entry->device != device) {
                if (lastingPath.empty()) {
                    lastingPath = LastingPath(path);
                }
                if (entry->path != lastingPath) {
                    continue;
                }
            }
            ok = journal.Settle(*entry, fd, report, error) && ok;
        }
        quiet = journal.RemoveIfDone() && quiet;
    }
    NoteLook(folder, folderStatus, lookStart, quiet);
    if (!report.notices.empty()) {
        std::lock_guard lock(g_noticesMutex);
        g_notices.insert(g_notices.end(), report.notices.begin(), report.notices.end());
    }
    return ok;
}

std::vector<JournalNotice> TakeJournalNotices() {
    std::lock_guard lock(g_noticesMutex);
    return std::exchange(g_notices, {});
}

}  // namespace songcore
