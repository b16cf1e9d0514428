#include "songcore/util/JournalRecovery.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <utility>

#include "songcore/util/JournalEntry.h"
#include "songcore/util/PrivateFiles.h"
#include "songcore/util/WriteJournal.h"

namespace songcore {
namespace {

// Left behind by a writer killed while saving its entry; the file was not
// touched yet, so such a half entry only has to go.
constexpr time_t kStaleHalfEntrySeconds = 600;
constexpr char kSetAside[] = "set-aside";

std::mutex g_noticesMutex;
std::vector<JournalNotice> g_notices;

// An entry file, open and read.
class OpenEntry {
public:
    OpenEntry() = default;
    ~OpenEntry() { Close(); }
    OpenEntry(const OpenEntry&) = delete;
    OpenEntry& operator=(const OpenEntry&) = delete;

    // errno is ENOENT after a failure when the entry is gone.
    bool Open(const std::string& path, std::string& error) {
        Close();
        fd_ = OpenPrivateFile(path, O_RDONLY, error);
        if (fd_ < 0) {
            return false;
        }
        read_ = ReadJournalEntry(fd_, entry_);
        return true;
    }
    void Close() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    int fd() const { return fd_; }
    EntryRead read() const { return read_; }
    const JournalEntry& entry() const { return entry_; }

private:
    int fd_ = -1;
    EntryRead read_ = EntryRead::kDamaged;
    JournalEntry entry_;
};

// A file descriptor closed at the end of its scope.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

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

// Moves an entry out of the way, keeping it for the user.
JournalNotice SetAside(const std::string& folder, const std::string& name, const std::string& song,
                       const std::string& reason) {
    std::string keptIn = folder + "/" + kSetAside;
    std::string error;
    std::string target = keptIn + "/" + name;
    if (!PreparePrivateFolder(keptIn, error) ||
        ::rename((folder + "/" + name).c_str(), target.c_str()) != 0) {
        target = folder + "/" + name;  // stays where it is; still not applied
    }
    return {song.empty() ? target : song, "an interrupted write was not undone, because " + reason +
                                              "; its old bytes are kept in " + target};
}

std::string ReadProblem(EntryRead read) {
    return read == EntryRead::kOlderFormat
               ? "its journal entry comes from an older version, which kept too little to "
                 "check the file"
               : "its journal entry is damaged";
}

// Handles the entry folder/name for the song open (and locked) on songFd:
// applies it when the song is as the write left it, sets it aside when not.
// True unless applying it failed.
bool Settle(const std::string& folder, const std::string& name, OpenEntry& entry, int songFd,
            RecoveryReport& report, std::string& error) {
    const JournalEntry& e = entry.entry();
    if (std::string mismatch = JournalEntryMismatch(entry.fd(), e, songFd); !mismatch.empty()) {
        entry.Close();
        report.notices.push_back(
            SetAside(folder, name, e.path, "the file changed since (" + mismatch + ")"));
        return true;
    }
    if (!ApplyJournalEntry(entry.fd(), e, songFd, error)) {
        error = "an interrupted write could not be undone: " + error;
        return false;
    }
    entry.Close();
    ::unlink((folder + "/" + name).c_str());
    ++report.undone;
    return true;
}

void RecoverEntry(const std::string& folder, const std::string& name, RecoveryReport& report) {
    const std::string entryPath = folder + "/" + name;
    OpenEntry entry;
    std::string error;
    if (!entry.Open(entryPath, error)) {
        if (errno != ENOENT) {
            report.notices.push_back({entryPath, "not applied: " + error});
        }
        return;
    }
    if (entry.read() != EntryRead::kOk) {
        entry.Close();
        report.notices.push_back(SetAside(folder, name, "", ReadProblem(entry.read())));
        return;
    }
    WriteStep("recovery-entry-read");
    const std::string song = entry.entry().path;
    Descriptor file(::open(song.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (file.get() < 0 && errno != ENOENT && errno != ELOOP) {
        return;  // there, but not ours to open now: tried again next time
    }
    struct stat st;
    if (file.get() < 0 || ::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<uint64_t>(st.st_ino) != entry.entry().inode) {
        entry.Close();
        report.notices.push_back(SetAside(folder, name, song,
                                          file.get() < 0 && errno == ENOENT
                                              ? "the file is gone"
                                              : "another file has its name now"));
        return;
    }
    // A writer at work holds the lock: the entry is its own.
    if (::flock(file.get(), LOCK_EX | LOCK_NB) != 0) {
        return;
    }
    // With the lock held, no writer is between its entry and its end: the
    // entry, read again, is one that was left behind, or it is gone.
    if (!entry.Open(entryPath, error)) {
        return;
    }
    if (entry.read() != EntryRead::kOk || entry.entry().inode != static_cast<uint64_t>(st.st_ino)) {
        entry.Close();
        report.notices.push_back(SetAside(folder, name, song, ReadProblem(entry.read())));
        return;
    }
    if (!Settle(folder, name, entry, file.get(), report, error)) {
        report.notices.push_back({song, error});
    }
}

// The entry names in folder, and the stale half entries removed.
std::vector<std::string> EntryNames(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return names;
    }
    while (dirent* item = ::readdir(dir)) {
        std::string name = item->d_name;
        if (name == "." || name == ".." || name == kSetAside) {
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

// The inode that an entry's name gives ("DEVICE-INODE-XXXXXX").
bool NameHasInode(const std::string& name, uint64_t inode) {
    if (name.size() < 34 || name[16] != '-' || name[33] != '-') {
        return false;
    }
    char* end = nullptr;
    std::string digits = name.substr(17, 16);
    unsigned long long value = std::strtoull(digits.c_str(), &end, 16);
    return end == digits.c_str() + 16 && value == inode;
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
    if (!CheckPrivateFolder(folder, exists, error)) {
        // Said only when there is something to say it about: the state
        // folder of another user (sudo -E) is otherwise of no concern.
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
        if (entries) {
            report.notices.push_back(
                {folder, "interrupted writes recorded there were not undone: " + error});
        }
        return report;
    }
    if (!exists) {
        return report;
    }
    for (const std::string& name : EntryNames(folder)) {
        RecoverEntry(folder, name, report);
    }
    return report;
}

bool RecoverFile(int fd, const std::string& path, std::string& error) {
    std::string folder = JournalFolder();
    struct stat st;
    bool exists = false;
    std::string problem;
    if (folder.empty() || ::fstat(fd, &st) != 0 || !CheckPrivateFolder(folder, exists, problem) ||
        !exists) {
        return true;  // no journal of ours: nothing of ours to undo
    }
    RecoveryReport report;
    std::string lastingPath;
    bool ok = true;
    for (const std::string& name : EntryNames(folder)) {
        if (!NameHasInode(name, static_cast<uint64_t>(st.st_ino)) ||
            IsJournalEntryInUse(folder + "/" + name)) {
            continue;
        }
        OpenEntry entry;
        if (!entry.Open(folder + "/" + name, problem) || entry.read() != EntryRead::kOk ||
            entry.entry().inode != static_cast<uint64_t>(st.st_ino)) {
            continue;  // the start-up recovery says what is wrong with it
        }
        // The same file: the same device, or the path it was written under
        // when the device number changed.
        if (entry.entry().device != static_cast<uint64_t>(st.st_dev)) {
            if (lastingPath.empty()) {
                lastingPath = LastingPath(path);
            }
            if (entry.entry().path != lastingPath) {
                continue;
            }
        }
        ok = Settle(folder, name, entry, fd, report, error) && ok;
    }
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
